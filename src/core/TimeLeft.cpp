#include "core/TimeLeft.h"

#include <algorithm>
#include <cmath>

std::string FormatTimeLeft(int64_t Seconds)
{
  if (Seconds < 60)
    return std::to_string(Seconds) + " seconds remaining";
  if (Seconds < 10800)
    return std::to_string(Seconds / 60) + " minutes remaining";
  return std::to_string(Seconds / 3600) + " hours remaining";
}

void TTimeLeftEstimator::Reset()
{
  FIntervalStarted = false;
  FEstimateTime = 0;
  FEstimateProgress = 0;
}

bool TTimeLeftEstimator::Update(double Progress, double Now)
{
  if (!FShowTimeLeft || !std::isfinite(Progress))
    return false;
  if (!FIntervalStarted) {
    FIntervalStarted = true;
    FEstimateTime = Now;
  }
  if (FEstimateProgress == 0)
    FEstimateProgress = Progress;
  const double elapsed = Now - FEstimateTime;
  if (elapsed <= 3 || FEstimateProgress == Progress)
    return false;
  const double rate = (Progress - FEstimateProgress) / elapsed;
  // Bounded so that a crawling rate cannot overflow the count.
  const double left = std::nearbyint(std::clamp((100 - Progress) / rate, -1e15, 1e15));
  if (left < 0)
    FShowTimeLeft = false;
  FText = FormatTimeLeft(int64_t(left));
  FEstimateTime = Now;
  FEstimateProgress = Progress;
  return true;
}
