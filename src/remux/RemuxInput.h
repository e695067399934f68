#pragma once

#include "platform/MediaInput.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One input of a join that copies packets: opened with its stream facts, read packet by packet.
class TRemuxInput {
public:
  // Raises "Unable to open NAME (reason)" when FFmpeg cannot read the file. Without `Probe`,
  // as TMediaInput::Open: for copying the packets of a file already probed and checked.
  explicit TRemuxInput(const std::string& FileName, bool Probe = true);

  AVFormatContext* Context() const { return FInput.Context(); }
  int VideoIndex = -1; // the first video track
  int AudioIndex = -1; // the first sound stream, -1 when none
  int64_t FileSize = 0;

  // What becomes of pictures an edit list hides at the file's start: the output's own edit list
  // hides them (the first file), they are shown, with their sound, rather than overlap the input
  // before, or they are cut away with their sound (see TSmartCut).
  enum class THiddenStart { HiddenByOutput, Shown, Cut };
  // Where the picture starts, and each sound stream's first packet's lead over it (negative for
  // encoder priming, but for Opus priming, which a seam encodes out of its first packets (see
  // TSoundSeam); by stream index, 0 for other streams), in microseconds; returns how long the
  // pictures hidden at the start last. `ShownLeads`, when given, takes the leads should they be
  // shown (over VideoStart less that length). Reads the first packets, so call it on a fresh
  // input only.
  int64_t MeasureStarts(int64_t& VideoStart, std::vector<int64_t>& AudioLeads, THiddenStart Hidden,
                        std::vector<int64_t>* ShownLeads = nullptr);
  // Returns false at the end of the file; raises "Unable to read NAME (reason)".
  bool ReadPacket(AVPacket* Packet);
  // Bytes read so far.
  int64_t Position() const;
  // A packet's duration in its stream's time base, from the frame rate when the file gives none.
  int64_t PacketDuration(const AVPacket* Packet) const;

private:
  std::string FFileName;
  TMediaInput FInput;
};
