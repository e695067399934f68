#pragma once

#include "platform/FFmpegPtr.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// Opus and AAC packets are encoded for a decoder that starts afresh with their file: copied
// after another file's, they meet a decoder that carries that file's state, and the first of them
// decode muffled; an AAC packet decodes whole only after the one before it in its own file, which
// a start cut away leaves out. The first also holds the encoder's priming, which players skip
// only at the start of a stream. At each seam the next file's first packets are therefore encoded
// again, by an encoder that has heard the end of the file before, from what the next file plays
// alone; the packets after them are copied untouched.
class TSoundSeam {
public:
  // Whether the sound of `Parameters` is mended at seams: Opus, and mono or stereo AAC-LC whose
  // setup travels beside its packets (not ADTS), which FFmpeg's own encoder writes.
  static bool Mends(const AVCodecParameters* Parameters);

  // `Output`: the sound stream written, whose packets Written sees; `Trims`: whether its
  // container tells players to leave out the padding that ends a packet anywhere in the stream
  // (Matroska), not only at its end.
  TSoundSeam(const AVStream* Output, bool Trims);

  // The priming at the start of an Opus stream, in microseconds; 0 for other codecs.
  static int64_t PrimingUs(const AVCodecParameters* Parameters);

  // AAC: each packet's sound overlaps the one before, so the last packets of the file before are
  // encoded again with the next file's first (KeptBack of them held from the output), and the
  // seam is mended only where the next file starts afresh: not where a recording continues, whose
  // packets follow on as they are, nor where a hidden start is shown, whose sound is copied.
  bool Laps() const { return FLaps; }
  size_t KeptBack() const { return FLaps ? 3 : 0; }
  bool MendsSeam(bool Continues, bool HiddenShown) const { return !FLaps || (!Continues && !HiddenShown); }

  // Every packet written, in the output's time base: the last ones end the file before.
  void Written(const AVPacket* Packet);
  // Whether the file before's packet, past the seam, is taken into the mended packets: for Opus
  // its last, whose sound ends in padding, where the output could not end it early; for AAC any
  // that starts before the next file's picture.
  bool Carries(const AVPacket* Packet, bool BeforeSeam) const;
  // The file before's packets, in order, that the mended packets may carry.
  void LeftOut(TPacketPtr Packet);
  // Those left out that Release did not take into the mended packets, to be written before them.
  std::vector<TPacketPtr> TakeLeftOut();
  // The next file's sound stream, whose first packets are then held.
  void BeginInput(const AVStream* In);
  bool Holding() const { return FIn != nullptr; }
  // A packet of the next file cut away with its hidden start: decoded before the first held, as
  // when the file plays alone.
  void Precede(TPacketPtr Packet);
  // Takes a packet of the next file (in its own time base, with its duration).
  void Hold(TPacketPtr Packet);
  // Whether enough are held to encode the first ones again.
  bool Full() const;
  // The held packets in order, the first ones encoded again; `Mended` is false when they could
  // not be (no encoder, a layout it cannot write), and they come as they were. `SoundEnd`: where
  // the sound written so far ends, on the next file's clock in microseconds; the mended packets fill the
  // gap from there to its first sound (up to MaxFilledUs) with silence, or cut the sound before
  // where it runs over, so that its sound keeps its place against its picture.
  std::vector<TPacketPtr> Release(std::optional<int64_t> SoundEnd, bool& Mended);

  static constexpr int64_t MaxFilledUs = 40000;

private:
  bool Mend(std::optional<int64_t> SoundEnd, std::vector<TPacketPtr>& Replacement);

  const AVStream* FOutput;
  bool FTrims;
  bool FLaps;
  const char* FEncoder;
  const AVStream* FIn = nullptr;
  std::vector<TPacketPtr> FLeftOut; // in the output's time base
  std::deque<TPacketPtr> FTail;     // of the file before, in the output's time base
  std::vector<TPacketPtr> FBefore;  // of the next file, cut away before its first held
  std::vector<TPacketPtr> FHead;    // of the next file, in its own time base
};
