#pragma once

#include "dshow/RenderFFmpeg.h"
#include "platform/MediaInput.h"

#include <atomic>
#include <string>

// The best stream of one kind of one file, decoded frame by frame from the file's start.
class TSourceDecoder {
public:
  // `Stop` (may be null) ends a read that waits, see TMediaInput.
  explicit TSourceDecoder(const std::atomic<bool>* Stop = nullptr) : FInput(Stop) {}

  // Returns 0, or FFmpeg's code when the file, its stream of that kind (AVERROR_STREAM_NOT_FOUND)
  // or its decoder cannot be opened.
  int Open(const std::string& FileName, AVMediaType Type);

  // The next frame, with Seconds its media time from the file's start; false at the end.
  // Packets the decoder rejects are skipped and so is a damaged tail the demuxer cannot read;
  // failing reads raise. A stopped read ends the stream.
  bool Next(AVFrame* Frame, double& Seconds);
  // The media time at which the frames given so far end.
  double End() const { return FNextSeconds; }

  const AVCodecContext* Codec() const { return FCodec.get(); }

  // The length the file describes, 0 when it tells none: a time stamp that leaps forward by more
  // than a few seconds past it is damage, and the stream goes on from where it was rather than
  // filling the leap with seconds of repeated pictures or silence.
  double Length = 0;

private:
  bool Feed();

  std::string FFileName;
  TMediaInput FInput;
  TCodecContextPtr FCodec;
  TPacketPtr FPacket;
  AVStream* FStream = nullptr;
  int64_t FStartTime = 0; // in the stream's time base
  double FNextSeconds = 0;
  bool FDraining = false;
};
