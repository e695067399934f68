#pragma once

#include "mpeg/MPEG1SysRead.h"
#include "mpeg/MPEGAudioFrames.h"
#include "mpeg/MPEGTiming.h"

#include <cstdint>
#include <map>
#include <optional>

// Shifts the clocks of system streams written one after another so that the output has one
// clock: each input is placed where the picture of the inputs before it ends, one offset for
// all its streams, and no stream's clock ever steps back. Sound that would play past its own
// input's picture is left out, by whole frames, so that the next input's sound starts with its
// picture. The clocks are changed in the units' own bytes, so
// everything else (stuffing, buffer sizes, packet lengths) stays as it was.
class TMPEGTimeCorrection {
public:
  // FrameTicks: one picture in 90 kHz ticks, for inputs whose sequence header does not tell.
  explicit TMPEGTimeCorrection(int64_t FrameTicks) : FDefaultFrameTicks(FrameTicks) {}

  // Called before the units of each input system stream, the first one included.
  void StartNextFile(const TMPEGTiming& Timing);
  // Changes the SCR of a pack header or the PTS and DTS of a packet in Unit, the current unit's
  // UnitSize bytes. Returns how many of them to write: 0 to leave the unit out, fewer when the
  // last sound packet before a cut loses its unfinished frame.
  uint32_t CorrectUnit(TMPEGUnitKind Kind, int64_t SCR, const TMPEGPacketInfo& Packet, uint8_t* Unit, int64_t UnitPos,
                       uint32_t UnitSize);

  // Sound packets of the current input left out (or cut) so far.
  int DroppedSoundPackets() const { return FDroppedSound; }
  // The output's clock where the current input's picture ends; unset when not known.
  std::optional<int64_t> InputEndInOutput() const;
  // The output's clock where its first picture is shown.
  std::optional<int64_t> OutputStart() const { return FOutputStart; }

private:
  int64_t FDefaultFrameTicks;
  int64_t FFrameTicks = 0; // of the current input
  TClockUnwrap FUnwrap;    // the current input's clocks, near its start
  int64_t FOffset = 0;     // added to every PTS and DTS of the current input
  int64_t FSCROffset = 0;
  bool FSCRAnchorPending = false;
  std::optional<int64_t> FInputEnd; // the current input's picture end, on its own clock
  std::optional<int64_t> FOutputEnd; // where the picture written so far ends
  std::optional<int64_t> FOutputStart;
  std::optional<int64_t> FLastSCR;
  std::map<uint8_t, int64_t> FLastClock; // per stream: the last DTS (else PTS) written
  std::map<uint8_t, bool> FDropping;     // per sound stream: its packets are being left out
  std::map<uint8_t, TMPEGAudioFrames> FSound;
  bool FInputHasPicture = false;
  int FDroppedSound = 0;
};

// Writes a 33-bit clock into a 5-byte SCR, PTS or DTS field, keeping the field's 4 prefix bits.
void PutTimeStamp(uint8_t* Field, int64_t Value);
