#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// Follows the pictures of an MPEG-1 or MPEG-2 video elementary stream fed in pieces (whole, or
// the data of its packets in a system stream) to tell when its pictures are shown. Groups of
// pictures are placed by a packet's time stamp where one came with a picture, else by the
// group before them, else by the group's time code.
class TMPEGVideoScan {
public:
  // FrameTicks: one picture in 90 kHz ticks, 0 to take it from the first sequence header.
  explicit TMPEGVideoScan(int64_t FrameTicks = 0) : FFrameTicks(FrameTicks) {}

  // The next bytes of the stream; Stamp, the PTS of the packet that carried them, belongs to the
  // first picture that starts in them.
  void Feed(const uint8_t* Data, size_t Size, std::optional<int64_t> Stamp = std::nullopt);

  int64_t FrameTicks() const { return FFrameTicks; }
  int64_t Pictures() const { return FPictures; }
  // When the first and the last group fed begin to be shown, and when the last one ends; by
  // time stamps where any came with a picture, else by the groups' time codes.
  std::optional<int64_t> FirstGroupStart() const;
  std::optional<int64_t> End() const;
  // Whether consecutive groups' time codes agreed with their picture counts (false when fewer
  // than two groups were seen): only then do time codes tell a stream's length.
  bool TimeCodesConsistent() const { return FTimeCodePairs > 0 && !FTimeCodeMismatch; }
  bool HasStamps() const { return FStamped; }

private:
  // A start code with the HeaderBytes bytes that follow it.
  void OnStartCode(const uint8_t* Code, std::optional<int64_t> Stamp);
  int64_t GroupLength() const;

  int64_t FFrameTicks;
  int64_t FPictures = 0;
  static constexpr size_t HeaderBytes = 4; // as many as the headers' fields read here need
  uint32_t FZeros = 0;                     // zero bytes at the end of the pieces fed so far
  bool FPrefixEnded = false;               // they ended with 00 00 01
  uint8_t FHeader[1 + HeaderBytes] = {};   // a start code cut by a piece's end, and its bytes
  size_t FHeaderUsed = 0;
  std::optional<int64_t> FHeaderStamp;
  bool FStamped = false;
  std::optional<int64_t> FFirstStampedStart, FFirstTimeCodeStart;
  int FLastTR = -1;
  std::optional<int64_t> FGroupStart; // when the current group starts to be shown
  int64_t FGroupPictures = 0;
  int FGroupMaxTR = -1;
  std::optional<int64_t> FGroupTimeCode; // in pictures
  int FTimeCodePairs = 0;
  bool FTimeCodeMismatch = false;
};

// The frame rate coded in a sequence header (its frame_rate_code), 0 when unknown.
double SequenceFrameRate(uint8_t FrameRateCode);
