#include "platform/StreamFacts.h"

#include "platform/FileIO.h"
#include "platform/MediaInput.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace {

std::string Upper(std::string text)
{
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  return text;
}

std::string Text(const char* name)
{
  return name != nullptr ? name : "unknown";
}

std::string FieldOrderText(AVFieldOrder order)
{
  switch (order) {
  case AV_FIELD_PROGRESSIVE:
    return "progressive";
  case AV_FIELD_TT:
  case AV_FIELD_TB:
    return "interlaced, top field first";
  case AV_FIELD_BB:
  case AV_FIELD_BT:
    return "interlaced, bottom field first";
  default:
    return "unknown field order";
  }
}

int RotationOf(const AVStream* stream)
{
  const auto* matrix =
      reinterpret_cast<const int32_t*>(av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
  if (matrix == nullptr)
    return 0;
  const double angle = av_display_rotation_get(matrix);
  if (std::isnan(angle))
    return 0;
  // The matrix turns counter-clockwise; phones and players speak of clockwise turns.
  return ((-int(std::lround(angle)) % 360) + 360) % 360;
}

bool StartsWithStartCode(const uint8_t* data, int size)
{
  return (size >= 3 && data[0] == 0 && data[1] == 0 && data[2] == 1) ||
         (size >= 4 && data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == 1);
}

// A Matroska file says in its EBML header whether it is a WebM one (DocType, element 0x4282).
bool IsWebM(const std::string& fileName)
{
  uint8_t head[64] = {};
  int32_t size = 0;
  try {
    TFile file = TFile::OpenRead(fileName, TShareMode::DenyNone);
    size = int32_t(std::max<int64_t>(file.Read(head, sizeof head), 0));
  } catch (const std::exception&) {
    return false;
  }
  for (int32_t i = 4; i + 3 < size; ++i)
    if (head[i] == 0x42 && head[i + 1] == 0x82 && (head[i + 2] & 0x80) != 0) {
      const int length = head[i + 2] & 0x7F;
      return i + 3 + length <= size && length == 4 && std::memcmp(head + i + 3, "webm", 4) == 0;
    }
  return false;
}

std::string ContainerName(const AVFormatContext* context, const std::string& fileName)
{
  const std::string name = context->iformat->name;
  if (name == "mpegts")
    return "TS";
  if (name == "matroska,webm")
    return IsWebM(fileName) ? "WEBM" : "MKV";
  if (name.rfind("mov,", 0) == 0) {
    const AVDictionaryEntry* brand = av_dict_get(context->metadata, "major_brand", nullptr, 0);
    const std::string major = brand != nullptr ? brand->value : "";
    if (major.rfind("qt", 0) == 0)
      return "MOV";
    if (major.rfind("3g", 0) == 0)
      return "3GP";
    return "MP4";
  }
  return Upper(name.substr(0, name.find(',')));
}

int FirstStream(const AVFormatContext* context, bool video)
{
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    const AVStream* stream = context->streams[i];
    if (video ? IsVideoTrack(stream) : stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
      return int(i);
  }
  return -1;
}

TFurtherStream::TKind FurtherKind(const AVStream* stream)
{
  switch (stream->codecpar->codec_type) {
  case AVMEDIA_TYPE_AUDIO:
    return TFurtherStream::Sound;
  case AVMEDIA_TYPE_SUBTITLE:
    return TFurtherStream::Subtitles;
  case AVMEDIA_TYPE_ATTACHMENT:
    return TFurtherStream::Attachment;
  case AVMEDIA_TYPE_VIDEO:
    if (stream->disposition & AV_DISPOSITION_ATTACHED_PIC)
      return TFurtherStream::CoverArt;
    return IsVideoTrack(stream) ? TFurtherStream::Picture : TFurtherStream::Data;
  default:
    return TFurtherStream::Data;
  }
}

} // namespace

int FirstVideoTrack(const AVFormatContext* Context)
{
  return FirstStream(Context, true);
}

int FirstAudioStream(const AVFormatContext* Context)
{
  return FirstStream(Context, false);
}

