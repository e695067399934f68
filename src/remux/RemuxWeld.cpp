#include "remux/RemuxWeld.h"

#include "platform/SeamText.h"
#include "platform/Exceptions.h"
#include "remux/RemuxCheck.h"
#include "remux/RemuxInput.h"
#include "remux/SeamClock.h"

#include "platform/EveryCore.h"
#include "platform/FFmpegPtr.h"
#include "platform/MediaOutput.h"
#include "platform/SilentAudio.h"
#include "platform/StreamFacts.h"

#include <cmath>
#include <cstring>
#include <deque>
#include <exception>
#include <new>

namespace {

// A failed write keeps the system's code, by which the driver tells a full disk, whose partial
// output cannot have been finished.
[[noreturn]] void RaiseWriteError(const std::string& fileName, int result)
{
  throw EOSError(AVUNERROR(result), "Unable to write " + fileName + " (" + FFmpegErrorText(result) + ")");
}

// How often, in packets, the progress dialog hears of the join.
constexpr int ReportEvery = 32;
// Sound left out or missing at a seam is told to the user from this much on; less is the
// rounding of whole packets.
constexpr int64_t NoticeableUs = 50000;
// Sound held back until the picture shows whether it runs past the seam; a file that stores its
// sound far from its picture is written as it comes rather than held without bound.
constexpr size_t PendingLimit = 32u << 20;

// The tag the input gives its codec, where the output's container knows it for that codec (as
// "hvc1" for HEVC in MOV); else the container chooses.
uint32_t OutputCodecTag(const AVOutputFormat* muxer, const AVCodecParameters* par)
{
  if (muxer->codec_tag == nullptr)
    return par->codec_tag;
  unsigned int tag = 0;
  if (av_codec_get_id(muxer->codec_tag, par->codec_tag) == par->codec_id ||
      !av_codec_get_tag2(muxer->codec_tag, par->codec_id, &tag))
    return par->codec_tag;
  return 0;
}

// MP4 and MOV: their headers give every stream's parameters and every packet's time and length,
// so that an input need not be probed again before its packets are copied (a Matroska sound
// packet's length, for one, can come from its decoder) and its index counts its packets.
bool IsQuickTime(const std::string& container)
{
  return container == "MP4" || container == "MOV";
}

// Packets of the streams a join copies; -1 when the input does not count them.
int64_t CountedPackets(const TRemuxInput& input, const std::string& container)
{
  if (!IsQuickTime(container))
    return -1;
  int64_t sum = 0;
  for (const int index : {input.VideoIndex, input.AudioIndex}) {
    if (index < 0)
      continue;
    const int64_t count = input.Context()->streams[index]->nb_frames;
    if (count <= 0)
      return -1;
    sum += count;
  }
  return sum;
}

// An MP4 or MOV muxer holds about 70 bytes per packet until it writes the index at the end; past
// this many packets (some five hours of 30 fps video with AAC) the output is written in
// fragments, each with its own index, so that memory stays bounded however long the join.
constexpr int64_t FragmentAbove = 400000;

// Room for an MP4 index of that many packets: no sample takes more than 64 bytes of its tables
// (size, time, composition offset, chunk, offset, sync, dependency and roll entries), and the
// headers, metadata and edit lists of each input fit in 64 KiB.
int64_t IndexRoom(int64_t packets, size_t inputs)
{
  return packets * 64 + int64_t(inputs + 1) * 65536;
}

// What the output's tags take in its index, with room for their boxes.
int64_t TagBytes(const AVFormatContext* out)
{
  int64_t bytes = 0;
  auto add = [&](const AVDictionary* tags) {
    for (const AVDictionaryEntry* tag = nullptr; (tag = av_dict_get(tags, "", tag, AV_DICT_IGNORE_SUFFIX)) != nullptr;)
      bytes += int64_t(std::strlen(tag->key) + std::strlen(tag->value)) + 64;
  };
  add(out->metadata);
  for (unsigned i = 0; i < out->nb_streams; ++i)
    add(out->streams[i]->metadata);
  return bytes;
}

} // namespace

