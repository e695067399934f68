#pragma once

#include "dshow/RenderFFmpeg.h"
#include "dshow/RenderInterleave.h"
#include "platform/Compressors.h"
#include "platform/OutputContainer.h"

#include <atomic>
#include <string>

enum TRenderGroup { VideoGroup = 0, AudioGroup = 1 };

// The output file, in the container its name asks for (AVI unless it is one of the others), fed
// by one encoder per group: the chosen compressor or, without one, uncompressed RGB24 video and
// 16-bit PCM audio. The two groups encode on their own threads; their packets reach the file in
// time order through an interleaver.
class TRenderOutput {
public:
  // These return 0 or FFmpeg's code, in this order: the container, both streams, the file and
  // its header. The file is not touched before WriteHeader; the streams raise, with the reason,
  // when the container cannot carry the encoder or the encoder refuses the frame size or rate.
  int Open(const std::string& FileName);
  // Video goes to the encoder in its 4:2:0 format, or in 4:4:4 when the sources all have full
  // colour and the encoder takes it.
  int AddVideoStream(int Width, int Height, AVRational FrameRate, const TCompressorFilter* Compressor,
                     bool FullChroma = false);
  int AddAudioStream(const TCompressorFilter* Compressor);
  int WriteHeader();

  AVCodecContext* Encoder(TRenderGroup Group) const { return FEncoders[Group].get(); }
  // Samples per audio frame the encoder takes.
  int AudioFrameSize() const;
  // AVI keeps no start times: each group's time stamps are moved to start at 0, so that an
  // encoder's priming is played rather than skipped. Only after Open.
  bool StartsAtZero() const { return IsAvi(*FContainer); }

  // Encodes one frame of the group and writes what comes out. Raises on failure.
  void Encode(TRenderGroup Group, const AVFrame* Frame);
  // The group has no more frames: drains its encoder, unless the run was aborted, for an encoder
  // that looks ahead may take long to give back what it holds.
  void EndGroup(TRenderGroup Group);
  // The group waits for the other before it encodes again (see TPacketInterleaver::Idle).
  void Idle(TRenderGroup Group, bool Waiting) { FInterleaver.Idle(Group, Waiting); }
  // Video packets written so far.
  int64_t FramesWritten() const { return FFramesWritten; }
  // Lets a write that waits for the other group return; used when the run stops.
  void Abort();
  // Completes the file: what is queued, the muxer's trailer and indexes. Only after a header was
  // written.
  void Finish();

private:
  int AddStream(TRenderGroup Group, TCodecContextPtr Encoder, const TCompressorFilter* Compressor,
                const AVCodec* Codec);
  // Hands on every packet the group's encoder has ready.
  void Receive(TRenderGroup Group);
  void WritePacket(AVPacket* Packet);
  void CheckCarried(bool Audio, const TCompressorFilter* Compressor) const;

  const TOutputContainer* FContainer = nullptr;
  std::string FFileName;
  TOutputFormatPtr FFormat;
  TCodecContextPtr FEncoders[2];
  AVStream* FStreams[2] = {};
  bool FHeaderWritten = false;
  bool FBottomUp = false; // uncompressed RGB24, stored as Windows bitmaps are
  bool FStarted[2] = {};
  int64_t FShift[2] = {};   // added to each group's time stamps, in the encoder's time base
  double FLastTime[2] = {}; // of each group's last packet, in seconds
  std::atomic<bool> FAborted = false;
  std::atomic<int64_t> FFramesWritten = 0;
  TPacketInterleaver FInterleaver{2, [this](AVPacket* Packet) { WritePacket(Packet); }};
};
