#include "remux/SmartCut.h"

#include "platform/Exceptions.h"
#include "platform/LogCapture.h"
#include "platform/MediaOutput.h"
#include "remux/RemuxInput.h"

#include <map>

namespace {

// Packets from a key frame to the next one held at most: a file whose key frames are further
// apart is not cut.
constexpr size_t MaxRange = 1200;
// libx264's quality for the new pictures: beside the copied ones, a difference is not seen.
constexpr const char* Quality = "14";
constexpr uint8_t SpsType = 7;
constexpr uint8_t PpsType = 8;

[[noreturn]] void Refuse(const std::string& why)
{
  throw Exception(why);
}

// x264's name of the H.264 profile, so that the new pictures decode with the same tools; empty
// for a profile x264 does not write.
std::string X264Profile(const TAvcSetup& setup)
{
  switch (setup.Header[1]) { // AVCProfileIndication
  case 66:
    return "baseline";
  case 77:
    return "main";
  case 100:
    return "high";
  case 110:
    return "high10";
  case 122:
    return "high422";
  case 244:
    return "high444";
  default:
    return "";
  }
}

void Check(int result, const std::string& what)
{
  if (result < 0)
    Refuse(what + " (" + FFmpegErrorText(result) + ")");
}

class TCutter {
public:
  TCutter(const AVStream* video, const TAvcSetup& setup, uint32_t setupId, const std::function<bool()>& goOn)
      : FVideo(video), FSetup(setup), FSetupId(setupId), FGoOn(goOn)
  {
  }

  // `range`: the packets from a key frame on, of which the shown ones are encoded anew; `delay`:
  // by how much decoding goes ahead of showing where the new pictures meet copied ones.
  void Encode(std::vector<TPacketPtr>& range, int64_t delay, TSmartCut& cut)
  {
    FDelay = delay;
    FCut = &cut;
    const AVCodec* decoder = avcodec_find_decoder(FVideo->codecpar->codec_id);
    if (decoder == nullptr)
      Refuse("no H.264 decoder");
    FDecoder.reset(avcodec_alloc_context3(decoder));
    if (!FDecoder)
      throw std::bad_alloc();
    Check(avcodec_parameters_to_context(FDecoder.get(), FVideo->codecpar), "its setup data cannot be read");
    FDecoder->pkt_timebase = FVideo->time_base;
    Check(avcodec_open2(FDecoder.get(), decoder, nullptr), "its pictures cannot be decoded");
    for (const TPacketPtr& packet : range)
      if (!(packet->flags & AV_PKT_FLAG_DISCARD))
        FShown[packet->pts] = packet->duration;
    for (TPacketPtr& packet : range) {
      if (!FGoOn())
        throw TCutStopped();
      // Hidden pictures are decoded too: the shown ones refer to them.
      packet->flags &= ~AV_PKT_FLAG_DISCARD;
      Check(avcodec_send_packet(FDecoder.get(), packet.get()), "its pictures cannot be decoded");
      Decoded();
    }
    Check(avcodec_send_packet(FDecoder.get(), nullptr), "its pictures cannot be decoded");
    Decoded();
    if (!FEncoder)
      Refuse("none of the pictures to encode anew could be decoded");
    Check(avcodec_send_frame(FEncoder.get(), nullptr), "libx264 failed");
    Encoded();
    if (cut.Pictures.size() != FShown.size())
      Refuse("only " + std::to_string(cut.Pictures.size()) + " of its " + std::to_string(FShown.size()) +
             " pictures to encode anew could be");
    for (const TNalUnit& unit : StartCodeUnits(FEncoder->extradata, FEncoder->extradata_size)) {
      const uint8_t type = unit[0] & 0x1F;
      if (type == SpsType || type == PpsType) {
        if (ParameterSetId(unit) != FSetupId)
          Refuse("libx264 did not take the parameter set id asked for");
        (type == SpsType ? cut.Sps : cut.Pps).push_back(unit);
      }
    }
    if (cut.Sps.empty() || cut.Pps.empty())
      Refuse("libx264 gave no parameter sets");
  }

private:
  const AVStream* FVideo;
  const TAvcSetup& FSetup;
  uint32_t FSetupId;
  const std::function<bool()>& FGoOn;
  int64_t FDelay = 0;
  TSmartCut* FCut = nullptr;
  std::map<int64_t, int64_t> FShown; // presentation time to duration, of the shown pictures
  TCodecContextPtr FDecoder, FEncoder;

  void Decoded()
  {
    TFramePtr frame = NewFrame();
    while (avcodec_receive_frame(FDecoder.get(), frame.get()) == 0) {
      const int64_t pts = frame->best_effort_timestamp;
      if (FShown.count(pts) != 0) {
        if (!FEncoder)
          OpenEncoder(frame.get());
        frame->pts = pts;
        frame->pict_type = AV_PICTURE_TYPE_NONE;
        Check(avcodec_send_frame(FEncoder.get(), frame.get()), "libx264 failed");
        Encoded();
      }
      av_frame_unref(frame.get());
    }
  }

