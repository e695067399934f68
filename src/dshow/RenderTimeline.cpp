#include "dshow/RenderTimeline.h"

#include <algorithm>

double TTimeline::GetDuration() const
{
  double duration = 0;
  for (const TTimelineTrack* track : {&VideoTrack, &AudioTrack})
    for (const TTimelineSrc& source : track->Sources)
      duration = std::max(duration, source.Stop);
  return duration;
}