struct TRemuxWelder::TPlan {
  std::string Name; // as given; the seam notes show it without its folder
  bool Reprobe = true; // whether copying it needs its stream information read again
  int64_t VideoStart = 0;
  int64_t AudioLead = 0;
};

struct TRemuxWelder::TOutput {
  TOutputFormatPtr Context;
  bool HeaderWritten = false;
  AVStream* Video = nullptr;
  AVStream* Audio = nullptr;
  TSeamClock Clock;
  int64_t LastVideoDts = AV_NOPTS_VALUE; // output time base
  int64_t LastAudioDts = AV_NOPTS_VALUE;
  int64_t AudioEnd = AV_NOPTS_VALUE;
  // MP4 and MOV play PCM sample after sample, whatever the time stamps: a hole in the sound
  // would pull all later sound early. It is filled with silence.
  bool FillSoundHoles = false;

  void WriteSilence(int64_t start, int64_t length, const std::string& fileName)
  {
    const AVCodecParameters* par = Audio->codecpar;
    const int64_t blockAlign = int64_t(par->ch_layout.nb_channels) * av_get_exact_bits_per_sample(par->codec_id) / 8;
    const AVRational rate{1, par->sample_rate};
    // A second at a time, so that a long hole needs no large packet.
    const int64_t piece = av_rescale_q(1, AVRational{1, 1}, Audio->time_base);
    for (int64_t at = start; at < start + length; at += piece) {
      const int64_t duration = std::min(piece, start + length - at);
      const int64_t samples = av_rescale_q(duration, Audio->time_base, rate);
      if (samples <= 0 || blockAlign <= 0)
        return;
      TPacketPtr silence = NewPacket();
      if (av_new_packet(silence.get(), int(samples * blockAlign)) < 0)
        throw std::bad_alloc();
      std::memset(silence->data, PcmSilenceByte(par->codec_id), size_t(silence->size));
      silence->pts = silence->dts = at;
      silence->duration = duration;
      silence->stream_index = Audio->index;
      silence->flags = AV_PKT_FLAG_KEY;
      Write(silence.get(), fileName);
    }
  }

  void Write(AVPacket* packet, const std::string& fileName)
  {
    const int result = av_interleaved_write_frame(Context.get(), packet);
    if (result < 0)
      RaiseWriteError(fileName, result);
  }

  // Finishes the container, so that what was written plays.
  void Finish(const std::string& fileName)
  {
    int result = HeaderWritten ? av_write_trailer(Context.get()) : 0;
    HeaderWritten = false;
    const int closed = avio_closep(&Context->pb);
    if (result >= 0)
      result = closed;
    if (result < 0)
      RaiseWriteError(fileName, result);
  }
};

TRemuxWelder::TRemuxWelder() = default;
TRemuxWelder::~TRemuxWelder() = default;

void TRemuxWelder::Execute()
{
  const TProgressScope progress(FProgressDlg, "The selected files are being joined. Please wait...");
  Join();
}

