#include "remux/SoundSeam.h"

#include "remux/SkipSamples.h"

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Packets of the file before that are decoded for its end: more than the 80 ms an Opus decoder
// takes to settle.
constexpr size_t TailPackets = 8;
// Packets of the next file encoded again: within them the decoder's state of the file before
// fades, and the level is the file's own when its copied packets begin.
constexpr size_t Replaced = 3;
// Frames of the file before that the encoder hears before the next file's sound.
constexpr int WarmFrames = 2;

// The pre-skip of an "OpusHead" setup, in samples at 48 kHz.
int PreSkip(const AVCodecParameters* par)
{
  if (par->codec_id != AV_CODEC_ID_OPUS || par->extradata_size < 19 || std::memcmp(par->extradata, "OpusHead", 8) != 0)
    return 0;
  return AV_RL16(par->extradata + 10);
}

// Samples decoded from each packet, interleaved, as a player plays them after a fresh start:
// priming and end padding dropped.
bool Decode(const AVCodecParameters* par, const std::vector<const AVPacket*>& packets,
            std::vector<std::vector<float>>& samples, AVChannelLayout& layout, int& rate)
{
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  TCodecContextPtr decoder(avcodec_alloc_context3(codec));
  if (codec == nullptr || decoder == nullptr || avcodec_parameters_to_context(decoder.get(), par) < 0 ||
      avcodec_open2(decoder.get(), codec, nullptr) < 0)
    return false;
  TFramePtr frame = NewFrame();
  samples.assign(packets.size(), {});
  for (size_t i = 0; i < packets.size(); ++i) {
    if (avcodec_send_packet(decoder.get(), packets[i]) < 0)
      return false;
    while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
      const int channels = frame->ch_layout.nb_channels;
      const auto format = AVSampleFormat(frame->format);
      if (format != AV_SAMPLE_FMT_FLT && format != AV_SAMPLE_FMT_FLTP)
        return false;
      std::vector<float>& out = samples[i];
      const size_t at = out.size();
      out.resize(at + size_t(frame->nb_samples) * size_t(channels));
      for (int s = 0; s < frame->nb_samples; ++s)
        for (int c = 0; c < channels; ++c)
          out[at + size_t(s * channels + c)] =
              format == AV_SAMPLE_FMT_FLT ? reinterpret_cast<const float*>(frame->data[0])[s * channels + c]
                                          : reinterpret_cast<const float*>(frame->data[c])[s];
      if (av_channel_layout_copy(&layout, &frame->ch_layout) < 0)
        return false;
      rate = frame->sample_rate;
      av_frame_unref(frame.get());
    }
  }
  return true;
}

