#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// Where each video source of the timeline really lies in the output, in output frames. The
// timeline's times are the detector's estimates; the video group finds each source's true
// length by decoding it to its end and places the next one right after it. The audio group,
// running beside it, waits here for what it needs: where a source's picture starts, and how far
// it reaches.
class TSourcePlaces {
public:
  explicit TSourcePlaces(size_t Sources) : FStart(Sources + 1, -1), FSeconds(Sources, 0) {}

  // The video group, source by source in order, and once more after the last one; before the
  // next one begins, the length of a source's pictures in its own time.
  void Begin(size_t Source, int64_t Frame);
  void Length(size_t Source, double Seconds);
  void Reach(int64_t Frame); // frames given so far
  void Abort();              // every wait returns at once
  std::vector<double> Lengths(); // of every source, 0 where none is known

  // Called with true just before the audio group starts to wait, and with false when it goes on.
  std::function<void(bool Waiting)> OnWait;

  struct TReach {
    int64_t Frame;  // how far the source's picture reaches so far, or where it ends
    bool Ended;     // the picture ends there (or the run was aborted)
    double Seconds; // once ended: the length of the source's pictures in its own time
  };
  // Where the source's picture starts; -1 when aborted. Index `Sources` is the output's end.
  int64_t Start(size_t Source);
  // Waits until the source's picture reaches beyond `Frame` or has ended.
  TReach Reach(size_t Source, int64_t Frame);

private:
  template <typename P> void Wait(std::unique_lock<std::mutex>& Lock, P Known);

  std::mutex FLock;
  std::condition_variable FChanged;
  std::vector<int64_t> FStart; // -1 until known
  std::vector<double> FSeconds;
  size_t FBegun = 0; // sources begun so far
  int64_t FFrames = 0;
  bool FAborted = false;
};