  void OpenEncoder(const AVFrame* frame)
  {
    const AVCodec* x264 = avcodec_find_encoder_by_name("libx264");
    if (x264 == nullptr)
      Refuse("libx264 is not installed");
    FEncoder.reset(avcodec_alloc_context3(x264));
    if (!FEncoder)
      throw std::bad_alloc();
    const AVCodecParameters* par = FVideo->codecpar;
    AVCodecContext* enc = FEncoder.get();
    enc->width = frame->width;
    enc->height = frame->height;
    enc->pix_fmt = AVPixelFormat(frame->format);
    enc->sample_aspect_ratio = par->sample_aspect_ratio;
    enc->color_range = par->color_range;
    enc->color_primaries = par->color_primaries;
    enc->color_trc = par->color_trc;
    enc->colorspace = par->color_space;
    enc->chroma_sample_location = par->chroma_location;
    enc->time_base = FVideo->time_base;
    enc->framerate = FVideo->avg_frame_rate;
    enc->level = FSetup.Header[3]; // AVCLevelIndication
    // Shown in decoding order, so that the pictures copied after them decode no later than now.
    enc->max_b_frames = 0;
    enc->gop_size = int(MaxRange);
    enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "profile", X264Profile(FSetup).c_str(), 0);
    av_dict_set(&options, "preset", "veryfast", 0);
    av_dict_set(&options, "crf", Quality, 0);
    av_dict_set(&options, "x264-params", ("sps-id=" + std::to_string(FSetupId)).c_str(), 0);
    const TLogCapture log; // libx264 tells why it refuses a setting only in its log
    const int result = avcodec_open2(enc, x264, &options);
    av_dict_free(&options);
    if (result < 0 && !log.LastError().empty())
      Refuse("libx264 cannot encode its pictures: " + log.LastError());
    Check(result, "libx264 cannot encode its pictures");
  }

  void Encoded()
  {
    TPacketPtr packet = NewPacket();
    while (avcodec_receive_packet(FEncoder.get(), packet.get()) == 0) {
      std::vector<TNalUnit> units;
      for (TNalUnit& unit : StartCodeUnits(packet->data, packet->size))
        if ((unit[0] & 0x1F) != SpsType && (unit[0] & 0x1F) != PpsType) // they travel in the setup data
          units.push_back(std::move(unit));
      const std::vector<uint8_t> bytes = LengthPrefixed(units, FSetup.LengthSize());
      TPacketPtr picture = NewPacket();
      if (av_new_packet(picture.get(), int(bytes.size())) < 0)
        throw std::bad_alloc();
      std::copy(bytes.begin(), bytes.end(), picture->data);
      picture->pts = packet->pts;
      picture->dts = packet->pts - FDelay;
      const auto shown = FShown.find(packet->pts);
      picture->duration = shown != FShown.end() ? shown->second : packet->duration;
      picture->flags = packet->flags & AV_PKT_FLAG_KEY;
      picture->stream_index = FVideo->index;
      FCut->Pictures.push_back(std::move(picture));
      av_packet_unref(packet.get());
    }
  }
};

// Takes a picture of the range to decode; `packet` is left a fresh one for the next read.
void Hold(TRemuxInput& input, TPacketPtr& packet, std::vector<TPacketPtr>& range)
{
  if (packet->pts == AV_NOPTS_VALUE || packet->dts == AV_NOPTS_VALUE)
    Refuse("its pictures have no time stamps");
  packet->duration = input.PacketDuration(packet.get());
  range.push_back(std::move(packet));
  packet = NewPacket();
  if (range.size() > MaxRange)
    Refuse("its key frames are too far apart");
}

// The setup data of a file's pictures that can be cut, else raise Exception with why not.
TAvcSetup CuttableSetup(const AVStream* video)
{
  const std::string refusal = SmartCutRefusal(video);
  if (!refusal.empty())
    Refuse(refusal);
  return *ReadAvcSetup(video->codecpar->extradata, video->codecpar->extradata_size);
}

} // namespace

std::string SmartCutRefusal(const AVStream* Video)
{
  const AVCodecParameters* par = Video->codecpar;
  if (par->codec_id != AV_CODEC_ID_H264)
    return std::string(avcodec_get_name(par->codec_id)) == "hevc" ? "HEVC pictures are not re-encoded"
                                                                    : "only H.264 pictures are re-encoded";
  const auto setup = ReadAvcSetup(par->extradata, par->extradata_size);
  if (!setup)
    return "its H.264 setup data are not of the kind MP4 holds";
  if (X264Profile(*setup).empty())
    return "its H.264 profile is not one libx264 writes";
  if (par->field_order != AV_FIELD_UNKNOWN && par->field_order != AV_FIELD_PROGRESSIVE)
    return "its pictures are interlaced";
  return "";
}