// An encoder of `name` for frames of `frame` samples at about the bit rate of the packets.
TCodecContextPtr OpenEncoder(const char* name, const AVChannelLayout& layout, int rate, int frame, int64_t bitRate)
{
  const AVCodec* codec = avcodec_find_encoder_by_name(name);
  TCodecContextPtr encoder(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
  if (encoder == nullptr || layout.nb_channels < 1 || layout.nb_channels > 2 ||
      av_channel_layout_copy(&encoder->ch_layout, &layout) < 0)
    return nullptr;
  // Interleaved where the encoder takes it (libopus), else planar (FFmpeg's AAC encoder).
  encoder->sample_fmt = AV_SAMPLE_FMT_NONE;
  for (const AVSampleFormat* format = codec->sample_fmts; format != nullptr && *format != AV_SAMPLE_FMT_NONE; ++format)
    if (*format == AV_SAMPLE_FMT_FLT || (*format == AV_SAMPLE_FMT_FLTP && encoder->sample_fmt == AV_SAMPLE_FMT_NONE))
      encoder->sample_fmt = *format;
  if (encoder->sample_fmt == AV_SAMPLE_FMT_NONE)
    return nullptr;
  encoder->sample_rate = rate;
  encoder->time_base = AVRational{1, rate};
  encoder->bit_rate = std::clamp<int64_t>(bitRate, 6000, 256000 * int64_t(layout.nb_channels));
  AVDictionary* options = nullptr;
  if (codec->id == AV_CODEC_ID_OPUS)
    av_dict_set(&options, "frame_duration", std::to_string(frame * 1000.0 / rate).c_str(), 0);
  const int result = avcodec_open2(encoder.get(), codec, &options);
  av_dict_free(&options);
  if (result < 0 || encoder->frame_size != frame)
    return nullptr;
  return encoder;
}

// Encodes `pcm` (interleaved) whole, frame by frame; the packets in order.
bool Encode(AVCodecContext* encoder, const std::vector<float>& pcm, std::vector<TPacketPtr>& packets)
{
  const int channels = encoder->ch_layout.nb_channels;
  const size_t frameValues = size_t(encoder->frame_size) * size_t(channels);
  TFramePtr frame = NewFrame();
  auto drain = [&] {
    for (;;) {
      TPacketPtr packet = NewPacket();
      if (avcodec_receive_packet(encoder, packet.get()) < 0)
        return;
      packets.push_back(std::move(packet));
    }
  };
  for (size_t at = 0; at < pcm.size(); at += frameValues) {
    frame->nb_samples = encoder->frame_size;
    frame->format = encoder->sample_fmt;
    frame->sample_rate = encoder->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0)
      return false;
    const size_t count = std::min(frameValues, pcm.size() - at);
    if (encoder->sample_fmt == AV_SAMPLE_FMT_FLT) {
      float* data = reinterpret_cast<float*>(frame->data[0]);
      std::copy_n(pcm.begin() + std::ptrdiff_t(at), count, data);
      std::fill(data + count, data + frameValues, 0.0f);
    } else {
      for (size_t i = 0; i < frameValues; ++i)
        reinterpret_cast<float*>(frame->data[i % size_t(channels)])[i / size_t(channels)] = i < count ? pcm[at + i] : 0.0f;
    }
    frame->pts = int64_t(at / size_t(channels));
    if (avcodec_send_frame(encoder, frame.get()) < 0)
      return false;
    av_frame_unref(frame.get());
    drain();
  }
  if (avcodec_send_frame(encoder, nullptr) < 0)
    return false;
  drain();
  return true;
}

} // namespace

bool TSoundSeam::Mends(const AVCodecParameters* Parameters)
{
  // An AAC setup names its kind in its first five bits; LC is 2. Mono and stereo, as for Opus.
  return Parameters->codec_id == AV_CODEC_ID_OPUS ||
         (Parameters->codec_id == AV_CODEC_ID_AAC && Parameters->extradata_size >= 2 &&
          (Parameters->extradata[0] >> 3) == 2 && Parameters->ch_layout.nb_channels <= 2);
}

TSoundSeam::TSoundSeam(const AVStream* Output, bool Trims)
    : FOutput(Output), FTrims(Trims), FLaps(Output->codecpar->codec_id == AV_CODEC_ID_AAC),
      FEncoder(FLaps ? "aac" : "libopus")
{
}

int64_t TSoundSeam::PrimingUs(const AVCodecParameters* Parameters)
{
  return av_rescale(PreSkip(Parameters), 1000000, 48000);
}

void TSoundSeam::Written(const AVPacket* Packet)
{
  AVPacket* copy = av_packet_clone(Packet);
  if (copy == nullptr)
    throw std::bad_alloc();
  FTail.emplace_back(copy);
  if (FTail.size() > TailPackets)
    FTail.pop_front();
}

bool TSoundSeam::Carries(const AVPacket* Packet, bool BeforeSeam) const
{
  if (FLaps)
    return BeforeSeam;
  return FLeftOut.empty() && SkipSamplesOf(Packet).End > 0;
}

void TSoundSeam::LeftOut(TPacketPtr Packet)
{
  FLeftOut.push_back(std::move(Packet));
}

std::vector<TPacketPtr> TSoundSeam::TakeLeftOut()
{
  return std::move(FLeftOut);
}

void TSoundSeam::BeginInput(const AVStream* In)
{
  FIn = In;
  FBefore.clear();
  FHead.clear();
}

void TSoundSeam::Precede(TPacketPtr Packet)
{
  FBefore.push_back(std::move(Packet));
}

void TSoundSeam::Hold(TPacketPtr Packet)
{
  FHead.push_back(std::move(Packet));
}

bool TSoundSeam::Full() const
{
  // One more than are replaced: the encoder hears what follows them.
  return FHead.size() > Replaced;
}

