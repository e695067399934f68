#include "platform/Compressors.h"

#include "platform/EncoderSettings.h"
#include "platform/FFmpegPtr.h"
#include "platform/OutputContainer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>
#include <iterator>
#include <mutex>

namespace {

// The common choices lead the lists, in this order; every other encoder follows by name.
const char* const LeadingVideo[] = {"mpeg4", "libxvid", "msmpeg4v2", "msmpeg4", "mjpeg",   "libx264", "wmv2",
                                    "wmv1",  "h263p",   "huffyuv",   "ffvhuff", "utvideo", "ffv1"};
const char* const LeadingAudio[] = {"libmp3lame", "mp2", "ac3", "pcm_s16le", "adpcm_ms", "adpcm_ima_wav"};

// Hardware encoders that do not say so in their capabilities still carry the device in the name.
const char* const HardwareMarks[] = {"_vaapi", "_nvenc",        "_qsv",        "_v4l2m2m", "_amf",   "_omx",
                                     "_mf",    "_videotoolbox", "_mediacodec", "_cuvid",   "_vulkan"};

// The AVI muxer takes these but writes files that do not play back: raw video only as BGR (raw
// RGB24, which the recompressing join writes when no compressor is chosen, needs no encoder), FLAC
// and DFPWM without what their decoders need.
const char* const UnreadableInAvi[] = {"rawvideo", "flac", "dfpwm"};

// What the recompressing join feeds an encoder: pictures convertible from RGB24 at this size and
// rate, and 16-bit stereo sound at 44100 Hz.
constexpr int ProbeWidth = 320;
constexpr int ProbeHeight = 240;
constexpr int ProbeFrameRate = 25;
constexpr int ProbeSampleRate = 44100;

bool IsHardware(const AVCodec* codec)
{
  if (codec->capabilities & AV_CODEC_CAP_HARDWARE)
    return true;
  return std::any_of(std::begin(HardwareMarks), std::end(HardwareMarks),
                     [&](const char* mark) { return std::strstr(codec->name, mark) != nullptr; });
}

bool AviCarries(const AVCodec* codec)
{
  if (std::any_of(std::begin(UnreadableInAvi), std::end(UnreadableInAvi),
                  [&](const char* name) { return std::strcmp(codec->name, name) == 0; }))
    return false;
  return ContainerCarries(OutputContainers().front(), codec->id);
}

// The AVI road's sound is 44100 Hz, as it always was.
bool Takes44100(const AVCodec* codec)
{
  const int* rate = codec->supported_samplerates;
  while (rate != nullptr && *rate != 0 && *rate != ProbeSampleRate)
    ++rate;
  return rate == nullptr || *rate != 0;
}

} // namespace

int JoinSampleRate(const AVCodec* Codec)
{
  if (Takes44100(Codec))
    return ProbeSampleRate;
  const int* rates = Codec->supported_samplerates;
  const int* end = rates;
  while (*end != 0)
    ++end;
  return *std::max_element(rates, end);
}

namespace {

bool SetVideoInput(AVCodecContext* context, const AVCodec* codec)
{
  context->width = ProbeWidth;
  context->height = ProbeHeight;
  context->time_base = {1, ProbeFrameRate};
  context->framerate = {ProbeFrameRate, 1};
  context->pix_fmt = codec->pix_fmts != nullptr
                         ? avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_RGB24, 0, nullptr)
                         : AV_PIX_FMT_RGB24;
  const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(context->pix_fmt);
  return descriptor != nullptr && !(descriptor->flags & AV_PIX_FMT_FLAG_HWACCEL);
}

bool SetAudioInput(AVCodecContext* context, const AVCodec* codec)
{
  const int sampleRate = JoinSampleRate(codec);
  const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  if (codec->ch_layouts != nullptr) {
    const AVChannelLayout* layout = codec->ch_layouts;
    while (layout->nb_channels != 0 && av_channel_layout_compare(layout, &stereo) != 0)
      ++layout;
    if (layout->nb_channels == 0)
      return false;
  }
  context->sample_rate = sampleRate;
  context->time_base = {1, sampleRate};
  av_channel_layout_copy(&context->ch_layout, &stereo);
  context->sample_fmt = AV_SAMPLE_FMT_S16;
  if (codec->sample_fmts != nullptr) {
    const AVSampleFormat* format = codec->sample_fmts;
    while (*format != AV_SAMPLE_FMT_NONE && *format != AV_SAMPLE_FMT_S16)
      ++format;
    context->sample_fmt = *format != AV_SAMPLE_FMT_NONE ? *format : codec->sample_fmts[0];
  }
  return true;
}

