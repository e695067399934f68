#pragma once

#include <cstdint>
#include <string>

// "N seconds remaining", "N minutes remaining" or "N hours remaining" for N seconds left.
std::string FormatTimeLeft(int64_t Seconds);

// Estimates the time left of a job from the speed of its recent progress: each estimate uses
// only the progress made since the previous one, over an interval of more than 3 seconds.
class TTimeLeftEstimator {
public:
  // Starts afresh, except that an estimate turned off stays off.
  void Reset();
  // Progress in percent at the moment Now (seconds on a monotonic clock). True when Text changed.
  bool Update(double Progress, double Now);

  bool ShowTimeLeft() const { return FShowTimeLeft; }
  void SetShowTimeLeft(bool Value) { FShowTimeLeft = Value; }
  const std::string& Text() const { return FText; }

private:
  bool FShowTimeLeft = true;
  bool FIntervalStarted = false;
  double FEstimateTime = 0;
  double FEstimateProgress = 0; // 0 = not yet
  std::string FText;
};
