#include "dshow/RenderOutput.h"

#include "dshow/RenderScale.h"
#include "dshow/RenderTimeline.h"
#include "platform/Exceptions.h"
#include "platform/LogCapture.h"
#include "platform/MediaOutput.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>

namespace {

// How far, in seconds, one group may write ahead of the other.
constexpr double InterleaveWindow = 1.0;
// Chunk length for audio encoders that take any number of samples.
constexpr int FreeAudioFrameSize = 2048;

const AVCodec* FindEncoder(const TCompressorFilter* Compressor, AVCodecID Uncompressed, AVMediaType Type)
{
  const AVCodec* codec = Compressor != nullptr ? avcodec_find_encoder_by_name(Compressor->EncoderName.c_str())
                                               : avcodec_find_encoder(Uncompressed);
  return codec != nullptr && codec->type == Type ? codec : nullptr;
}

AVSampleFormat ChooseSampleFormat(const AVCodec* Codec)
{
  if (Codec->sample_fmts == nullptr)
    return AV_SAMPLE_FMT_S16;
  for (const AVSampleFormat* format = Codec->sample_fmts; *format != AV_SAMPLE_FMT_NONE; ++format)
    if (*format == AV_SAMPLE_FMT_S16)
      return AV_SAMPLE_FMT_S16;
  return Codec->sample_fmts[0];
}

bool Takes(const AVCodec* Codec, AVPixelFormat Format)
{
  for (const AVPixelFormat* format = Codec->pix_fmts; *format != AV_PIX_FMT_NONE; ++format)
    if (*format == Format)
      return true;
  return false;
}

// A frame side the encoder's pixel format cannot hold: 4:2:0 needs even widths and heights.
void CheckFrameSide(const AVCodec* Codec, const char* Side, int Size, int Log2Step)
{
  const int step = 1 << Log2Step;
  if (Size % step == 0)
    return;
  const std::string must = step == 2 ? "even" : "a multiple of " + std::to_string(step);
  throw Exception(std::string(Codec->name) + " cannot encode a frame " + Side + " of " + std::to_string(Size) +
                  ": it must be " + must);
}

// Tags the pictures as the scaler makes them: the HD matrix and primaries from 720 lines up, the
// SD matrix below; limited range for YUV.
void SetColour(AVCodecContext* Encoder)
{
  const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(Encoder->pix_fmt);
  if (descriptor == nullptr || (descriptor->flags & AV_PIX_FMT_FLAG_RGB))
    return;
  Encoder->colorspace = OutputColourMatrix(Encoder->height);
  Encoder->color_range = AVCOL_RANGE_MPEG;
  if (Encoder->colorspace == AVCOL_SPC_BT709) {
    Encoder->color_primaries = AVCOL_PRI_BT709;
    Encoder->color_trc = AVCOL_TRC_BT709;
  }
}

} // namespace

int TRenderOutput::Open(const std::string& FileName)
{
  FContainer = &ContainerOfFile(FileName);
  FFileName = FileName;
  AVFormatContext* format = nullptr;
  // The container the name asks for; AVI for any name that asks for none this engine writes.
  const int result = avformat_alloc_output_context2(
      &format, av_guess_format(FContainer->Muxer.c_str(), nullptr, nullptr), nullptr, FileName.c_str());
  if (result < 0)
    return result;
  FFormat.reset(format);
  return 0;
}

