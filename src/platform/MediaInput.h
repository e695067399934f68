#pragma once

#include "platform/FFmpegPtr.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

// An input file opened for FFmpeg's demuxers. Every FFmpeg reader of the program (the file
// description, the recompressing join's sources, the remux) opens its files here, so that all
// of them read a name the same way and none of them can hang:
// - the name is a local file, never a URL, a device or another of FFmpeg's protocols
//   ("concat:a|b" is the file of that name), and it must be a regular file;
// - opening and probing, and every later read, give up after a time-out;
// - a reader can be stopped from another thread through the flag it was given: a read that
//   waits then ends with AVERROR_EXIT.
class TMediaInput {
public:
  // How long opening and probing, or one later read, may take.
  static constexpr std::chrono::seconds DefaultTimeOut{10};

  // `Stop` (may be null) must outlive the input; setting it interrupts any read.
  explicit TMediaInput(const std::atomic<bool>* Stop = nullptr,
                       std::chrono::steady_clock::duration TimeOut = DefaultTimeOut);
  ~TMediaInput();
  TMediaInput(const TMediaInput&) = delete;
  TMediaInput& operator=(const TMediaInput&) = delete;

  // Opens the file and reads its stream information. Returns 0 or FFmpeg's code (AVERROR_EXIT
  // when stopped or out of time). Raises "NAME is not a regular file" for a FIFO, device or folder.
  // Without `Probe` only the container's header is read, and packets come as the container stores
  // them: enough to copy packets of a container whose header describes every stream and packet
  // (MP4, MOV), at a fraction of the cost.
  int Open(const std::string& FileName, bool Probe = true);
  // The next packet, as av_read_frame does; each read has the whole time-out.
  int ReadFrame(AVPacket* Packet);
  // Whether the last failure came from the stop flag rather than from the file.
  bool Stopped() const;

  AVFormatContext* Context() const { return FContext.get(); }

private:
  struct TInterrupt;
  std::unique_ptr<TInterrupt> FInterrupt;
  // Last, so that it closes while the state its interrupt callback reads still exists.
  TInputFormatPtr FContext;
};

// Whether the stream is a picture track. Cover art travels as a one-picture video stream, and
// FFmpeg reads any text file as ANSI or binary text art; neither is.
bool IsVideoTrack(const AVStream* Stream);
// The index of the file's best stream of the kind (for video, a picture track), or
// AVERROR_STREAM_NOT_FOUND.
int BestStream(AVFormatContext* Context, AVMediaType Type);