std::unique_ptr<TRemuxInput> TRemuxWelder::PlanInputs(std::vector<TPlan>& plans, std::string& Container)
{
  // Every input is read and checked before the output is touched; each on its own, so on every
  // core at once. Only the first stays open, for the output to take its streams from.
  struct TSurvey {
    TCopyFormat Format;
    int64_t FileSize = 0;
    int64_t Packets = 0; // of the streams copied, -1 when the input does not tell
    std::unique_ptr<TRemuxInput> Input;
    std::exception_ptr Failure;
  };
  plans.assign(Files.size(), {});
  std::vector<TSurvey> surveys(Files.size());
  ForEachOnEveryCore(Files.size(), [&](size_t i) {
    try {
      auto input = std::make_unique<TRemuxInput>(Files[i]);
      TPlan& plan = plans[i];
      plan.Name = Files[i];
      surveys[i].Format = CopyFormatOf(input->Context(), Files[i]);
      plan.Reprobe = !IsQuickTime(surveys[i].Format.Container);
      if (input->VideoIndex >= 0)
        input->MeasureStarts(plan.VideoStart, plan.AudioLead, i > 0);
      surveys[i].FileSize = std::max<int64_t>(input->FileSize, 0);
      surveys[i].Packets = CountedPackets(*input, surveys[i].Format.Container);
      if (i == 0)
        surveys[i].Input = std::move(input);
    } catch (...) {
      surveys[i].Failure = std::current_exception();
    }
  });
  std::vector<TCopyFormat> formats;
  FTotalBytes = 0;
  int64_t packets = 0;
  for (TSurvey& survey : surveys) {
    if (survey.Failure)
      std::rethrow_exception(survey.Failure);
    formats.push_back(std::move(survey.Format));
    FTotalBytes += survey.FileSize;
    packets = packets >= 0 && survey.Packets >= 0 ? packets + survey.Packets : -1;
  }
  std::unique_ptr<TRemuxInput> first = std::move(surveys.front().Input);
  Container = OutputContainerFor(OutputFileName, formats.front());
  FFragmented = packets > FragmentAbove;
  FIndexRoom = packets >= 0 && !FFragmented ? IndexRoom(packets, formats.size()) : 0;
  std::vector<TCopyInput> inputs;
  for (size_t i = 0; i < plans.size(); ++i)
    inputs.push_back({plans[i].Name, &formats[i]});
  const TCopyJoinCheck check = CheckCopyJoin(inputs, Container);
  if (!check.Refusal.empty())
    throw Exception("Unable to join without recompression: " + check.Refusal);
  FWithSound = !VideoOnly && formats.front().Audio.has_value();
  if (FWithSound && !check.SoundDifference.empty())
    throw Exception("Unable to join the sound without recompression: " + check.SoundDifference);
  return first;
}

void TRemuxWelder::CreateOutput(const TRemuxInput& First, const std::string& Container)
{
  FOutput = std::make_unique<TOutput>();
  AVFormatContext* out = nullptr;
  int result = avformat_alloc_output_context2(&out, nullptr, MuxerName(Container), OutputFileName.c_str());
  if (result < 0)
    throw Exception("Unable to create " + OutputFileName + " (" + FFmpegErrorText(result) + ")");
  FOutput->Context.reset(out);
  const AVFormatContext* in = First.Context();
  // Creation time, title and the like of the first file stand for the whole.
  av_dict_copy(&out->metadata, in->metadata, 0);
  auto addStream = [&](int index) {
    const AVStream* source = in->streams[index];
    AVStream* stream = avformat_new_stream(out, nullptr);
    if (stream == nullptr || avcodec_parameters_copy(stream->codecpar, source->codecpar) < 0)
      throw std::bad_alloc();
    stream->codecpar->codec_tag = OutputCodecTag(out->oformat, source->codecpar);
    stream->time_base = source->time_base;
    stream->disposition = source->disposition;
    // Language, handler name; rotation and the like travel as side data.
    av_dict_copy(&stream->metadata, source->metadata, 0);
    for (int i = 0; i < source->nb_side_data; ++i) {
      const AVPacketSideData& data = source->side_data[i];
      uint8_t* copy = av_stream_new_side_data(stream, data.type, data.size);
      if (copy == nullptr)
        throw std::bad_alloc();
      std::memcpy(copy, data.data, data.size);
    }
    return stream;
  };
  FOutput->Video = addStream(First.VideoIndex);
  if (FWithSound) {
    FOutput->Audio = addStream(First.AudioIndex);
    FOutput->FillSoundHoles = IsQuickTime(Container) && IsPlainPcm(FOutput->Audio->codecpar->codec_id);
  }

  result = OpenMediaOutput(&out->pb, OutputFileName);
  if (result < 0)
    throw Exception("Unable to create " + OutputFileName + " (" + FFmpegErrorText(result) + ")");
  // MP4 and MOV play from the start when streamed only with their index in front. Where the
  // inputs tell how many packets they hold, room for the index is kept in front from the start;
  // else the muxer moves everything after it at the end, which costs a second pass. A fragmented
  // file starts with its tracks and indexes each fragment before it.
  AVDictionary* options = nullptr;
  if (IsQuickTime(Container)) {
    if (FFragmented)
      av_dict_set(&options, "movflags", "+frag_keyframe+empty_moov+default_base_moof", 0);
    else if (FIndexRoom > 0)
      av_dict_set_int(&options, "moov_size", FIndexRoom + TagBytes(out), 0);
    else
      av_dict_set(&options, "movflags", "+faststart", 0);
  }
  result = avformat_write_header(out, &options);
  av_dict_free(&options);
  if (result < 0)
    RaiseWriteError(OutputFileName, result);
  FOutput->HeaderWritten = true;
}