int TRenderOutput::AddVideoStream(int Width, int Height, AVRational FrameRate, const TCompressorFilter* Compressor,
                                  bool FullChroma)
{
  CheckCarried(false, Compressor);
  const AVCodec* codec = FindEncoder(Compressor, AV_CODEC_ID_RAWVIDEO, AVMEDIA_TYPE_VIDEO);
  if (codec == nullptr)
    return AVERROR_ENCODER_NOT_FOUND;
  TCodecContextPtr encoder(avcodec_alloc_context3(codec));
  if (!encoder)
    return AVERROR(ENOMEM);
  encoder->width = Width;
  encoder->height = Height;
  encoder->framerate = FrameRate;
  encoder->time_base = av_inv_q(FrameRate);
  encoder->sample_aspect_ratio = {1, 1};
  // Uncompressed frames are the RGB24 of AVI: blue first, bottom row first. An encoder gets what
  // it takes that looks most like the usual 4:2:0 sources.
  FBottomUp = Compressor == nullptr && IsAvi(*FContainer);
  encoder->pix_fmt = Compressor == nullptr || codec->pix_fmts == nullptr ? AV_PIX_FMT_BGR24
                     : FullChroma && Takes(codec, AV_PIX_FMT_YUV444P)
                         ? AV_PIX_FMT_YUV444P
                         : avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_YUV420P, 0, nullptr);
  if (const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(encoder->pix_fmt)) {
    CheckFrameSide(codec, "width", Width, descriptor->log2_chroma_w);
    CheckFrameSide(codec, "height", Height, descriptor->log2_chroma_h);
  }
  SetColour(encoder.get());
  return AddStream(VideoGroup, std::move(encoder), Compressor, codec);
}

int TRenderOutput::AddAudioStream(const TCompressorFilter* Compressor)
{
  CheckCarried(true, Compressor);
  const AVCodec* codec = FindEncoder(Compressor, AV_CODEC_ID_PCM_S16LE, AVMEDIA_TYPE_AUDIO);
  if (codec == nullptr)
    return AVERROR_ENCODER_NOT_FOUND;
  TCodecContextPtr encoder(avcodec_alloc_context3(codec));
  if (!encoder)
    return AVERROR(ENOMEM);
  encoder->sample_rate = JoinSampleRate(codec);
  encoder->time_base = {1, encoder->sample_rate};
  encoder->sample_fmt = ChooseSampleFormat(codec);
  const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  int result = av_channel_layout_copy(&encoder->ch_layout, &stereo);
  if (result < 0)
    return result;
  return AddStream(AudioGroup, std::move(encoder), Compressor, codec);
}

int TRenderOutput::AddStream(TRenderGroup Group, TCodecContextPtr Encoder, const TCompressorFilter* Compressor,
                             const AVCodec* Codec)
{
  Encoder->thread_count = 0; // as many as the machine has
  Encoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  if (FFormat->oformat->flags & AVFMT_GLOBALHEADER)
    Encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* options = nullptr;
  if (Compressor != nullptr)
    for (const auto& [name, value] : Compressor->Options)
      av_dict_set(&options, name.c_str(), value.c_str(), 0);
  std::unique_ptr<AVDictionary*, void (*)(AVDictionary**)> optionsOwner(&options, av_dict_free);
  TLogCapture log;
  int result = avcodec_open2(Encoder.get(), Codec, &options);
  if (result < 0 && !log.LastError().empty())
    throw Exception(std::string(Codec->name) + " cannot encode this output: " + log.LastError());
  if (result < 0)
    return result;
  // A setting the encoder does not know would otherwise be dropped without a word.
  if (av_dict_count(options) > 0)
    throw Exception(std::string(Codec->name) + " has no setting named " +
                    av_dict_get(options, "", nullptr, AV_DICT_IGNORE_SUFFIX)->key);
  AVStream* stream = avformat_new_stream(FFormat.get(), nullptr);
  if (stream == nullptr)
    return AVERROR(ENOMEM);
  if ((result = avcodec_parameters_from_context(stream->codecpar, Encoder.get())) < 0)
    return result;
  stream->time_base = Encoder->time_base;
  FStreams[Group] = stream;
  FEncoders[Group] = std::move(Encoder);
  return 0;
}

void TRenderOutput::CheckCarried(bool Audio, const TCompressorFilter* Compressor) const
{
  const std::string problem = CarryProblem(*FContainer, Audio, Compressor != nullptr ? Compressor->EncoderName : "");
  if (!problem.empty())
    throw Exception(problem);
}

int TRenderOutput::WriteHeader()
{
  int result = OpenMediaOutput(&FFormat->pb, FFileName);
  if (result < 0)
    return result;
  AVDictionary* options = nullptr;
  std::unique_ptr<AVDictionary*, void (*)(AVDictionary**)> optionsOwner(&options, av_dict_free);
  if (FBottomUp)
    av_dict_set(&options, "flipped_raw_rgb", "1", 0);
  // The index first, so that players start and seek before the whole file has arrived.
  if (FContainer->Muxer == "mp4" || FContainer->Muxer == "mov")
    av_dict_set(&options, "movflags", "+faststart", 0);
  result = avformat_write_header(FFormat.get(), &options);
  FHeaderWritten = result >= 0;
  return result;
}

