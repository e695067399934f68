#include "platform/SilentAudio.h"

#include "platform/FFmpegPtr.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>

namespace {

constexpr uint16_t WavePcm = 0x0001;
constexpr uint16_t WaveFloat = 0x0003;
constexpr uint16_t WaveALaw = 0x0006;
constexpr uint16_t WaveMuLaw = 0x0007;
constexpr uint16_t WaveExtensible = 0xFFFE;
constexpr size_t WaveFormatSize = 16; // up to wBitsPerSample; cbSize and the extra bytes follow
constexpr size_t SubFormatOffset = 24; // of WAVEFORMATEXTENSIBLE, whose GUID begins with the tag

// The format's tag, looked up through an extensible format to the one it wraps.
uint16_t FormatTag(const std::vector<uint8_t>& Format)
{
  const uint16_t tag = AV_RL16(Format.data());
  return tag == WaveExtensible && Format.size() >= SubFormatOffset + 2 ? AV_RL16(Format.data() + SubFormatOffset) : tag;
}

// The fields of an MPEG audio frame header that decide how a frame decodes.
struct TMpegAudioHeader {
  int Version = 0; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  int Layer = 0;
  int BitrateIndex = 0;
  int RateIndex = 0;
  bool Mono = false;
  bool Crc = false;
  int Kbps = 0;