TSmartCut MakeSmartCut(const std::string& FileName, uint32_t SetupId, const std::function<bool()>& GoOn)
{
  TRemuxInput input(FileName, false);
  const AVStream* video = input.Context()->streams[input.VideoIndex];
  const TAvcSetup setup = CuttableSetup(video);
  TSmartCut cut;
  std::vector<TPacketPtr> range;
  TPacketPtr next; // the key frame after the first shown picture
  bool anyShown = false;
  TPacketPtr packet = NewPacket();
  while (input.ReadPacket(packet.get())) {
    if (packet->stream_index != input.VideoIndex) {
      av_packet_unref(packet.get());
      continue;
    }
    if (packet->flags & AV_PKT_FLAG_KEY) {
      if (anyShown) {
        next = std::move(packet);
        break;
      }
      range.clear(); // a key frame nearer the first shown picture
    }
    if (range.empty() && !(packet->flags & AV_PKT_FLAG_KEY))
      Refuse("it does not start with a key frame");
    anyShown = anyShown || !(packet->flags & AV_PKT_FLAG_DISCARD);
    Hold(input, packet, range);
    ++cut.Replaced;
  }
  if (!anyShown)
    Refuse("none of its pictures is shown");
  if (!(range.front()->flags & AV_PKT_FLAG_DISCARD)) {
    // The first shown picture is a key frame: leaving out what comes before is enough.
    cut.Replaced -= range.size();
    return cut;
  }
  // Only at an IDR picture may decoding change to the file's own parameter sets.
  if (next && !HoldsIdr(next->data, next->size, setup.LengthSize()))
    Refuse("its next key frame is no IDR picture");
  const AVPacket* timing = next ? next.get() : range.front().get();
  TCutter(video, setup, SetupId, GoOn).Encode(range, timing->pts - timing->dts, cut);
  return cut;
}

std::optional<THiddenEnd> HiddenEnd(const AVStream* Video)
{
  AVStream* video = const_cast<AVStream*>(Video); // FFmpeg reads the index only
  const int count = avformat_index_get_entries_count(video);
  int lastShown = count - 1;
  while (lastShown >= 0 && (avformat_index_get_entry(video, lastShown)->flags & AVINDEX_DISCARD_FRAME))
    --lastShown;
  int key = lastShown;
  while (key >= 0 && !(avformat_index_get_entry(video, key)->flags & AVINDEX_KEYFRAME))
    --key;
  // Hidden at the start too: that cut, if any, is the one made.
  if (key < 0 || (avformat_index_get_entry(video, key)->flags & AVINDEX_DISCARD_FRAME))
    return std::nullopt;
  // The index gives decoding times: a picture lasts until the next is decoded.
  std::optional<int64_t> length;
  for (int i = key; i < lastShown; ++i)
    if (avformat_index_get_entry(video, i)->flags & AVINDEX_DISCARD_FRAME)
      length = length.value_or(0) + avformat_index_get_entry(video, i + 1)->timestamp -
               avformat_index_get_entry(video, i)->timestamp;
  if (!length)
    return std::nullopt;
  return THiddenEnd{size_t(key), av_rescale_q(*length, Video->time_base, AV_TIME_BASE_Q)};
}

TSmartCut MakeEndCut(const std::string& FileName, size_t KeyIndex, uint32_t SetupId, const std::function<bool()>& GoOn)
{
  TRemuxInput input(FileName, false);
  AVStream* video = input.Context()->streams[input.VideoIndex];
  const TAvcSetup setup = CuttableSetup(video);
  const AVIndexEntry* key = avformat_index_get_entry(video, int(KeyIndex));
  if (key == nullptr)
    Refuse("its index does not hold the key frame");
  const int64_t keyPos = key->pos;
  Check(av_seek_frame(input.Context(), input.VideoIndex, key->timestamp, AVSEEK_FLAG_BACKWARD),
        "it cannot be read from its last key frame");
  std::vector<TPacketPtr> range;
  TPacketPtr packet = NewPacket();
  while (input.ReadPacket(packet.get())) {
    if (packet->stream_index != input.VideoIndex || (range.empty() && packet->pos != keyPos)) {
      av_packet_unref(packet.get());
      continue;
    }
    Hold(input, packet, range);
  }
  if (range.empty())
    Refuse("its last key frame cannot be read");
  if (!HoldsIdr(range.front()->data, range.front()->size, setup.LengthSize()))
    Refuse("its last key frame is no IDR picture");
  TSmartCut cut;
  cut.From = KeyIndex;
  cut.Replaced = SIZE_MAX;
  TCutter(video, setup, SetupId, GoOn).Encode(range, range.front()->pts - range.front()->dts, cut);
  return cut;
}