int TRenderOutput::AudioFrameSize() const
{
  const AVCodecContext* encoder = FEncoders[AudioGroup].get();
  if (encoder->frame_size > 0 && !(encoder->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE))
    return encoder->frame_size;
  return FreeAudioFrameSize;
}

void TRenderOutput::Encode(TRenderGroup Group, const AVFrame* Frame)
{
  AVCodecContext* encoder = FEncoders[Group].get();
  const bool fixedQuality = (encoder->flags & AV_CODEC_FLAG_QSCALE) != 0;
  TFramePtr own;
  if (Group == VideoGroup && Frame != nullptr && (FBottomUp || fixedQuality)) {
    own.reset(av_frame_clone(Frame));
    if (!own)
      throw std::bad_alloc();
    if (FBottomUp) {
      // The same picture seen from its last row up: the encoder copies it out bottom-up.
      own->data[0] += ptrdiff_t(own->height - 1) * own->linesize[0];
      own->linesize[0] = -own->linesize[0];
    }
    // A fixed quantiser ("flags=+qscale" with "global_quality") is read from each picture.
    if (fixedQuality)
      own->quality = encoder->global_quality;
    Frame = own.get();
  }
  CheckAVError(avcodec_send_frame(encoder, Frame));
  Receive(Group);
}

void TRenderOutput::EndGroup(TRenderGroup Group)
{
  if (!FAborted) {
    CheckAVError(avcodec_send_frame(FEncoders[Group].get(), nullptr));
    Receive(Group);
  }
  FInterleaver.End(Group);
}

void TRenderOutput::Receive(TRenderGroup Group)
{
  AVCodecContext* encoder = FEncoders[Group].get();
  for (;;) {
    TPacketPtr packet = NewPacket();
    const int result = avcodec_receive_packet(encoder, packet.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
      break;
    CheckAVError(result);
    // An encoder's priming (MP3) or reordering delay (B-frames) would make the AVI muxer shift
    // every stream and pad the video with empty frames. The other containers keep the delays and
    // so the sound in step with the picture.
    if (!FStarted[Group] && StartsAtZero()) {
      FStarted[Group] = true;
      FShift[Group] = packet->dts != AV_NOPTS_VALUE && packet->dts < 0 ? -packet->dts : 0;
    }
    if (packet->dts != AV_NOPTS_VALUE)
      packet->dts += FShift[Group];
    if (packet->pts != AV_NOPTS_VALUE)
      packet->pts += FShift[Group];
    // Each picture lasts one tick of the output rate; containers with edit lists would otherwise
    // end the presentation at the last picture's start, without it.
    if (Group == VideoGroup && packet->duration == 0)
      packet->duration = 1;
    av_packet_rescale_ts(packet.get(), encoder->time_base, FStreams[Group]->time_base);
    packet->stream_index = FStreams[Group]->index;
    // A packet without a time follows the one before it.
    if (packet->dts != AV_NOPTS_VALUE)
      FLastTime[Group] = double(packet->dts) * av_q2d(FStreams[Group]->time_base);
    FInterleaver.Push(Group, std::move(packet), FLastTime[Group]);
  }
}

void TRenderOutput::WritePacket(AVPacket* Packet)
{
  const bool video = Packet->stream_index == FStreams[VideoGroup]->index;
  CheckAVError(av_interleaved_write_frame(FFormat.get(), Packet), FFileName);
  if (video)
    ++FFramesWritten;
}

void TRenderOutput::Abort()
{
  FAborted = true;
  FInterleaver.Abort();
}

void TRenderOutput::Finish()
{
  if (!FHeaderWritten)
    return;
  FHeaderWritten = false;
  FInterleaver.Flush();
  CheckAVError(av_write_trailer(FFormat.get()), FFileName);
  CheckAVError(avio_closep(&FFormat->pb), FFileName);
}
