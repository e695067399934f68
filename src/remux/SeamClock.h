#pragma once

#include <cstdint>
#include <limits>
#include <optional>

// The output clock of a join that copies packets: where each input's picture and sound go, so
// that pictures follow one another without a jump or overlap and each input's sound starts with
// its picture. All times are microseconds; "input" times are an input's own, "output" times the
// joined file's.
class TSeamClock {
public:
  static constexpr int64_t Unbounded = std::numeric_limits<int64_t>::max() / 4;

  // Before an input's packets: where its picture starts, and by how much the next input's first
  // sound packet leads that input's picture (negative when it starts earlier, as encoder
  // priming does); none for the last input, whose sound is kept whole. With the next input's
  // picture start (input time), parts of one recording keep their clock: where the next part's
  // clock goes on from this one's within a frame, as a segmenter that ends each part's last frame
  // early leaves it, the gap stays, and its sound is left out only where the next part's
  // overlaps it, so that the parts join back to the recording.
  void BeginInput(int64_t VideoStart, std::optional<int64_t> NextAudioLead,
                  std::optional<int64_t> NextVideoStart = std::nullopt);
  // Added to an input's picture time stamps.
  int64_t VideoOffset() const { return FOutputStart - FVideoStart; }
  // Every picture packet, in input time: the picture ends where its latest frame ends.
  void VideoPacket(int64_t Pts, int64_t Duration);

  // Added to an input's sound time stamps; fixed by its first sound heard (input time). The
  // sound of an input is placed by its own time stamps, except that a start within half a packet
  // after where the previous input's sound ended joins on to it, so that the sound runs on
  // without a gap; one that starts before it keeps its place, in sync with its picture.
  int64_t AudioOffset(int64_t FirstStart, int64_t Duration);
  // A sound packet (output time) that will be kept whatever the rest of the picture holds.
  bool AudioSure(int64_t Start, int64_t Duration) const;
  // After EndInput: a sound packet that starts, by more than half, before the next input's
  // sound (or picture) does; the rest runs past the seam and is left out.
  bool AudioKept(int64_t Start, int64_t Duration) const;
  void AudioWritten(int64_t Start, int64_t Duration);

  // After an input's packets; the next input's picture starts there (output time): where this
  // one's ends, or, for the next part of a recording, where its own clock puts it.
  int64_t EndInput();
  // After EndInput: whether the next input goes on from this one as the next part of a recording.
  bool Continues() const { return FContinues; }

  int64_t OutputStart() const { return FOutputStart; }
  int64_t PictureEnd() const { return FOutputStart + FVideoEnd - FVideoStart; } // output time
  int64_t SoundEnd() const { return FSoundEnd; }                                  // output time
  bool HasSound() const { return FHasSound; }

private:
  int64_t FOutputStart = 0;
  int64_t FVideoStart = 0;
  int64_t FVideoEnd = 0; // input time
  int64_t FFrame = 0;    // the longest picture duration
  std::optional<int64_t> FNextAudioLead;
  std::optional<int64_t> FNextVideoStart;
  std::optional<int64_t> FAudioOffset;
  int64_t FCutoff = Unbounded;
  int64_t FSoundEnd = 0;
  bool FHasSound = false;
  bool FContinues = false;
};
