#include "platform/MediaDet.h"

#include "platform/MediaInput.h"
#include "platform/StreamFacts.h"

#include <algorithm>

namespace {

constexpr size_t VideoInfoHeaderSize = 88; // VIDEOINFOHEADER with its BITMAPINFOHEADER
constexpr size_t WaveFormatExSize = 18;

void PutLE16(std::vector<uint8_t>& block, size_t offset, uint32_t value)
{
  block[offset] = uint8_t(value);
  block[offset + 1] = uint8_t(value >> 8);
}

void PutLE32(std::vector<uint8_t>& block, size_t offset, uint32_t value)
{
  PutLE16(block, offset, value & 0xFFFF);
  PutLE16(block, offset + 2, value >> 16);
}

void PutLE64(std::vector<uint8_t>& block, size_t offset, uint64_t value)
{
  PutLE32(block, offset, uint32_t(value));
  PutLE32(block, offset + 4, uint32_t(value >> 32));
}

TMajorType MajorTypeOf(const AVStream* stream)
{
  if (IsVideoTrack(stream))
    return TMajorType::Video;
  if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
    return TMajorType::Audio;
  return TMajorType::Unknown;
}

// The RIFF code of the stream: the container's own tag when it is a RIFF tag of this codec (AVI
// and ASF store them), else the code FFmpeg's RIFF table gives the codec.
uint32_t RiffTag(const AVStream* stream)
{
  const AVCodecTag* const tables[] = {stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO
                                          ? avformat_get_riff_video_tags()
                                          : avformat_get_riff_audio_tags(),
                                      nullptr};
  const uint32_t own = stream->codecpar->codec_tag;
  if (own != 0 && av_codec_get_id(tables, own) == stream->codecpar->codec_id)
    return own;
  unsigned int tag = 0;
  return av_codec_get_tag2(tables, stream->codecpar->codec_id, &tag) ? tag : own;
}

double FrameRateOf(const AVStream* stream)
{
  if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0)
    return av_q2d(stream->avg_frame_rate);
  if (stream->r_frame_rate.num > 0 && stream->r_frame_rate.den > 0)
    return av_q2d(stream->r_frame_rate);
  return 0;
}

std::vector<uint8_t> VideoInfoHeader(const AVStream* stream)
{
  const AVCodecParameters* par = stream->codecpar;
  std::vector<uint8_t> block(VideoInfoHeaderSize, 0);
  const double rate = FrameRateOf(stream);
  PutLE32(block, 32, uint32_t(std::clamp<int64_t>(par->bit_rate, 0, UINT32_MAX))); // dwBitRate
  PutLE64(block, 40, rate > 0 ? uint64_t(1e7 / rate + 0.5) : 0);                   // AvgTimePerFrame, 100 ns
  PutLE32(block, 48, 40);                                                          // biSize
  PutLE32(block, 52, uint32_t(par->width));                                        // biWidth
  PutLE32(block, 56, uint32_t(par->height));                                       // biHeight
  PutLE16(block, 60, 1);                                                           // biPlanes
  PutLE16(block, 62, uint32_t(par->bits_per_coded_sample > 0 ? par->bits_per_coded_sample : 24)); // biBitCount
  PutLE32(block, 64, RiffTag(stream));                                                            // biCompression
  return block;
}

std::vector<uint8_t> WaveFormatEx(const AVStream* stream)
{
  const AVCodecParameters* par = stream->codecpar;
  std::vector<uint8_t> block(WaveFormatExSize, 0);
  const int bits = par->bits_per_coded_sample > 0 ? par->bits_per_coded_sample : av_get_bits_per_sample(par->codec_id);
  PutLE16(block, 0, RiffTag(stream));                                                 // wFormatTag
  PutLE16(block, 2, uint32_t(std::max(par->ch_layout.nb_channels, 0)));               // nChannels
  PutLE32(block, 4, uint32_t(std::max(par->sample_rate, 0)));                         // nSamplesPerSec
  PutLE32(block, 8, uint32_t(std::clamp<int64_t>(par->bit_rate / 8, 0, UINT32_MAX))); // nAvgBytesPerSec
  PutLE16(block, 12, uint32_t(std::max(par->block_align, 0)));                        // nBlockAlign
  PutLE16(block, 14, uint32_t(std::max(bits, 0)));                                    // wBitsPerSample
  return block;
}

} // namespace

