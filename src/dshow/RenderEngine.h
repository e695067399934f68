#pragma once

#include "dshow/RenderOutput.h"
#include "dshow/RenderPlaces.h"
#include "dshow/RenderTimeline.h"
#include "dshow/RenderVideo.h"
#include "platform/Compressors.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// WaitForCompletion's answer while the run goes on.
constexpr int32_t E_ABORT = int32_t(0x80004004);

// The output frame rate as the fraction the encoders are given; 0 for a rate too small to carry.
AVRational TimelineFrameRate(double OutputFPS);

// Renders a timeline into an AVI file on worker threads: video decoding and fitting, video
// encoding, and audio each on its own thread, so that they overlap.
class TRenderEngine {
public:
  TRenderEngine() = default;
  ~TRenderEngine();
  TRenderEngine(const TRenderEngine&) = delete;
  TRenderEngine& operator=(const TRenderEngine&) = delete;

  // The timeline must outlive the engine.
  void SetTimelineObject(const TTimeline* Timeline) { FTimeline = Timeline; }
  // These return 0 or FFmpeg's code. The output is AVI whatever the name's extension.
  int32_t SetOutputFileName(const std::string& FileName);
  // One group's stream, through the compressor or uncompressed (null).
  int32_t RenderStream(TRenderGroup Group, const TCompressorFilter* Compressor);
  // Writes the file's header and starts the threads.
  int32_t Run();

  // 0 once the run has ended (completed or failed), E_ABORT when TimeoutMs passed first.
  int32_t WaitForCompletion(int32_t TimeoutMs);
  // The timeline time encoded so far, in 100-ns units.
  int64_t GetPositions() const;
  // Ends the run (at once if it still goes on) and completes the file with what was encoded.
  void Stop();
  // After Stop: raises what made the run fail, if anything did.
  void CheckResult() const;
  // After Stop: the video frames in the file, and a line per input whose sound was mended.
  int64_t FramesWritten() const { return FOutput.FramesWritten(); }
  const std::vector<std::string>& SeamNotes() const { return FSeamNotes; }
  // After Stop: how long each input read, the longer of its picture and sound; -1 for one
  // without pictures, which takes no time.
  const std::vector<double>& InputSeconds() const { return FInputSeconds; }

private:
  void Render();
  void EncodeVideo(TFrameQueue& Frames);
  static void JoinAll(std::vector<std::thread>& Workers);
  void Fail(std::exception_ptr Error);
  template <typename F> std::thread Worker(F Work);

  const TTimeline* FTimeline = nullptr;
  AVRational FFrameRate{0, 1};
  TRenderOutput FOutput;
  std::optional<TSourcePlaces> FPlaces;
  std::vector<std::string> FSeamNotes;
  std::vector<double> FInputSeconds;
  std::thread FRenderer;
  std::atomic<bool> FStopping = false;
  std::atomic<int64_t> FFramesEncoded = 0;

  mutable std::mutex FLock;
  std::condition_variable FEnded;
  bool FDone = false;
  std::exception_ptr FError;
};
