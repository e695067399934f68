#include "dshow/RenderTimeline.h"

#include <algorithm>
#include <cmath>

double TTimeline::GetDuration() const
{
  double duration = 0;
  for (const TTimelineTrack* track : {&VideoTrack, &AudioTrack})
    for (const TTimelineSrc& source : track->Sources)
      duration = std::max(duration, source.Stop);
  return duration;
}

int64_t UnitAt(double Time, double Rate)
{
  // The tolerance keeps 10 s at 25 fps at frame 250 despite rounding in the sums of durations.
  return int64_t(std::ceil(Time * Rate - 1e-6));
}