struct TMediaDet::TState {
  int32_t CurrentStream = 0;
  std::string FileName;
  std::unique_ptr<TMediaInput> Input; // only once it has a playable stream

  AVFormatContext* Context() const { return Input ? Input->Context() : nullptr; }

  const AVStream* Current() const
  {
    if (!Input || CurrentStream < 0 || unsigned(CurrentStream) >= Context()->nb_streams)
      return nullptr;
    return Context()->streams[CurrentStream];
  }
};

TMediaDet::TMediaDet() : FState(std::make_unique<TState>()) {}

TMediaDet::~TMediaDet() = default;

int32_t TMediaDet::put_Filename(const std::string& FileName)
{
  FState->Input.reset();
  FState->CurrentStream = 0;
  auto input = std::make_unique<TMediaInput>();
  const int result = input->Open(FileName);
  if (result < 0)
    return result;
  AVFormatContext* context = input->Context();
  bool playable = false;
  for (unsigned i = 0; i < context->nb_streams; ++i)
    playable = playable || MajorTypeOf(context->streams[i]) != TMajorType::Unknown;
  if (!playable)
    return AVERROR_STREAM_NOT_FOUND;
  FState->Input = std::move(input);
  FState->FileName = FileName;
  return 0;
}

int32_t TMediaDet::get_OutputStreams(int32_t& Count)
{
  if (!FState->Input)
    return AVERROR(EINVAL);
  Count = int32_t(FState->Context()->nb_streams);
  return 0;
}

int32_t TMediaDet::put_CurrentStream(int32_t Index)
{
  if (!FState->Input || Index < 0 || unsigned(Index) >= FState->Context()->nb_streams)
    return AVERROR(EINVAL);
  FState->CurrentStream = Index;
  return 0;
}

int32_t TMediaDet::get_StreamLength(double& Seconds)
{
  const AVStream* stream = FState->Current();
  if (stream == nullptr)
    return AVERROR(EINVAL);
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
    Seconds = double(stream->duration) * av_q2d(stream->time_base);
  else if (FState->Context()->duration != AV_NOPTS_VALUE && FState->Context()->duration > 0)
    Seconds = double(FState->Context()->duration) / AV_TIME_BASE;
  else
    Seconds = 0;
  return 0;
}

int32_t TMediaDet::get_StreamMediaType(TMediaType& MediaType)
{
  const AVStream* stream = FState->Current();
  if (stream == nullptr)
    return AVERROR(EINVAL);
  MediaType.MajorType = MajorTypeOf(stream);
  switch (MediaType.MajorType) {
  case TMajorType::Video:
    MediaType.Format = VideoInfoHeader(stream);
    break;
  case TMajorType::Audio:
    MediaType.Format = WaveFormatEx(stream);
    break;
  case TMajorType::Unknown:
    MediaType.Format.clear();
    break;
  }
  return 0;
}

int32_t TMediaDet::get_StreamTypeB(TMajorType& MajorType)
{
  const AVStream* stream = FState->Current();
  if (stream == nullptr)
    return AVERROR(EINVAL);
  MajorType = MajorTypeOf(stream);
  return 0;
}

int32_t TMediaDet::get_FrameRate(double& FramesPerSecond)
{
  const AVStream* stream = FState->Current();
  if (stream == nullptr)
    return AVERROR(EINVAL);
  FramesPerSecond = IsVideoTrack(stream) ? FrameRateOf(stream) : 0;
  return 0;
}

int32_t TMediaDet::get_CopyFormat(TCopyFormat& Format)
{
  if (FState->Context() == nullptr)
    return AVERROR(EINVAL);
  Format = CopyFormatOf(FState->Context(), FState->FileName);
  return 0;
}