// One silent or black frame through the encoder and out again. Some encoders open with settings
// they then refuse, and some only let go of their threads once they have seen the end of a stream.
bool EncodesOneFrame(AVCodecContext* context)
{
  TFramePtr frame(av_frame_alloc());
  TPacketPtr packet(av_packet_alloc());
  if (!frame || !packet)
    return false;
  if (context->codec_type == AVMEDIA_TYPE_AUDIO) {
    frame->format = context->sample_fmt;
    frame->nb_samples = context->frame_size > 0 ? context->frame_size : 1152;
    frame->sample_rate = context->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &context->ch_layout) < 0)
      return false;
  } else {
    frame->format = context->pix_fmt;
    frame->width = context->width;
    frame->height = context->height;
  }
  if (av_frame_get_buffer(frame.get(), 0) < 0)
    return false;
  for (AVBufferRef* buffer : frame->buf)
    if (buffer != nullptr)
      std::memset(buffer->data, 0, buffer->size);
  frame->pts = 0;
  if (avcodec_send_frame(context, frame.get()) < 0 || avcodec_send_frame(context, nullptr) < 0)
    return false;
  bool produced = false;
  for (;;) {
    const int result = avcodec_receive_packet(context, packet.get());
    if (result == AVERROR_EOF)
      return produced;
    if (result < 0)
      return false;
    produced = true;
    av_packet_unref(packet.get());
  }
}

bool OpensAndEncodes(const AVCodec* codec)
{
  TCodecContextPtr context(avcodec_alloc_context3(codec));
  if (!context)
    return false;
  const bool configured =
      codec->type == AVMEDIA_TYPE_AUDIO ? SetAudioInput(context.get(), codec) : SetVideoInput(context.get(), codec);
  // With the settings a join gives it, which also keep x265 from printing its banner.
  AVDictionary* options = nullptr;
  for (const auto& [name, value] : DefaultEncoderOptions(codec->name))
    av_dict_set(&options, name.c_str(), value.c_str(), 0);
  const bool opened = configured && avcodec_open2(context.get(), codec, &options) >= 0;
  av_dict_free(&options);
  return opened && EncodesOneFrame(context.get());
}

// Opening an encoder takes a moment, and what opens here does not change while the program runs.
bool UsableHere(const AVCodec* codec)
{
  static std::mutex lock;
  static std::map<const AVCodec*, bool> known;
  std::lock_guard guard(lock);
  const auto found = known.find(codec);
  if (found != known.end())
    return found->second;
  return known[codec] = OpensAndEncodes(codec);
}

int LeadingRank(const char* name, bool audio)
{
  const auto first = audio ? std::begin(LeadingAudio) : std::begin(LeadingVideo);
  const auto last = audio ? std::end(LeadingAudio) : std::end(LeadingVideo);
  const auto found = std::find_if(first, last, [&](const char* leading) { return std::strcmp(leading, name) == 0; });
  return int(found - first);
}

// The encoders of one kind that could be listed for some container, in list order; none of them
// opened yet. Uncompressed video is the lists' empty choice, not an encoder.
std::vector<const AVCodec*> Candidates(bool audio)
{
  const AVMediaType kind = audio ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO;
  std::vector<const AVCodec*> candidates;
  void* iteration = nullptr;
  while (const AVCodec* codec = av_codec_iterate(&iteration)) {
    if (codec->type == kind && av_codec_is_encoder(codec) && !(codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) &&
        !IsHardware(codec) && std::strcmp(codec->name, "rawvideo") != 0)
      candidates.push_back(codec);
  }
  std::sort(candidates.begin(), candidates.end(), [&](const AVCodec* a, const AVCodec* b) {
    const int rankA = LeadingRank(a->name, audio);
    const int rankB = LeadingRank(b->name, audio);
    return rankA != rankB ? rankA < rankB : std::strcmp(a->name, b->name) < 0;
  });
  return candidates;
}

