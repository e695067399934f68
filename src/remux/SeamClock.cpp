#include "remux/SeamClock.h"

#include <algorithm>
#include <cstdlib>

void TSeamClock::BeginInput(int64_t VideoStart, std::optional<int64_t> NextAudioLead,
                            std::optional<int64_t> NextVideoStart)
{
  FVideoStart = VideoStart;
  FVideoEnd = VideoStart;
  FFrame = 0;
  FNextAudioLead = NextAudioLead;
  FNextVideoStart = NextVideoStart;
  FAudioOffset.reset();
  FCutoff = Unbounded;
}

void TSeamClock::VideoPacket(int64_t Pts, int64_t Duration)
{
  FVideoEnd = std::max(FVideoEnd, Pts + Duration);
  FFrame = std::max(FFrame, Duration);
}

int64_t TSeamClock::AudioOffset(int64_t FirstStart, int64_t Duration)
{
  if (!FAudioOffset) {
    int64_t offset = VideoOffset();
    const int64_t start = FirstStart + offset;
    // Moved later, the sound would lag its picture, and the next seam's the more.
    if (FHasSound && start >= FSoundEnd && start - FSoundEnd <= Duration / 2)
      offset += FSoundEnd - start;
    FAudioOffset = offset;
  }
  return *FAudioOffset;
}

namespace {

constexpr int64_t RoundingUs = 1000;

// Where the next input's sound begins, in output time, for a picture that ends at `pictureEnd`.
int64_t SeamLine(int64_t pictureEnd, std::optional<int64_t> nextLead)
{
  if (!nextLead)
    return TSeamClock::Unbounded;
  return pictureEnd + std::min<int64_t>(0, *nextLead);
}

} // namespace

bool TSeamClock::AudioSure(int64_t Start, int64_t Duration) const
{
  return Start + Duration / 2 <= SeamLine(PictureEnd(), FNextAudioLead);
}

bool TSeamClock::AudioKept(int64_t Start, int64_t Duration) const
{
  return Start + Duration / 2 <= FCutoff;
}

void TSeamClock::AudioWritten(int64_t Start, int64_t Duration)
{
  // A packet that follows on within a millisecond's rounding (Matroska's time base) plays on
  // from where the sound before ends: counted by lengths, the end does not drift with the rounding.
  if (FHasSound && std::llabs(Start - FSoundEnd) < RoundingUs)
    FSoundEnd += Duration;
  else
    FSoundEnd = FHasSound ? std::max(FSoundEnd, Start + Duration) : Start + Duration;
  FHasSound = true;
}

int64_t TSeamClock::EndInput()
{
  const int64_t gap = FNextVideoStart ? *FNextVideoStart - FVideoEnd : -1;
  FContinues = gap >= 0 && gap < FFrame;
  const int64_t next = PictureEnd() + (FContinues ? gap : 0);
  // The next part of a recording may carry the sound of its first frames in this one's last
  // packet; only what its own sound covers is left out.
  FCutoff = FContinues && FNextAudioLead ? next + *FNextAudioLead : SeamLine(next, FNextAudioLead);
  FOutputStart = next;
  FVideoStart = 0;
  FVideoEnd = 0;
  return next;
}
