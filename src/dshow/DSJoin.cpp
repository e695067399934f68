#include "dshow/DSJoin.h"

#include "dshow/DSErrors.h"
#include "dshow/DSMediaStreams.h"
#include "dshow/RenderEngine.h"
#include "dshow/RenderSource.h"
#include "platform/Exceptions.h"
#include "platform/FileIO.h"
#include "platform/MediaDet.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// How long one wait for the end of the run lasts between two progress reports.
constexpr int32_t ProgressInterval = 300;
// Beyond these the frame buffers would not fit in memory.
constexpr int32_t MaxFrameSide = 8192;
constexpr double MaxFrameRate = 1000;
// Below this an input's rate shows as 0.00 in the file list.
constexpr double MinFrameRate = 0.005;

// Pictures whose colour is stored for every pixel, as 4:4:4 YUV and RGB store it.
bool HasFullChroma(AVPixelFormat Format)
{
  const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(Format);
  return descriptor != nullptr && descriptor->nb_components >= 3 && descriptor->log2_chroma_w == 0 &&
         descriptor->log2_chroma_h == 0;
}

} // namespace

void TDSReelwelder::Execute()
{
  BuildTimeline();
  RenderToFile(OutputFileName);
  FVideoTrack = nullptr;
  FAudioTrack = nullptr;
  FTimeline.reset();
}

void TDSReelwelder::BuildTimeline()
{
  // Nonsense sizes and rates would otherwise fail deep in the encoder, or never end.
  if (FrameWidth < 1 || FrameHeight < 1 || FrameWidth > MaxFrameSide || FrameHeight > MaxFrameSide)
    throw Exception("Invalid frame size: " + std::to_string(FrameWidth) + " x " + std::to_string(FrameHeight));
  if (!(FrameRate > 0 && FrameRate <= MaxFrameRate) || TimelineFrameRate(FrameRate).num <= 0)
    throw Exception("Invalid frame rate: " + std::to_string(FrameRate));
  FTimeline = std::make_unique<TTimeline>();
  FTimeline->FrameWidth = FrameWidth;
  FTimeline->FrameHeight = FrameHeight;
  FTimeline->OutputFPS = FrameRate;
  FVideoTrack = &FTimeline->VideoTrack;
  FAudioTrack = &FTimeline->AudioTrack;
  FPosition = 0;
  for (const std::string& file : Files)
    AddSource(file);
}

TDSReelwelder::TSourceProbe TDSReelwelder::ProbeSource(const std::string& FileName)
{
  TSourceProbe probe;
  TMediaDet detector;
  ForEachMediaStream(detector, FileName, [&](double Length) {
    TMajorType type = TMajorType::Unknown;
    CheckDSError(detector.get_StreamTypeB(type));
    if (type == TMajorType::Video) {
      probe.HasVideo = true;
      probe.Duration = std::isfinite(Length) && Length > 0 ? Length : 0;
      // A picture of next to no frames per second has a damaged time scale: its time stamps
      // would stretch each frame over minutes.
      double rate = 0;
      CheckDSError(detector.get_FrameRate(rate));
      if (probe.Duration > 0 && !(rate >= MinFrameRate)) {
        char shown[32];
        std::snprintf(shown, sizeof shown, "%.2f", std::isfinite(rate) ? rate : 0.0);
        throw Exception("Unable to join " + FileName + ": its picture has no usable frame rate (" + shown +
                        " frames per second)");
      }
    } else if (type == TMajorType::Audio)
      probe.HasAudio = true;
  });
  return probe;
}

void TDSReelwelder::AddSource(const std::string& FileName)
{
  const TSourceProbe probe = ProbeSource(FileName);
  const double duration = probe.Duration;
  // Found out now, before the output is touched, rather than halfway through the join.
  if (probe.HasVideo) {
    TSourceDecoder video;
    CheckAVError(video.Open(FileName, AVMEDIA_TYPE_VIDEO), FileName);
    FTimeline->FullChroma = FTimeline->FullChroma && HasFullChroma(video.Codec()->pix_fmt);
    if (probe.HasAudio)
      CheckAVError(TSourceDecoder().Open(FileName, AVMEDIA_TYPE_AUDIO), FileName);
  }
  TTimelineSrc source;
  source.MediaName = FileName;
  source.Start = FPosition;
  source.Stop = FPosition + duration;
  source.MediaStart = 0; // from the file's start, to the end of its pictures
  source.Clip = FVideoTrack->Sources.size();
  switch (ResizeMethod) {
  case rmStretch:
    source.StretchMode = RESIZEF_STRETCH;
    break;
  case rmCrop:
    source.StretchMode = RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX;
    break;
  case rmLetterbox:
    source.StretchMode = RESIZEF_PRESERVEASPECTRATIO;
    break;
  case rmNoResize:
    source.StretchMode = RESIZEF_CROP;
    break;
  }
  FVideoTrack->SrcAdd(source);
  if (probe.HasAudio) {
    source.StretchMode = RESIZEF_STRETCH;
    FAudioTrack->SrcAdd(source);
  }
  FPosition += duration;
}

void TDSReelwelder::CheckOutputFile()
{
  TFile::Create(OutputFileName).Close();
}

void TDSReelwelder::RenderToFile(const std::string& FileName)
{
  TRenderEngine engine;
  engine.SetTimelineObject(FTimeline.get());
  CheckDSError(engine.SetOutputFileName(FileName));
  // The encoders open first: a frame size, rate, setting or container they refuse leaves an
  // existing output as it was.
  CheckDSError(engine.RenderStream(VideoGroup, VideoCompressor.get()));
  CheckDSError(engine.RenderStream(AudioGroup, AudioCompressor.get()));
  CheckOutputFile();
  CheckDSError(engine.Run());
  const int64_t total = std::llround(FTimeline->GetDuration() * 1e7);
  while (engine.WaitForCompletion(ProgressInterval) == E_ABORT) {
    if (!OnProgress)
      continue;
    bool cancel = false;
    // A timeline without length has no meaningful share done; it ends at once anyway. The last
    // frame may end a little after the timeline does, which is still 100 percent.
    const double progress = total > 0 ? std::min(100.0, double(engine.GetPositions() * 100) / double(total)) : 0;
    OnProgress(this, progress, cancel);
    if (cancel) {
      Outcome.Cancelled = true;
      break;
    }
  }
  engine.Stop();
  Outcome.FramesWritten = engine.FramesWritten();
  Outcome.SecondsWritten = double(Outcome.FramesWritten) / FrameRate;
  Outcome.SeamNotes = engine.SeamNotes();
  if (!Outcome.Cancelled)
    Outcome.InputSeconds = engine.InputSeconds();
  // A run that failed is a failure, not a completed join.
  engine.CheckResult();
  // Reports come every poll; a finished join shows all of it done.
  if (OnProgress && !Outcome.Cancelled) {
    bool ignored = false;
    OnProgress(this, 100, ignored);
  }
}
