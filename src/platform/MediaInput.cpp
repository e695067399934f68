#include "platform/MediaInput.h"

#include "platform/FileIO.h"

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

TMediaInput::TMediaInput(const std::atomic<bool>* Stop, std::chrono::steady_clock::duration TimeOut)
    : FInterrupt(new TInterrupt{Stop, TimeOut, {}})
{
}

TMediaInput::~TMediaInput() = default;

int TMediaInput::Open(const std::string& FileName)
{
  FContext.reset();
  // Opening a FIFO would wait for a writer, beyond the reach of any interrupt.
  CheckRegularFile(FileName);
  FInterrupt->Arm();
  AVFormatContext* context = avformat_alloc_context();
  if (context == nullptr)
    return AVERROR(ENOMEM);
  context->interrupt_callback = {&TInterrupt::Check, FInterrupt.get()};
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  int result = avformat_open_input(&context, ("file:" + FileName).c_str(), nullptr, &options);
  av_dict_free(&options);
  if (result < 0)
    return result; // FFmpeg freed the context
  TInputFormatPtr holder(context);
  if ((result = avformat_find_stream_info(context, nullptr)) < 0)
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