bool TRemuxWelder::ReportProgress(int64_t BytesDone)
{
  FProgressDlg->SetProgress(FTotalBytes > 0 ? std::min(100.0, 100.0 * double(BytesDone) / double(FTotalBytes)) : 0);
  return !FProgressDlg->IsCancelled();
}

bool TRemuxWelder::CopyInput(TRemuxInput& Input, const std::vector<TPlan>& Plans, size_t Index)
{
  TOutput& out = *FOutput;
  TSeamClock& clock = out.Clock;
  const TPlan& plan = Plans[Index];
  const bool last = Index + 1 == Plans.size();
  clock.BeginInput(plan.VideoStart, FWithSound && !last ? std::optional<int64_t>(Plans[Index + 1].AudioLead)
                                                        : std::nullopt);
  const bool sound = FWithSound && Input.AudioIndex >= 0;
  const AVRational us = AV_TIME_BASE_Q;
  std::deque<TPacketPtr> pending; // sound that may run past the seam
  size_t pendingBytes = 0;

  auto writeAudio = [&](TPacketPtr& packet) {
    const int64_t start = av_rescale_q(packet->pts, out.Audio->time_base, us);
    const int64_t duration = av_rescale_q(packet->duration, out.Audio->time_base, us);
    // Sound that would overlap what is written already is left out.
    if (out.LastAudioDts != AV_NOPTS_VALUE && packet->dts <= out.LastAudioDts)
      return;
    if (out.FillSoundHoles && out.AudioEnd != AV_NOPTS_VALUE && packet->pts > out.AudioEnd)
      out.WriteSilence(out.AudioEnd, packet->pts - out.AudioEnd, OutputFileName);
    out.LastAudioDts = packet->dts;
    out.AudioEnd = packet->pts + packet->duration;
    clock.AudioWritten(start, duration);
    out.Write(packet.get(), OutputFileName);
  };
  auto flushSure = [&] {
    while (!pending.empty()) {
      TPacketPtr& front = pending.front();
      const int64_t start = av_rescale_q(front->pts, out.Audio->time_base, us);
      const int64_t duration = av_rescale_q(front->duration, out.Audio->time_base, us);
      if (!clock.AudioSure(start, duration) && pendingBytes <= PendingLimit)
        break;
      pendingBytes -= size_t(front->size);
      writeAudio(front);
      pending.pop_front();
    }
  };

  const AVStream* videoIn = Input.Context()->streams[Input.VideoIndex];
  const AVStream* audioIn = sound ? Input.Context()->streams[Input.AudioIndex] : nullptr;
  TPacketPtr packet = NewPacket();
  int count = 0;
  bool cancelled = false;
  while (Input.ReadPacket(packet.get())) {
    const int streamIndex = packet->stream_index;
    if (streamIndex == Input.VideoIndex) {
      const int64_t duration = Input.PacketDuration(packet.get());
      if (packet->pts == AV_NOPTS_VALUE)
        packet->pts = packet->dts;
      if (packet->pts != AV_NOPTS_VALUE)
        clock.VideoPacket(av_rescale_q(packet->pts, videoIn->time_base, us),
                          av_rescale_q(duration, videoIn->time_base, us));
      const int64_t offset = av_rescale_q(clock.VideoOffset(), us, out.Video->time_base);
      packet->duration = duration;
      av_packet_rescale_ts(packet.get(), videoIn->time_base, out.Video->time_base);
      if (packet->pts != AV_NOPTS_VALUE)
        packet->pts += offset;
      if (packet->dts != AV_NOPTS_VALUE) {
        packet->dts += offset;
        // Inputs that reorder their frames by different depths would meet at the seam.
        if (out.LastVideoDts != AV_NOPTS_VALUE && packet->dts <= out.LastVideoDts)
          packet->dts = out.LastVideoDts + 1;
        if (packet->pts != AV_NOPTS_VALUE && packet->pts < packet->dts)
          packet->pts = packet->dts;
        out.LastVideoDts = packet->dts;
      }
      packet->stream_index = out.Video->index;
      packet->pos = -1;
      out.Write(packet.get(), OutputFileName);
      ++Outcome.FramesWritten;
      if (sound)
        flushSure();
    } else if (sound && streamIndex == Input.AudioIndex) {
      if (packet->pts == AV_NOPTS_VALUE)
        packet->pts = packet->dts;
      if (packet->pts == AV_NOPTS_VALUE) {
        av_packet_unref(packet.get()); // no place to put it
      } else {
        packet->duration = Input.PacketDuration(packet.get());
        const int64_t offset = clock.AudioOffset(av_rescale_q(packet->pts, audioIn->time_base, us),
                                                 av_rescale_q(packet->duration, audioIn->time_base, us));
        av_packet_rescale_ts(packet.get(), audioIn->time_base, out.Audio->time_base);
        const int64_t shift = av_rescale_q(offset, us, out.Audio->time_base);
        packet->pts += shift;
        packet->dts = packet->pts;
        packet->stream_index = out.Audio->index;
        packet->pos = -1;
        pendingBytes += size_t(packet->size);
        pending.push_back(std::move(packet));
        packet = NewPacket();
        flushSure();
      }
    } else {
      av_packet_unref(packet.get());
    }
    if (++count % ReportEvery == 0 && !ReportProgress(FBytesBefore + Input.Position())) {
      cancelled = true;
      break;
    }
  }

  const int64_t seam = clock.EndInput();
  if (!sound || cancelled)
    return !cancelled;
  int64_t leftOut = 0;
  int64_t leftOutAt = -1;
  for (TPacketPtr& held : pending) {
    const int64_t start = av_rescale_q(held->pts, out.Audio->time_base, us);
    const int64_t duration = av_rescale_q(held->duration, out.Audio->time_base, us);
    if (clock.AudioKept(start, duration)) {
      writeAudio(held);
    } else {
      leftOut += duration;
      if (leftOutAt < 0)
        leftOutAt = start;
    }
  }
  if (last)
    return true;
  if (leftOut >= NoticeableUs)
    Outcome.SeamNotes.push_back(SeamNoteText(plan.Name, {"the sound is " + SecondsText(leftOut / 1e6) +
                                                         " longer than the picture", SecondsText(leftOut / 1e6) +
                                                         " of sound left out at " + ClockText(leftOutAt / 1e6)}));
  const int64_t missing = seam + std::min<int64_t>(0, Plans[Index + 1].AudioLead) - clock.SoundEnd();
  if (missing >= NoticeableUs)
    Outcome.SeamNotes.push_back(SeamNoteText(plan.Name, {"the sound is " + SecondsText(missing / 1e6) +
                                                         " shorter than the picture", SecondsText(missing / 1e6) +
                                                         " without sound at " + ClockText(clock.SoundEnd() / 1e6)}));
  return true;
}