std::string FriendlyName(const AVCodec* codec)
{
  const std::string name = codec->name;
  return codec->long_name != nullptr && *codec->long_name != 0 ? codec->long_name + (" (" + name + ")") : name;
}

TCompressorEntry MakeEntry(const AVCodec* codec, bool audio, std::string name)
{
  return {std::move(name), std::make_shared<const TCompressorMoniker>(codec->name, audio)};
}

std::vector<TCompressorEntry> FindAviCompressors(bool audio)
{
  std::vector<TCompressorEntry> entries;
  for (const AVCodec* codec : Candidates(audio))
    if (AviCarries(codec) && Takes44100(codec) && UsableHere(codec))
      entries.push_back(MakeEntry(codec, audio, FriendlyName(codec)));
  return entries;
}

// The encoders that suit the container under their short names, then the others as the AVI list
// names them.
std::vector<TCompressorEntry> FindCompressorsFor(bool audio, const TOutputContainer& container)
{
  std::vector<TCompressorEntry> suited;
  std::vector<TCompressorEntry> others;
  const std::vector<std::string>& names = audio ? container.SuitedAudio : container.SuitedVideo;
  for (const std::string& name : names) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (codec != nullptr && ContainerCarries(container, codec->id) && UsableHere(codec))
      suited.push_back(MakeEntry(codec, audio, ReadableEncoderName(codec)));
  }
  for (const AVCodec* codec : Candidates(audio))
    if (std::find(names.begin(), names.end(), codec->name) == names.end() && UsableHere(codec))
      others.push_back(MakeEntry(codec, audio, FriendlyName(codec)));
  if (!suited.empty() && !others.empty())
    suited.push_back({});
  suited.insert(suited.end(), others.begin(), others.end());
  return suited;
}

} // namespace

TCompressorFilterPtr TCompressorMoniker::BindToObject() const
{
  auto filter = std::make_shared<TCompressorFilter>();
  filter->EncoderName = EncoderName;
  filter->Audio = Audio;
  filter->Options = DefaultEncoderOptions(EncoderName);
  return filter;
}

std::vector<TCompressorEntry> ListCompressorCategory(bool Audio)
{
  if (Audio) {
    static const std::vector<TCompressorEntry> audio = FindAviCompressors(true);
    return audio;
  }
  static const std::vector<TCompressorEntry> video = FindAviCompressors(false);
  return video;
}

std::vector<TCompressorEntry> ListCompressorsFor(bool Audio, const TOutputContainer& Container)
{
  return IsAvi(Container) ? ListCompressorCategory(Audio) : FindCompressorsFor(Audio, Container);
}

TCompressorMonikerPtr FindCompressor(bool Audio, const std::string& Name)
{
  // Only the encoders so named are opened; opening all of them costs about a second.
  for (const AVCodec* codec : Candidates(Audio))
    if ((codec->name == Name || FriendlyName(codec) == Name || (!Name.empty() && ReadableEncoderName(codec) == Name)) &&
        UsableHere(codec))
      return MakeEntry(codec, Audio, Name).Moniker;
  return nullptr;
}

TCompressorMonikerPtr DefaultEncoderFor(bool Audio, const TOutputContainer& Container)
{
  const std::string& name = Audio ? Container.DefaultAudio : Container.DefaultVideo;
  return name.empty() ? nullptr : FindCompressor(Audio, name);
}

std::string CarryProblem(const TOutputContainer& Container, bool Audio, const std::string& EncoderName)
{
  const AVCodec* codec = EncoderName.empty() ? nullptr : avcodec_find_encoder_by_name(EncoderName.c_str());
  const AVCodecID id = codec != nullptr ? codec->id : Audio ? AV_CODEC_ID_PCM_S16LE : AV_CODEC_ID_RAWVIDEO;
  if (IsAvi(Container) ? codec == nullptr || AviCarries(codec) : ContainerCarries(Container, id))
    return {};
  const std::string what = codec == nullptr ? std::string(Audio ? "uncompressed sound" : "uncompressed video")
                           : ReadableEncoderName(codec).empty() ? FriendlyName(codec)
                                                                : ReadableEncoderName(codec);
  return Container.Name + " files cannot carry " + what;
}
