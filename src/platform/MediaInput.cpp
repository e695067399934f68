#include "platform/MediaInput.h"

#include "platform/FileIO.h"

#include <vector>

struct TMediaInput::TInterrupt {
  const std::atomic<bool>* Stop;
  std::chrono::steady_clock::duration TimeOut;
  std::chrono::steady_clock::time_point Deadline;

  bool Stopped() const { return Stop != nullptr && Stop->load(); }
  void Arm() { Deadline = std::chrono::steady_clock::now() + TimeOut; }

  static int Check(void* opaque)
  {
    const TInterrupt* self = static_cast<const TInterrupt*>(opaque);
    return self->Stopped() || std::chrono::steady_clock::now() > self->Deadline ? 1 : 0;
  }
};

namespace {

// Probing decodes a few frames of each stream; one decoding thread gives them soonest, where
// frame threads would first fill their pipeline.
int FindStreamInfo(AVFormatContext* Context)
{
  std::vector<AVDictionary*> options(Context->nb_streams, nullptr);
  for (AVDictionary*& streamOptions : options)
    av_dict_set(&streamOptions, "threads", "1", 0);
  const int result = avformat_find_stream_info(Context, options.data());
  for (AVDictionary*& streamOptions : options)
    av_dict_free(&streamOptions);
  return result;
}

} // namespace

TMediaInput::TMediaInput(const std::atomic<bool>* Stop, std::chrono::steady_clock::duration TimeOut)
    : FInterrupt(new TInterrupt{Stop, TimeOut, {}})
{
}

TMediaInput::~TMediaInput() = default;

int TMediaInput::Open(const std::string& FileName, bool Probe)
{
  FContext.reset();
  // Opening a FIFO would wait for a writer, beyond the reach of any interrupt.
  CheckRegularFile(FileName);
  FInterrupt->Arm();
  AVFormatContext* context = avformat_alloc_context();
  if (context == nullptr)
    return AVERROR(ENOMEM);
  context->interrupt_callback = {&TInterrupt::Check, FInterrupt.get()};
  // A copy takes each packet as the container stores it, without FFmpeg's parsers and guesses:
  // they cost an allocation or two per packet and change nothing the copy keeps.
  if (!Probe)
    context->flags |= AVFMT_FLAG_NOPARSE | AVFMT_FLAG_NOFILLIN;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  int result = avformat_open_input(&context, ("file:" + FileName).c_str(), nullptr, &options);
  av_dict_free(&options);
  if (result < 0)
    return result; // FFmpeg freed the context
  TInputFormatPtr holder(context);
  if (Probe && (result = FindStreamInfo(context)) < 0)
    return result;
  // Probing stops reading when interrupted but still reports success.
  if (TInterrupt::Check(FInterrupt.get()))
    return AVERROR_EXIT;
  FContext = std::move(holder);
  return 0;
}

int TMediaInput::ReadFrame(AVPacket* Packet)
{
  FInterrupt->Arm();
  return av_read_frame(FContext.get(), Packet);
}

bool TMediaInput::Stopped() const
{
  return FInterrupt->Stopped();
}

bool IsVideoTrack(const AVStream* Stream)
{
  switch (Stream->codecpar->codec_id) {
  case AV_CODEC_ID_ANSI:
  case AV_CODEC_ID_BINTEXT:
  case AV_CODEC_ID_XBIN:
  case AV_CODEC_ID_IDF:
    return false;
  default:
    return Stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(Stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
  }
}

int BestStream(AVFormatContext* Context, AVMediaType Type)
{
  const auto fits = [&](int Index) {
    const AVStream* stream = Context->streams[Index];
    return Type == AVMEDIA_TYPE_VIDEO ? IsVideoTrack(stream) : stream->codecpar->codec_type == Type;
  };
  const int best = av_find_best_stream(Context, Type, -1, -1, nullptr, 0);
  if (best >= 0 && fits(best))
    return best;
  for (unsigned i = 0; i < Context->nb_streams; ++i)
    if (fits(int(i)))
      return int(i);
  return AVERROR_STREAM_NOT_FOUND;
}
