#pragma once

#include "platform/FFmpegPtr.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// Opus packets are encoded for a decoder that starts afresh with their file: copied after another
// file's, they meet a decoder that carries that file's state, and the first of them decode
// muffled; the first also holds the encoder's priming, which players skip only at the start of a
// stream. At each seam the next file's first packets are therefore encoded again, by an encoder
// that has heard the end of the file before, from what the next file plays alone; the packets
// after them are copied untouched.
class TOpusSeam {
public:
  // `Output`: the sound stream written, whose packets Written sees; `Trims`: whether its
  // container tells players to leave out the padding that ends a packet anywhere in the stream
  // (Matroska), not only at its end.
  TOpusSeam(const AVStream* Output, bool Trims);

  // The priming at the start of an Opus stream, in microseconds; 0 for other codecs.
  static int64_t PrimingUs(const AVCodecParameters* Parameters);

  // Every packet written, in the output's time base: the last ones end the file before.
  void Written(const AVPacket* Packet);
  // Whether the file before's packet left out at the seam is its last, whose sound ends in
  // padding: the mended packets then carry its sound, where the output could not end it early.
  bool Carries(const AVPacket* Packet) const;
  void LeftOut(TPacketPtr Packet);
  // The packet left out, when Release did not take it into the mended packets.
  TPacketPtr TakeLeftOut() { return std::move(FLeftOut); }
  // The next file's sound stream, whose first packets are then held.
  void BeginInput(const AVStream* In);
  bool Holding() const { return FIn != nullptr; }
  // Takes a packet of the next file (in its own time base, with its duration).
  void Hold(TPacketPtr Packet);
  // Whether enough are held to encode the first ones again.
  bool Full() const;
  // The held packets in order, the first ones encoded again; `Mended` is false when they could
  // not be (no Opus encoder, a layout it cannot write), and they come as they were. `SoundEnd`:
  // where the sound written so far ends, on the next file's clock in microseconds; the mended packets fill the
  // gap from there to its first sound (up to MaxFilledUs) with silence, or cut the sound before
  // where it runs over, so that its sound keeps its place against its picture.
  std::vector<TPacketPtr> Release(std::optional<int64_t> SoundEnd, bool& Mended);

  static constexpr int64_t MaxFilledUs = 40000;

private:
  bool Mend(std::optional<int64_t> SoundEnd, std::vector<TPacketPtr>& Replacement);

  const AVStream* FOutput;
  bool FTrims;
  const AVStream* FIn = nullptr;
  TPacketPtr FLeftOut; // in the output's time base
  std::deque<TPacketPtr> FTail; // of the file before, in the output's time base
  std::vector<TPacketPtr> FHead; // of the next file, in its own time base
};
