#include "platform/OutputContainer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

// H.264 and AAC play nearly everywhere; WebM is the open web's pair of VP9 and Opus.
const std::vector<std::string> QuickTimeVideo = {"libx264", "libx265", "libsvtav1", "libaom-av1", "librav1e"};
const std::vector<std::string> QuickTimeAudio = {"aac", "libmp3lame", "libopus"};

const std::vector<TOutputContainer> Containers = {
    {"AVI", "AVI", "avi", {".avi"}, {}, {}, "", ""},
    {"MP4", "MP4", "mp4", {".mp4", ".m4v"}, QuickTimeVideo, QuickTimeAudio, "libx264", "aac"},
    {"QuickTime", "MOV", "mov", {".mov"}, QuickTimeVideo, QuickTimeAudio, "libx264", "aac"},
    {"Matroska",
     "MKV",
     "matroska",
     {".mkv"},
     {"libx264", "libx265", "libvpx-vp9", "libsvtav1", "libaom-av1", "librav1e"},
     {"aac", "libopus", "libmp3lame", "libvorbis"},
     "libx264",
     "aac"},
    {"WebM",
     "WEBM",
     "webm",
     {".webm"},
     {"libvpx-vp9", "libsvtav1", "libaom-av1", "librav1e"},
     {"libopus", "libvorbis"},
     "libvpx-vp9",
     "libopus"},
};

struct TCodecTitle {
  AVCodecID Codec;
  const char* Title;
};

const TCodecTitle CodecTitles[] = {
    {AV_CODEC_ID_H264, "H.264"},    {AV_CODEC_ID_HEVC, "HEVC"}, {AV_CODEC_ID_AV1, "AV1"},
    {AV_CODEC_ID_VP9, "VP9"},       {AV_CODEC_ID_VP8, "VP8"},   {AV_CODEC_ID_MPEG4, "MPEG-4 Part 2"},
    {AV_CODEC_ID_AAC, "AAC"},       {AV_CODEC_ID_MP3, "MP3"},   {AV_CODEC_ID_OPUS, "Opus"},
    {AV_CODEC_ID_VORBIS, "Vorbis"}, {AV_CODEC_ID_FLAC, "FLAC"},
};

} // namespace

const std::vector<TOutputContainer>& OutputContainers()
{
  return Containers;
}

const TOutputContainer* ContainerNamedIn(const std::string& FileName)
{
  std::string extension = std::filesystem::path(FileName).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  for (const TOutputContainer& container : Containers)
    if (std::find(container.Extensions.begin(), container.Extensions.end(), extension) != container.Extensions.end())
      return &container;
  return nullptr;
}

const TOutputContainer& ContainerOfFile(const std::string& FileName)
{
  const TOutputContainer* named = ContainerNamedIn(FileName);
  return named != nullptr ? *named : Containers.front();
}

bool IsAvi(const TOutputContainer& Container)
{
  return &Container == &Containers.front();
}

bool ContainerCarries(const TOutputContainer& Container, AVCodecID Codec)
{
  const AVOutputFormat* format = av_guess_format(Container.Muxer.c_str(), nullptr, nullptr);
  return format != nullptr && avformat_query_codec(format, Codec, FF_COMPLIANCE_NORMAL) == 1;
}

std::string ReadableEncoderName(const AVCodec* Codec)
{
  for (const TCodecTitle& title : CodecTitles)
    if (title.Codec == Codec->id)
      return std::string(title.Title) + " (" + Codec->name + ")";
  return {};
}