std::vector<TPacketPtr> TSoundSeam::Release(std::optional<int64_t> SoundEnd, bool& Mended)
{
  std::vector<TPacketPtr> packets;
  Mended = FHead.empty() || Mend(SoundEnd, packets);
  if (!Mended)
    packets.clear();
  const size_t kept = Mended ? std::min(Replaced, FHead.size()) : 0;
  for (size_t i = kept; i < FHead.size(); ++i)
    packets.push_back(std::move(FHead[i]));
  FHead.clear();
  FBefore.clear();
  FTail.clear();
  FIn = nullptr;
  return packets;
}

bool TSoundSeam::Mend(std::optional<int64_t> SoundEnd, std::vector<TPacketPtr>& Replacement)
{
  if (!Mends(FIn->codecpar) || FIn->codecpar->codec_id != FOutput->codecpar->codec_id)
    return false;
  // The packets cut away before the first held are decoded too, and what they play dropped.
  std::vector<const AVPacket*> head;
  for (const std::vector<TPacketPtr>* packets : {&FBefore, &FHead})
    for (const TPacketPtr& packet : *packets)
      head.push_back(packet.get());
  std::vector<std::vector<float>> headPcm, beforePcm;
  AVChannelLayout layout{}, beforeLayout{};
  int rate = 0, beforeRate = 0;
  const bool headDecoded = Decode(FIn->codecpar, head, headPcm, layout, rate);
  const int channels = layout.nb_channels;
  if (!headDecoded || channels <= 0 || rate <= 0) {
    av_channel_layout_uninit(&layout);
    return false;
  }
  headPcm.erase(headPcm.begin(), headPcm.begin() + std::ptrdiff_t(FBefore.size()));
  const auto samplesOf = [channels](const std::vector<float>& pcm) { return int64_t(pcm.size()) / channels; };
  // The frame length: of a packet past the priming.
  const int64_t frame = FHead.size() > 1 ? samplesOf(headPcm[1]) : samplesOf(headPcm[0]) + PreSkip(FIn->codecpar);
  const size_t replaced = std::min(Replaced, FHead.size());
  int64_t covered = 0; // samples of the replaced packets, as the file plays alone
  for (size_t i = 0; i < replaced; ++i)
    covered += samplesOf(headPcm[i]);
  // They end where the first packet copied begins.
  const AVRational samples{1, rate};
  const AVPacket* last = FHead[replaced - 1].get();
  const int64_t end = replaced < FHead.size() ? FHead[replaced]->pts : last->pts + last->duration;
  const int64_t firstHeard = av_rescale_q(end, FIn->time_base, samples) - covered;

  // Of the packets left out, in order: those written as they are, those carried (their sound
  // encoded again), and those that start past the next file's sound, dropped. Opus carries the
  // one it may; AAC enough that the first mended packet's sound is the file before's for more
  // than a frame, as the packet written before it expects.
  std::vector<int64_t> starts{SoundEnd ? av_rescale(*SoundEnd, rate, 1000000) : 0}; // in samples, on the next file's clock
  // An AAC packet plays a whole frame, finer than a time base of milliseconds.
  for (const TPacketPtr& packet : FLeftOut)
    starts.push_back(starts.back() + (FLaps ? frame : av_rescale_q(packet->duration, FOutput->time_base, samples)));
  size_t usable = FLeftOut.size(), written = 0;
  if (FLaps) {
    while (usable > 0 && SoundEnd && starts[usable - 1] >= firstHeard)
      --usable;
    written = usable;
    while (written > 0 && (written == usable || !SoundEnd || firstHeard - starts[written] < frame + frame / 2))
      --written;
  }
  std::vector<const AVPacket*> before;
  for (const TPacketPtr& packet : FTail)
    before.push_back(packet.get());
  for (size_t i = 0; i < usable; ++i)
    before.push_back(FLeftOut[i].get());
  const bool decoded = Decode(FOutput->codecpar, before, beforePcm, beforeLayout, beforeRate);
  const bool alike = before.empty() || (av_channel_layout_compare(&layout, &beforeLayout) == 0 && rate == beforeRate);
  av_channel_layout_uninit(&beforeLayout);
  if (!decoded || !alike) {
    av_channel_layout_uninit(&layout);
    return false;
  }
  // The sound of the packets carried, which the mended packets play before the next file's.
  int64_t carried = 0;
  for (size_t i = written; i < usable; ++i)
    carried += samplesOf(beforePcm[FTail.size() + i]);
  if (covered + carried == 0 || frame <= 0) {
    av_channel_layout_uninit(&layout);
    return covered == 0 && carried == 0; // priming only, which a player does not play
  }
  int64_t bytes = 0;
  for (const TPacketPtr& packet : FHead)
    bytes += packet->size;
  TCodecContextPtr encoder = OpenEncoder(FEncoder, layout, rate, int(frame), bytes * 8 * rate / (int64_t(FHead.size()) * frame));
  av_channel_layout_uninit(&layout);
  if (encoder == nullptr)
    return false;

  // What comes before the next file's sound: the packets carried, then silence up to where that
  // sound belongs, or the sound before cut where it runs past it.
  int64_t tail = carried;
  if (SoundEnd)
    tail = std::clamp<int64_t>(firstHeard - starts[written], 0, carried + av_rescale(MaxFilledUs, rate, 1000000));
  // Whole frames: where the container cannot end the last one early, the sound before is cut or
  // drawn out by less than half a frame more.
  int64_t count = (tail + covered + frame - 1) / frame;
  int64_t overshoot = count * frame - tail - covered;
  if (!FTrims) {
    count = std::max((tail + covered + frame / 2) / frame, (covered + frame - 1) / frame);
    tail = count * frame - covered;
    overshoot = 0;
  }
  // AAC packets end on the next file's own, which its first copied one overlaps: the overshoot
  // is left out of the first mended packet instead, whose sound, the file before's, the
  // encoder hears whole, and the rest follows on from where that packet is cut.
  const bool trimsFirst = FLaps && overshoot > 0 && tail >= frame;
  // The encoder's packets lag its input by its priming; the end of the sound before is laid in
  // front, so that the first packet kept begins `tail` samples before the next file's sound.
  const int64_t delay = std::max(encoder->initial_padding, 0);
  const int64_t warm = WarmFrames + (delay + frame - 1) / frame;
  std::vector<float> pcm;
  for (const auto& part : beforePcm)
    pcm.insert(pcm.end(), part.begin(), part.end());
  pcm.resize(size_t(std::max<int64_t>(0, samplesOf(pcm) - carried + tail) * channels)); // silence where drawn out
  const int64_t wanted = warm * frame - delay + tail;
  if (samplesOf(pcm) >= wanted)
    pcm.erase(pcm.begin(), pcm.end() - std::ptrdiff_t(wanted * channels));
  else
    pcm.insert(pcm.begin(), size_t((wanted - samplesOf(pcm)) * channels), 0.0f); // little sound before
  if (trimsFirst) {
    const auto cut = pcm.end() - std::ptrdiff_t((tail - frame) * channels);
    const std::vector<float> again(cut - std::ptrdiff_t(overshoot * channels), cut);
    pcm.insert(cut, again.begin(), again.end());
  }
  for (const auto& part : headPcm)
    pcm.insert(pcm.end(), part.begin(), part.end());
  std::vector<TPacketPtr> encoded;
  if (!Encode(encoder.get(), pcm, encoded) || int64_t(encoded.size()) < warm + count)
    return false;

  // The overshoot is marked to be left out: of the last, or of the first where it trims that.
  for (int64_t j = 0; j < count; ++j) {
    TPacketPtr packet = std::move(encoded[size_t(warm + j)]);
    av_packet_free_side_data(packet.get());
    const int64_t from = tail + covered - j * frame + (trimsFirst && j > 0 ? overshoot : 0);
    packet->pts = packet->dts = end - av_rescale_q(from, samples, FIn->time_base);
    packet->duration = av_rescale_q(frame, samples, FIn->time_base);
    packet->flags = AV_PKT_FLAG_KEY;
    packet->pos = -1;
    if (j == (trimsFirst ? 0 : count - 1) && overshoot > 0)
      SetSkipSamples(packet.get(), {0, overshoot});
    Replacement.push_back(std::move(packet));
  }
  // Those written as they are stay for the caller; the rest are in the mended packets or past them.
  FLeftOut.resize(written);
  return true;
}
