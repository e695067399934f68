#include "dshow/RenderEngine.h"

#include "dshow/RenderAudio.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

namespace {

// Decoded pictures waiting for the encoder: enough to smooth out uneven decoding times.
constexpr size_t FrameQueueLength = 8;

} // namespace

AVRational TimelineFrameRate(double OutputFPS)
{
  // The largest denominator the MPEG-4 family of encoders accepts in a time base.
  return av_d2q(OutputFPS, 65535);
}

TRenderEngine::~TRenderEngine()
{
  Stop();
}

int32_t TRenderEngine::SetOutputFileName(const std::string& FileName)
{
  return FOutput.Open(FileName);
}

int32_t TRenderEngine::RenderStream(TRenderGroup Group, const TCompressorFilter* Compressor)
{
  if (Group == AudioGroup)
    return FOutput.AddAudioStream(Compressor);
  FFrameRate = TimelineFrameRate(FTimeline->OutputFPS);
  return FOutput.AddVideoStream(FTimeline->FrameWidth, FTimeline->FrameHeight, FFrameRate, Compressor,
                                !FTimeline->VideoTrack.Sources.empty() && FTimeline->FullChroma);
}

int32_t TRenderEngine::Run()
{
  const int32_t result = FOutput.WriteHeader();
  if (result < 0)
    return result;
  FPlaces.emplace(FTimeline->VideoTrack.Sources.size());
  // The audio group waits for the video group to find where the pictures end.
  FPlaces->OnWait = [this](bool Waiting) { FOutput.Idle(AudioGroup, Waiting); };
  FRenderer = std::thread([this] { Render(); });
  return result;
}

template <typename F> std::thread TRenderEngine::Worker(F Work)
{
  return std::thread([this, Work] {
    try {
      Work();
    } catch (...) {
      Fail(std::current_exception());
    }
  });
}

void TRenderEngine::Render()
{
  TFrameQueue frames(FrameQueueLength);
  // Outlive the workers, also when one of them cannot start.
  std::optional<TVideoRenderer> video;
  std::optional<TAudioRenderer> audio;
  std::vector<std::thread> workers;
  try {
    video.emplace(*FTimeline, FFrameRate, FOutput.Encoder(VideoGroup)->pix_fmt, frames, *FPlaces, FStopping);
    audio.emplace(*FTimeline, FFrameRate, FOutput, *FPlaces, FStopping);
    workers.push_back(Worker([&] { video->Run(); }));
    workers.push_back(Worker([&] { EncodeVideo(frames); }));
    workers.push_back(Worker([&] { audio->Run(); }));
    JoinAll(workers);
  } catch (...) {
    // Some worker could not start: the others must not wait for it.
    Fail(std::current_exception());
    frames.Close();
    JoinAll(workers);
  }
  try {
    FOutput.Finish();
  } catch (...) {
    Fail(std::current_exception());
  }
  if (audio) {
    FSeamNotes = audio->Notes();
    FInputSeconds = FPlaces->Lengths();
    for (size_t i = 0; i < FInputSeconds.size(); ++i) {
      const auto sound = audio->SoundLengths().find(i);
      FInputSeconds[i] = FInputSeconds[i] <= 0                      ? -1
                         : sound != audio->SoundLengths().end() ? std::max(FInputSeconds[i], sound->second)
                                                                : FInputSeconds[i];
    }
  }
  std::lock_guard guard(FLock);
  FDone = true;
  FEnded.notify_all();
}

void TRenderEngine::JoinAll(std::vector<std::thread>& Workers)
{
  for (std::thread& worker : Workers)
    if (worker.joinable())
      worker.join();
}

void TRenderEngine::EncodeVideo(TFrameQueue& Frames)
{
  TQueueCloser<TFramePtr> closer{Frames}; // the producer may wait for room
  TFramePtr frame;
  while (Frames.Pop(frame) && !FStopping) {
    frame->pts = FFramesEncoded;
    FOutput.Encode(VideoGroup, frame.get());
    ++FFramesEncoded;
  }
  FOutput.EndGroup(VideoGroup);
}

void TRenderEngine::Fail(std::exception_ptr Error)
{
  {
    std::lock_guard guard(FLock);
    if (!FError)
      FError = Error;
  }
  FStopping = true;
  FOutput.Abort();
  FPlaces->Abort();
}

int32_t TRenderEngine::WaitForCompletion(int32_t TimeoutMs)
{
  std::unique_lock lock(FLock);
  return FEnded.wait_for(lock, std::chrono::milliseconds(TimeoutMs), [&] { return FDone; }) ? 0 : E_ABORT;
}

int64_t TRenderEngine::GetPositions() const
{
  if (FFrameRate.num <= 0)
    return 0;
  return av_rescale(FFramesEncoded, int64_t(10'000'000) * FFrameRate.den, FFrameRate.num);
}

void TRenderEngine::Stop()
{
  if (!FRenderer.joinable())
    return;
  FStopping = true;
  FOutput.Abort();
  FPlaces->Abort();
  FRenderer.join();
}

void TRenderEngine::CheckResult() const
{
  std::lock_guard guard(FLock);
  if (FError)
    std::rethrow_exception(FError);
}