  bool SameCoding(const TMpegAudioHeader& o) const
  {
    return Version == o.Version && Layer == o.Layer && BitrateIndex == o.BitrateIndex &&
           RateIndex == o.RateIndex && Mono == o.Mono;
  }
};

bool ParseMpegAudio(const std::vector<uint8_t>& f, TMpegAudioHeader& h)
{
  if (f.size() < 4 || f[0] != 0xFF || (f[1] & 0xE0) != 0xE0)
    return false;
  h.Version = (f[1] >> 3) & 3;
  const int layerBits = (f[1] >> 1) & 3;
  h.BitrateIndex = f[2] >> 4;
  h.RateIndex = (f[2] >> 2) & 3;
  if (h.Version == 1 || layerBits == 0 || h.BitrateIndex == 0 || h.BitrateIndex == 15 || h.RateIndex == 3)
    return false; // reserved values, or the free format that has no fixed frame size
  h.Layer = 4 - layerBits;
  h.Crc = (f[1] & 1) == 0;
  h.Mono = (f[3] >> 6) == 3;
  static const int mpeg1[3][15] = {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                   {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                   {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
  static const int mpeg2[2][15] = {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                   {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
  h.Kbps = h.Version == 3 ? mpeg1[h.Layer - 1][h.BitrateIndex] : mpeg2[h.Layer == 1 ? 0 : 1][h.BitrateIndex];
  return true;
}

// A layer III frame that takes no bits from the frames before it can follow any frame.
bool StandsAlone(const std::vector<uint8_t>& f, const TMpegAudioHeader& h)
{
  if (h.Layer != 3)
    return true;
  const size_t at = 4 + (h.Crc ? 2 : 0);
  if (f.size() < at + 2)
    return false;
  return f[at] == 0 && (h.Version != 3 || (f[at + 1] & 0x80) == 0); // main_data_begin
}

// The fields of an AC-3 sync frame that decide how it decodes.
struct TAc3Header {
  int SizeCode = 0; // fscod and frmsizecod
  int Bsid = 0;
  int Acmod = 0;
  int Kbps = 0;

  // At 44.1 kHz the lowest bit of frmsizecod only pads a frame to keep the bit rate.
  bool SameCoding(const TAc3Header& o) const
  {
    return SizeCode >> 1 == o.SizeCode >> 1 && Bsid == o.Bsid && Acmod == o.Acmod;
  }
};

bool ParseAc3(const std::vector<uint8_t>& f, TAc3Header& h)
{
  if (f.size() < 7 || f[0] != 0x0B || f[1] != 0x77)
    return false;
  static const int kbps[19] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640};
  const int frmsizecod = f[4] & 0x3F;
  if (frmsizecod / 2 >= 19 || (f[4] >> 6) == 3)
    return false;
  h.SizeCode = f[4];
  h.Bsid = f[5] >> 3;
  h.Acmod = f[6] >> 5;
  h.Kbps = kbps[frmsizecod / 2];
  return true;
}

} // namespace

bool TSilentAudio::IsPcm(const std::vector<uint8_t>& Format)
{
  if (Format.size() < WaveFormatSize)
    return false;
  const uint16_t tag = FormatTag(Format);
  return tag == WavePcm || tag == WaveFloat || tag == WaveALaw || tag == WaveMuLaw;
}

TSilentAudio::TSilentAudio(const std::vector<uint8_t>& Format, const std::vector<uint8_t>& Sample)
{
  if (Format.size() < WaveFormatSize) {
    FReason = "its format is not described";
    return;
  }
  const uint16_t tag = FormatTag(Format);
  const uint16_t channels = AV_RL16(Format.data() + 2);
  FSampleRate = AV_RL32(Format.data() + 4);
  const uint16_t blockAlign = AV_RL16(Format.data() + 12);
  const uint16_t bits = AV_RL16(Format.data() + 14);
  if (channels == 0 || FSampleRate == 0 || blockAlign == 0) {
    FReason = "its format is not described";
    return;
  }
  if (IsPcm(Format)) {
    const AVCodecID codec = tag == WaveALaw              ? AV_CODEC_ID_PCM_ALAW
                            : tag == WaveMuLaw           ? AV_CODEC_ID_PCM_MULAW
                            : tag == WavePcm && bits == 8 ? AV_CODEC_ID_PCM_U8
                                                         : AV_CODEC_ID_PCM_S16LE;
    FFrame.assign(blockAlign, PcmSilenceByte(codec));
    FDivisible = true;
    FFrameSamples = 1;
    return;
  }
  MakeEncoded(Format, Sample);
}

void TSilentAudio::MakeEncoded(const std::vector<uint8_t>& Format, const std::vector<uint8_t>& Sample)
{
  const uint16_t tag = FormatTag(Format);
  const int channels = AV_RL16(Format.data() + 2);
  const uint32_t avgBytes = AV_RL32(Format.data() + 8);
  const uint16_t blockAlign = AV_RL16(Format.data() + 12);
  const AVCodecTag* const tags[] = {avformat_get_riff_audio_tags(), nullptr};
  const AVCodecID id = av_codec_get_id(tags, tag);
  const bool adpcm =
      id == AV_CODEC_ID_ADPCM_MS || id == AV_CODEC_ID_ADPCM_IMA_WAV || id == AV_CODEC_ID_ADPCM_YAMAHA;
  const bool mpeg = id == AV_CODEC_ID_MP1 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP3;
  const AVCodec* codec = mpeg || adpcm || id == AV_CODEC_ID_AC3 ? avcodec_find_encoder(id) : nullptr;
  if (codec == nullptr) {
    FReason = "no encoder makes its format";
    return;
  }

  // The bit rate that the stream's frames carry, so that the silent ones decode alike.
  TMpegAudioHeader mpegSample;
  TAc3Header ac3Sample;
  int64_t bitRate = int64_t(avgBytes) * 8;
  if (mpeg) {
    if (!ParseMpegAudio(Sample, mpegSample)) {
      FReason = "its chunks do not start with a frame header";
      return;
    }
    bitRate = int64_t(mpegSample.Kbps) * 1000;
  } else if (id == AV_CODEC_ID_AC3) {
    if (!ParseAc3(Sample, ac3Sample)) {
      FReason = "its chunks do not start with a frame header";
      return;
    }
    bitRate = int64_t(ac3Sample.Kbps) * 1000;
  }

  TCodecContextPtr context(avcodec_alloc_context3(codec));
  if (!context) {
    FReason = "its encoder cannot start";
    return;
  }
  context->sample_rate = int(FSampleRate);
  av_channel_layout_default(&context->ch_layout, channels);
  context->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  context->bit_rate = bitRate;
  AVDictionary* rawOptions = nullptr;
  if (id == AV_CODEC_ID_MP3)
    av_dict_set(&rawOptions, "reservoir", "0", 0); // every frame must decode on its own
  if (adpcm)
    av_dict_set_int(&rawOptions, "block_size", blockAlign, 0);
  const int opened = avcodec_open2(context.get(), codec, &rawOptions);
  av_dict_free(&rawOptions); // nothing between can throw
  if (opened < 0 || context->frame_size <= 0) {
    FReason = "its encoder does not take these settings";
    return;
  }

  TFramePtr frame = NewFrame();
  TPacketPtr packet = NewPacket();
  frame->nb_samples = context->frame_size;
  frame->format = context->sample_fmt;
  frame->sample_rate = context->sample_rate;
  av_channel_layout_copy(&frame->ch_layout, &context->ch_layout);
  if (av_frame_get_buffer(frame.get(), 0) < 0) {
    FReason = "its encoder cannot start";
    return;
  }
  av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, channels, context->sample_fmt);

  // Frames from the middle of a run: the first ones may carry an encoder's start-up.
  std::vector<std::vector<uint8_t>> frames;
  auto drain = [&] {
    while (avcodec_receive_packet(context.get(), packet.get()) == 0) {
      frames.emplace_back(packet->data, packet->data + packet->size);
      av_packet_unref(packet.get());
    }
  };
  for (int i = 0; i < 6; ++i) {
    frame->pts = int64_t(i) * context->frame_size;
    if (avcodec_send_frame(context.get(), frame.get()) < 0)
      break;
    drain();
  }
  avcodec_send_frame(context.get(), nullptr);
  drain();
  if (frames.size() < 3) {
    FReason = "its encoder made no frames";
    return;
  }
  std::vector<uint8_t> made = frames[frames.size() / 2];

  if (mpeg) {
    TMpegAudioHeader madeHeader;
    if (!ParseMpegAudio(made, madeHeader) || !madeHeader.SameCoding(mpegSample) || !StandsAlone(made, madeHeader)) {
      FReason = "its encoder makes frames unlike the stream's";
      return;
    }
  } else if (id == AV_CODEC_ID_AC3) {
    TAc3Header madeHeader;
    if (!ParseAc3(made, madeHeader) || !madeHeader.SameCoding(ac3Sample)) {
      FReason = "its encoder makes frames unlike the stream's";
      return;
    }
  } else {
    // ADPCM blocks decode by the format's block size and, for Microsoft's, its coefficients.
    const uint16_t extraSize = Format.size() >= 18 ? AV_RL16(Format.data() + 16) : 0;
    const bool sameExtra =
        id != AV_CODEC_ID_ADPCM_MS ||
        (Format.size() >= size_t(18) + extraSize && context->extradata_size == extraSize &&
         std::equal(Format.begin() + 18, Format.begin() + 18 + extraSize, context->extradata));
    if (made.size() != blockAlign || !sameExtra) {
      FReason = "its encoder makes blocks unlike the stream's";
      return;
    }
  }
  FFrameSamples = uint32_t(context->frame_size);
  FFrame = std::move(made);
}

bool IsPlainPcm(AVCodecID Codec)
{
  // The PCM codes come first among the sound codecs; those with headers (DVD, Blu-ray) have no
  // exact sample size.
  return Codec >= AV_CODEC_ID_FIRST_AUDIO && Codec < AV_CODEC_ID_ADPCM_IMA_QT && av_get_exact_bits_per_sample(Codec) > 0;
}

uint8_t PcmSilenceByte(AVCodecID Codec)
{
  switch (Codec) {
  case AV_CODEC_ID_PCM_U8:
    return 0x80;
  case AV_CODEC_ID_PCM_ALAW:
    return 0xD5;
  case AV_CODEC_ID_PCM_MULAW:
    return 0xFF;
  default:
    return 0;
  }
}
