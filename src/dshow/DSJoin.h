#pragma once

#include "dshow/RenderTimeline.h"
#include "platform/Compressors.h"
#include "platform/JoinOutcome.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// How each input picture is fitted to the output frame. The numbering is the engine's own; the
// join dialog lists the methods in another order.
enum TResizeMethod { rmStretch = 0, rmCrop = 1, rmLetterbox = 2, rmNoResize = 3 };

// The progress callback of an engine: Progress is the percentage done (0 to 100, not necessarily
// whole). Cancel is false on entry; set it to stop the join, which then returns normally and keeps
// the output written so far.
using TJoinProgressEvent = std::function<void(void* Sender, double Progress, bool& Cancel)>;

// Joins files of any format FFmpeg decodes by decoding them and encoding one new AVI file: the
// inputs go back to back on a timeline, fitted to one frame size and rate, with 44100 Hz 16-bit
// stereo sound, through the chosen compressors or uncompressed.
class TDSReelwelder {
public:
  TDSReelwelder() = default;
  TDSReelwelder(const TDSReelwelder&) = delete;
  TDSReelwelder& operator=(const TDSReelwelder&) = delete;

  // The whole join; returns normally on completion and on cancel, raises on failure.
  void Execute();

  std::vector<std::string> Files;
  std::string OutputFileName;
  int32_t FrameWidth = 320;
  double FrameRate = 24.0;
  int32_t FrameHeight = 240;
  TResizeMethod ResizeMethod = rmLetterbox;
  TJoinProgressEvent OnProgress;
  TCompressorFilterPtr VideoCompressor; // none: uncompressed RGB24
  TCompressorFilterPtr AudioCompressor; // none: PCM
  TJoinOutcome Outcome;                 // filled as the join goes

private:
  struct TSourceProbe {
    double Duration = 0; // of the video stream; 0 without one or when unknown
    bool HasVideo = false;
    bool HasAudio = false;
  };

  void BuildTimeline();
  TSourceProbe ProbeSource(const std::string& FileName);
  void AddSource(const std::string& FileName);
  void CheckOutputFile();
  void RenderToFile(const std::string& FileName);

  std::unique_ptr<TTimeline> FTimeline;
  TTimelineTrack* FVideoTrack = nullptr;
  TTimelineTrack* FAudioTrack = nullptr;
  double FPosition = 0;
};