void TRemuxWelder::Join()
{
  Outcome = {};
  if (Files.empty())
    return;
  std::string container;
  std::vector<TPlan> plans;
  std::unique_ptr<TRemuxInput> first = PlanInputs(plans, container);
  try {
    CreateOutput(*first, container);
    first.reset();
    FBytesBefore = 0;
    for (size_t i = 0; i < Files.size(); ++i) {
      // Probed and checked already; what the copy needs is in the header where it describes
      // every stream.
      TRemuxInput input(Files[i], plans[i].Reprobe);
      const bool goOn = CopyInput(input, plans, i);
      FBytesBefore += input.FileSize;
      if (!goOn) {
        Outcome.Cancelled = true;
        break;
      }
    }
    Outcome.SecondsWritten = double(FOutput->Clock.OutputStart()) / 1e6;
    FOutput->Finish(OutputFileName);
    // Reports come every few packets; a finished join shows all of it done.
    if (!Outcome.Cancelled)
      FProgressDlg->SetProgress(100);
  } catch (...) {
    // The failure on its way out is the one to report; the output keeps what was copied.
    if (FOutput) {
      try {
        FOutput->Finish(OutputFileName);
      } catch (const std::exception&) {
      }
    }
    FOutput.reset();
    throw;
  }
  FOutput.reset();
}
