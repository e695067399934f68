#include "remux/OpusSeam.h"

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

// An Opus encoder for frames of `frame` samples at about the bit rate of the packets.
TCodecContextPtr OpenEncoder(const AVChannelLayout& layout, int rate, int frame, int64_t bitRate)
{
  const AVCodec* codec = avcodec_find_encoder_by_name("libopus");
  TCodecContextPtr encoder(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
  if (encoder == nullptr || layout.nb_channels < 1 || layout.nb_channels > 2 ||
      av_channel_layout_copy(&encoder->ch_layout, &layout) < 0)
    return nullptr;
  encoder->sample_rate = rate;
  encoder->sample_fmt = AV_SAMPLE_FMT_FLT;
  encoder->time_base = AVRational{1, rate};
  encoder->bit_rate = std::clamp<int64_t>(bitRate, 6000, 256000 * int64_t(layout.nb_channels));
  AVDictionary* options = nullptr;
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
    float* data = reinterpret_cast<float*>(frame->data[0]);
    const size_t count = std::min(frameValues, pcm.size() - at);
    std::copy_n(pcm.begin() + std::ptrdiff_t(at), count, data);
    std::fill(data + count, data + frameValues, 0.0f);
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

TOpusSeam::TOpusSeam(const AVStream* Output, bool Trims) : FOutput(Output), FTrims(Trims) {}

int64_t TOpusSeam::PrimingUs(const AVCodecParameters* Parameters)
{
  return av_rescale(PreSkip(Parameters), 1000000, 48000);
}

void TOpusSeam::Written(const AVPacket* Packet)
{
  AVPacket* copy = av_packet_clone(Packet);
  if (copy == nullptr)
    throw std::bad_alloc();
  FTail.emplace_back(copy);
  if (FTail.size() > TailPackets)
    FTail.pop_front();
}

bool TOpusSeam::Carries(const AVPacket* Packet) const
{
  size_t size = 0;
  const uint8_t* skip = av_packet_get_side_data(Packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
  return FLeftOut == nullptr && skip != nullptr && size >= 10 && AV_RL32(skip + 4) > 0;
}

void TOpusSeam::LeftOut(TPacketPtr Packet)
{
  FLeftOut = std::move(Packet);
}

void TOpusSeam::BeginInput(const AVStream* In)
{
  FIn = In;
  FHead.clear();
}

void TOpusSeam::Hold(TPacketPtr Packet)
{
  FHead.push_back(std::move(Packet));
}

bool TOpusSeam::Full() const
{
  // One more than are replaced: the encoder hears what follows them.
  return FHead.size() > Replaced;
}

std::vector<TPacketPtr> TOpusSeam::Release(std::optional<int64_t> SoundEnd, bool& Mended)
{
  std::vector<TPacketPtr> packets;
  Mended = FHead.empty() || Mend(SoundEnd, packets);
  if (!Mended)
    packets.clear();
  const size_t kept = Mended ? std::min(Replaced, FHead.size()) : 0;
  for (size_t i = kept; i < FHead.size(); ++i)
    packets.push_back(std::move(FHead[i]));
  FHead.clear();
  FTail.clear();
  FIn = nullptr;
  return packets;
}

bool TOpusSeam::Mend(std::optional<int64_t> SoundEnd, std::vector<TPacketPtr>& Replacement)
{
  std::vector<const AVPacket*> head, before;
  for (const TPacketPtr& packet : FHead)
    head.push_back(packet.get());
  for (const TPacketPtr& packet : FTail)
    before.push_back(packet.get());
  if (FLeftOut)
    before.push_back(FLeftOut.get());
  std::vector<std::vector<float>> headPcm, beforePcm;
  AVChannelLayout layout{}, beforeLayout{};
  int rate = 0, beforeRate = 0;
  const bool decoded = Decode(FIn->codecpar, head, headPcm, layout, rate) &&
                       Decode(FOutput->codecpar, before, beforePcm, beforeLayout, beforeRate);
  const int channels = layout.nb_channels;
  const bool alike = before.empty() || (av_channel_layout_compare(&layout, &beforeLayout) == 0 && rate == beforeRate);
  av_channel_layout_uninit(&beforeLayout);
  if (!decoded || !alike || channels <= 0 || rate <= 0) {
    av_channel_layout_uninit(&layout);
    return false;
  }
  const auto samplesOf = [channels](const std::vector<float>& pcm) { return int64_t(pcm.size()) / channels; };
  // The frame length: of a packet past the priming.
  const size_t replaced = std::min(Replaced, FHead.size());
  const int64_t frame = FHead.size() > 1 ? samplesOf(headPcm[1]) : samplesOf(headPcm[0]) + PreSkip(FIn->codecpar);
  int64_t covered = 0; // samples of the replaced packets, as the file plays alone
  for (size_t i = 0; i < replaced; ++i)
    covered += samplesOf(headPcm[i]);
  // The sound of the packet left out, which the mended packets carry before the next file's.
  const int64_t carried = FLeftOut ? samplesOf(beforePcm.back()) : 0;
  if (covered + carried == 0 || frame <= 0) {
    av_channel_layout_uninit(&layout);
    return covered == 0 && carried == 0; // priming only, which a player does not play
  }
  int64_t bytes = 0;
  for (const AVPacket* packet : head)
    bytes += packet->size;
  TCodecContextPtr encoder = OpenEncoder(layout, rate, int(frame), bytes * 8 * rate / (int64_t(head.size()) * frame));
  av_channel_layout_uninit(&layout);
  if (encoder == nullptr)
    return false;

  // They end where the first packet copied begins.
  const AVRational samples{1, rate};
  const AVPacket* last = FHead[replaced - 1].get();
  const int64_t end = replaced < FHead.size() ? FHead[replaced]->pts : last->pts + last->duration;
  // What comes before the next file's sound: the packet left out, then silence up to where that
  // sound belongs, or the sound before cut where it runs past it.
  int64_t tail = carried;
  if (SoundEnd) {
    // In microseconds: the sound's end is finer than a time base of milliseconds.
    const int64_t span = av_rescale_q(end, FIn->time_base, samples) - av_rescale(*SoundEnd, rate, 1000000) - covered;
    tail = std::clamp<int64_t>(span, 0, carried + av_rescale(MaxFilledUs, rate, 1000000));
  }
  // Whole frames: where the container cannot end the last one early, the sound before is cut or
  // drawn out by less than half a frame more.
  int64_t count = (tail + covered + frame - 1) / frame;
  int64_t overshoot = count * frame - tail - covered;
  if (!FTrims) {
    count = std::max((tail + covered + frame / 2) / frame, (covered + frame - 1) / frame);
    tail = count * frame - covered;
    overshoot = 0;
  }
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
  for (const auto& part : headPcm)
    pcm.insert(pcm.end(), part.begin(), part.end());
  std::vector<TPacketPtr> encoded;
  if (!Encode(encoder.get(), pcm, encoded) || int64_t(encoded.size()) < warm + count)
    return false;

  // The last one's overshoot is marked to be left out.
  for (int64_t j = 0; j < count; ++j) {
    TPacketPtr packet = std::move(encoded[size_t(warm + j)]);
    av_packet_free_side_data(packet.get());
    packet->pts = packet->dts = end - av_rescale_q(tail + covered - j * frame, samples, FIn->time_base);
    packet->duration = av_rescale_q(frame, samples, FIn->time_base);
    packet->flags = AV_PKT_FLAG_KEY;
    packet->pos = -1;
    if (j + 1 == count && overshoot > 0) {
      uint8_t* skip = av_packet_new_side_data(packet.get(), AV_PKT_DATA_SKIP_SAMPLES, 10);
      if (skip == nullptr)
        throw std::bad_alloc();
      AV_WL32(skip, 0);
      AV_WL32(skip + 4, uint32_t(overshoot));
      skip[8] = skip[9] = 0;
    }
    Replacement.push_back(std::move(packet));
  }
  FLeftOut.reset();
  return true;
}