TStreamFacts StreamFactsOf(const AVStream* Stream)
{
  const AVCodecParameters* par = Stream->codecpar;
  TStreamFacts facts;
  facts.CodecId = par->codec_id;
  facts.CodecName = Upper(avcodec_get_name(par->codec_id));
  const char* profile = avcodec_profile_name(par->codec_id, par->profile);
  facts.Profile = profile != nullptr ? profile : "";
  facts.ExtraDataSize = par->extradata_size;
  facts.ExtraDataHash = SetupHash(par->extradata, size_t(std::max(par->extradata_size, 0)));
  facts.DecodingSetup = DecodingSetupOf(par->codec_id, par->extradata, par->extradata_size);
  if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
    facts.Width = par->width;
    facts.Height = par->height;
    facts.PixelFormat = Text(av_get_pix_fmt_name(AVPixelFormat(par->format)));
    if (par->sample_aspect_ratio.num > 0 && par->sample_aspect_ratio.den > 0) {
      AVRational sar = par->sample_aspect_ratio;
      av_reduce(&sar.num, &sar.den, sar.num, sar.den, INT32_MAX);
      // 1:1 is what a file that says nothing means.
      if (sar.num != sar.den) {
        facts.SarNum = sar.num;
        facts.SarDen = sar.den;
      }
    }
    facts.FieldOrder = FieldOrderText(par->field_order);
    facts.Colours = Text(av_color_range_name(par->color_range)) + " " +
                    Text(av_color_primaries_name(par->color_primaries)) + "/" +
                    Text(av_color_transfer_name(par->color_trc)) + "/" + Text(av_color_space_name(par->color_space));
    facts.Rotation = RotationOf(Stream);
    facts.AnnexB = (par->codec_id == AV_CODEC_ID_H264 || par->codec_id == AV_CODEC_ID_HEVC) &&
                   (par->extradata_size == 0 || StartsWithStartCode(par->extradata, par->extradata_size));
  } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
    facts.SampleRate = par->sample_rate;
    char layout[128] = "unknown";
    av_channel_layout_describe(&par->ch_layout, layout, sizeof layout);
    facts.ChannelLayout = layout;
    facts.SampleFormat = Text(av_get_sample_fmt_name(AVSampleFormat(par->format)));
  }
  return facts;
}

TCopyFormat CopyFormatOf(const AVFormatContext* Context, const std::string& FileName)
{
  TCopyFormat format;
  format.Container = ContainerName(Context, FileName);
  const int video = FirstVideoTrack(Context);
  if (video >= 0)
    format.Video = StreamFactsOf(Context->streams[video]);
  const int audio = FirstAudioStream(Context);
  if (audio >= 0)
    format.Audio = StreamFactsOf(Context->streams[audio]);
  for (unsigned i = 0; i < Context->nb_streams; ++i) {
    const AVStream* stream = Context->streams[i];
    // A QuickTime chapter track is read as the file's chapters, and set aside by the reader; a
    // time code track as its picture's time code, which travels with the picture.
    const bool timeCode = stream->codecpar->codec_tag == MKTAG('t', 'm', 'c', 'd') && video >= 0 &&
                          av_dict_get(Context->streams[video]->metadata, "timecode", nullptr, 0) != nullptr;
    if (int(i) == video || int(i) == audio || stream->discard == AVDISCARD_ALL || timeCode)
      continue;
    TFurtherStream further;
    further.Index = int(i);
    further.Kind = FurtherKind(stream);
    further.Facts = StreamFactsOf(stream);
    further.PictureHash = SetupHash(stream->attached_pic.data, size_t(std::max(stream->attached_pic.size, 0)));
    const AVDictionaryEntry* language = av_dict_get(stream->metadata, "language", nullptr, 0);
    // "und" is how Matroska and MP4 say that nobody said.
    if (language != nullptr && std::strcmp(language->value, "und") != 0)
      further.Language = language->value;
    format.Further.push_back(std::move(further));
  }
  format.Chapters = int(Context->nb_chapters);
  return format;
}
