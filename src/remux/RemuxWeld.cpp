#include "remux/RemuxWeld.h"

#include "platform/SeamText.h"
#include "platform/Exceptions.h"
#include "remux/PictureStamps.h"
#include "remux/RemuxChapters.h"
#include "remux/RemuxCheck.h"
#include "remux/RemuxInput.h"
#include "remux/RemuxStreams.h"
#include "remux/SeamClock.h"
#include "remux/SkipSamples.h"
#include "remux/SmartCut.h"
#include "remux/SoundSeam.h"
#include "remux/VideoClockCheck.h"

#include "platform/EveryCore.h"
#include "platform/FFmpegPtr.h"
#include "platform/MediaOutput.h"
#include "platform/OutputContainer.h"
#include "platform/SilentAudio.h"
#include "platform/StreamFacts.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <future>
#include <new>

namespace {

// A failed write keeps the system's code, by which the driver tells a full disk, whose partial
// output cannot have been finished.
// `what` tells what was being copied, as " while copying clip2.mkv, video".
[[noreturn]] void RaiseWriteError(const std::string& fileName, int result, const std::string& what = "")
{
  throw EOSError(AVUNERROR(result), "Unable to write " + fileName + " (" + FFmpegErrorText(result) + ")" + what);
}

// Hidden pictures held to see whether a shown one follows; FFmpeg's reordering stops at 16.
constexpr size_t HiddenRunLimit = 16;
// How often, in packets, the progress dialog hears of the join.
constexpr int ReportEvery = 32;
// How often, while pictures are encoded anew on other threads, the progress dialog is asked
// whether the user cancelled: often enough for its window to stay responsive.
constexpr std::chrono::milliseconds CutCancelPoll{20};
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

// Packets of the streams a join copies; -1 when the input does not count them. The index is
// what the demuxer reads packet by packet; a stream's frame count would be PCM's sample count,
// which would have an ordinary camera clip written in fragments.
int64_t CountedPackets(const TRemuxInput& input, const std::string& container)
{
  if (!IsQuickTime(container))
    return -1;
  int64_t sum = 0;
  for (const int index : {input.VideoIndex, input.AudioIndex}) {
    if (index < 0)
      continue;
    const int64_t count = avformat_index_get_entries_count(input.Context()->streams[index]);
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
  int64_t Length = 0; // as its description gives it, in microseconds; 0 when unknown
  int AudioIndex = -1;
  std::vector<int64_t> AudioLeads; // of each of its sound streams, by stream index
  int64_t Hidden = 0; // how long the pictures its edit list hides at its start last
  int64_t PictureLength = 0; // as its picture track's header gives it, in microseconds
  std::vector<TRemuxChapters::TChapter> Chapters; // its own, in its own time
  std::shared_ptr<TSmartCut> Cut; // of a later file's hidden start: stands for its first packets
  std::vector<int64_t> ShownLeads;     // of a later file whose hidden start is to be cut: its AudioLeads if not
  std::optional<THiddenEnd> HiddenEnd; // when it needs a cut at its end
  std::shared_ptr<TSmartCut> EndCut;
};

// One sound track of the output, joined from one stream of each input.
struct TRemuxWelder::TSoundTrack {
  AVStream* Stream = nullptr;
  std::string Label;        // empty for the first, of which the notes say "the sound"
  std::vector<int> Sources; // per input, its stream's index
  // Each track follows the picture's seams on a clock of its own, so that its sound is kept
  // with the picture and cut at the seam as the first track's is.
  TSeamClock Clock;
  int64_t LastDts = AV_NOPTS_VALUE; // output time base
  int64_t End = AV_NOPTS_VALUE;
  // MP4 and MOV play PCM sample after sample, whatever the time stamps: a hole in the sound
  // would pull all later sound early. It is filled with silence.
  bool FillHoles = false;
  // Of the input being copied: its stream, and its sound that may run past the seam.
  const AVStream* In = nullptr;
  std::deque<TPacketPtr> Pending;
  size_t PendingBytes = 0;
  std::unique_ptr<TSoundSeam> Seam; // for Opus and AAC sound, whose seams are encoded again
  bool Mending = false;             // the next input's seam is encoded again
  // Whether players leave out the padding that ends a packet anywhere in the stream (Matroska
  // and WebM, which the muxer shifts too); elsewhere only at the end of the stream.
  bool Trims = false;
  // Where they do, the last packet written is held until the next one shows whether it runs
  // over it: at a seam, the next file's sound then starts at its own place, and the end of the
  // sound before that it would play over is marked to be left out. (Opus seams are encoded
  // again to fit; AAC seams encode the last packets again, but need this where they cannot.)
  TPacketPtr Held;
  bool AtSeam = false; // the next packet written is the next file's first
  bool HoldsLast() const { return Trims && (!Seam || Seam->Laps()); }

  std::string Words() const { return Label.empty() ? "the sound" : "the " + Label; }
  // What a player plays of a packet written, in microseconds: a file's last Opus packet ends in
  // padding that players leave out where the output's container tells them.
  int64_t PlayedUs(const AVPacket* packet) const
  {
    const AVCodecParameters* par = Stream->codecpar;
    const int64_t padding =
        Trims && par->sample_rate > 0 ? av_rescale(SkipSamplesOf(packet).End, 1000000, par->sample_rate) : 0;
    // An AAC packet plays a whole frame, which a time base of milliseconds (Matroska) rounds
    // down; seams that fit sound to its end would lag by that, the more at each.
    if (par->codec_id == AV_CODEC_ID_AAC && par->frame_size > 0 && par->sample_rate > 0)
      return av_rescale(par->frame_size, 1000000, par->sample_rate) - padding;
    return av_rescale_q(packet->duration, Stream->time_base, AV_TIME_BASE_Q) - padding;
  }
};

// Subtitles: each input's are shown with its picture; those after the picture's end would show
// over the next file's.
struct TRemuxWelder::TTextTrack {
  AVStream* Stream = nullptr;
  std::string Label;
  std::vector<int> Sources;
  int64_t LastDts = AV_NOPTS_VALUE;
  const AVStream* In = nullptr;
  std::deque<TPacketPtr> Pending; // starting past the picture copied so far
};

struct TRemuxWelder::TOutput {
  TOutputFormatPtr Context;
  bool HeaderWritten = false;
  AVStream* Video = nullptr;
  TSeamClock Clock;
  int64_t LastVideoDts = AV_NOPTS_VALUE; // output time base
  // Deques: a track holds packets, which cannot be copied when a vector grows.
  std::deque<TSoundTrack> Sound;
  std::deque<TTextTrack> Text;
  TRemuxChapters Chapters;
  // Matroska moves every packet later by what the earliest one is shown before 0 (sound priming);
  // its chapters must move with them.
  bool MuxerShifts = false;
  int64_t EarliestUs = 0;
  // The first file's cover art, written once the header is.
  TPacketPtr Cover;
  AVStream* CoverStream = nullptr;
  std::string Copying; // the input being copied, for the words of a failure

  static std::string KindWords(AVMediaType kind)
  {
    return kind == AVMEDIA_TYPE_VIDEO ? "video" : kind == AVMEDIA_TYPE_AUDIO ? "sound" : "subtitles";
  }

  void WriteSilence(const TSoundTrack& track, int64_t start, int64_t length, const std::string& fileName)
  {
    const AVCodecParameters* par = track.Stream->codecpar;
    const int64_t blockAlign = int64_t(par->ch_layout.nb_channels) * av_get_exact_bits_per_sample(par->codec_id) / 8;
    const AVRational rate{1, par->sample_rate};
    // A second at a time, so that a long hole needs no large packet.
    const int64_t piece = av_rescale_q(1, AVRational{1, 1}, track.Stream->time_base);
    for (int64_t at = start; at < start + length; at += piece) {
      const int64_t duration = std::min(piece, start + length - at);
      const int64_t samples = av_rescale_q(duration, track.Stream->time_base, rate);
      if (samples <= 0 || blockAlign <= 0)
        return;
      TPacketPtr silence = NewPacket();
      if (av_new_packet(silence.get(), int(samples * blockAlign)) < 0)
        throw std::bad_alloc();
      std::memset(silence->data, PcmSilenceByte(par->codec_id), size_t(silence->size));
      silence->pts = silence->dts = at;
      silence->duration = duration;
      silence->stream_index = track.Stream->index;
      silence->flags = AV_PKT_FLAG_KEY;
      Write(silence.get(), fileName);
    }
  }

  void WriteAudio(TSoundTrack& track, TPacketPtr& packet, const std::string& fileName)
  {
    const AVRational us = AV_TIME_BASE_Q;
    const int64_t start = av_rescale_q(packet->pts, track.Stream->time_base, us);
    const int64_t duration = track.PlayedUs(packet.get());
    // Sound that would overlap what is written already is left out.
    if (track.LastDts != AV_NOPTS_VALUE && packet->dts <= track.LastDts)
      return;
    if (track.FillHoles && track.End != AV_NOPTS_VALUE && packet->pts > track.End)
      WriteSilence(track, track.End, packet->pts - track.End, fileName);
    track.LastDts = packet->dts;
    track.End = packet->pts + packet->duration;
    track.Clock.AudioWritten(start, duration);
    if (track.Seam)
      track.Seam->Written(packet.get());
    if (!track.HoldsLast()) {
      Write(packet.get(), fileName);
      return;
    }
    if (track.Held)
      WriteHeld(track, packet->pts, fileName);
    track.Held = std::move(packet);
  }

  // The packet held, its end left out where it runs past `nextPts` at a seam.
  void WriteHeld(TSoundTrack& track, int64_t nextPts, const std::string& fileName)
  {
    TPacketPtr held = std::move(track.Held);
    const int rate = track.Stream->codecpar->sample_rate;
    if (track.AtSeam && nextPts != AV_NOPTS_VALUE && rate > 0) {
      TSkipSamples skip = SkipSamplesOf(held.get());
      const AVRational samples{1, rate};
      const int64_t played = av_rescale_q(held->duration, track.Stream->time_base, samples) - skip.End;
      const int64_t over = av_rescale_q(held->pts + held->duration - nextPts, track.Stream->time_base, samples) - skip.End;
      if (over > 0 && over < played) {
        skip.End += over;
        SetSkipSamples(held.get(), skip);
      }
    }
    track.AtSeam = false;
    Write(held.get(), fileName);
  }

  // Matroska readers take a sound track's codec delay (the priming) off its time stamps, so a
  // writer adds it. Muxers before FFmpeg 6 write the delay, for Opus only, without adding it: the
  // sound would play that much early, and more at every pass through them. It is added here.
  static int64_t CodecDelay(const AVStream* stream, bool& added)
  {
    const AVCodecParameters* par = stream->codecpar;
    if (par->codec_type != AVMEDIA_TYPE_AUDIO || par->initial_padding <= 0 || par->sample_rate <= 0)
      return 0;
#if LIBAVFORMAT_VERSION_MAJOR < 60
    added = par->codec_id == AV_CODEC_ID_OPUS;
    return added ? av_rescale_q(par->initial_padding, AVRational{1, 48000}, stream->time_base) : 0;
#else
    added = false;
    return av_rescale_q(par->initial_padding, AVRational{1, par->sample_rate}, stream->time_base);
#endif
  }

  void Write(AVPacket* packet, const std::string& fileName)
  {
    const AVStream* stream = Context->streams[packet->stream_index];
    const AVMediaType kind = stream->codecpar->codec_type;
    bool added = false;
    const int64_t delay = MuxerShifts ? CodecDelay(stream, added) : 0;
    if (added) {
      packet->pts = packet->pts == AV_NOPTS_VALUE ? packet->pts : packet->pts + delay;
      packet->dts = packet->dts == AV_NOPTS_VALUE ? packet->dts : packet->dts + delay;
    }
    // What the muxer shifts every packet by is reckoned on what it writes.
    if (packet->pts != AV_NOPTS_VALUE)
      EarliestUs = std::min(EarliestUs, av_rescale_q(packet->pts + (added ? 0 : delay), stream->time_base, AV_TIME_BASE_Q));
    const int result = av_interleaved_write_frame(Context.get(), packet);
    if (result < 0)
      RaiseWriteError(fileName, result, Copying.empty() ? "" : " while copying " + Copying + ", " + KindWords(kind));
  }

  // Finishes the container, so that what was written plays.
  void Finish(const std::string& fileName)
  {
    for (TSoundTrack& track : Sound)
      if (track.Held && HeaderWritten)
        WriteHeld(track, AV_NOPTS_VALUE, fileName);
    int result = HeaderWritten ? av_write_trailer(Context.get()) : 0;
    HeaderWritten = false;
    const int closed = avio_closep(&Context->pb);
    if (result >= 0)
      result = closed;
    if (result < 0)
      RaiseWriteError(fileName, result, " while finishing it");
  }
};

TRemuxWelder::TRemuxWelder() = default;
TRemuxWelder::~TRemuxWelder() = default;

void TRemuxWelder::Execute()
{
  const TProgressScope progress(FProgressDlg, "The selected files are being joined. Please wait...");
  Join();
}

std::unique_ptr<TRemuxInput> TRemuxWelder::PlanInputs(std::vector<TPlan>& plans, std::string& Container,
                                                     TStreamMap& Streams)
{
  // Every input is read and checked before the output is touched; each on its own, so on every
  // core at once. Only the first stays open, for the output to take its streams from.
  struct TSurvey {
    TCopyFormat Format;
    int64_t FileSize = 0;
    int64_t Packets = 0; // of the streams copied, -1 when the input does not tell
    std::unique_ptr<TRemuxInput> Input;
    std::string CutRefusal; // why its hidden start cannot be cut away; empty when it can
    std::set<uint32_t> SetupIds; // of its H.264 parameter sets
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
      CheckVideoClock(input->Context(), input->VideoIndex, Files[i]);
      plan.Length = std::max<int64_t>(input->Context()->duration, 0);
      plan.Chapters = TRemuxChapters::ChaptersOf(input->Context());
      plan.Reprobe = !IsQuickTime(surveys[i].Format.Container);
      if (input->VideoIndex >= 0) {
        const AVStream* video = input->Context()->streams[input->VideoIndex];
        plan.PictureLength = video->duration != AV_NOPTS_VALUE
                                 ? av_rescale_q(video->duration, video->time_base, AV_TIME_BASE_Q)
                                 : plan.Length;
        surveys[i].CutRefusal = SmartCutRefusal(video);
        if (IsQuickTime(surveys[i].Format.Container))
          plan.HiddenEnd = HiddenEnd(video);
        if (const auto setup = ReadAvcSetup(video->codecpar->extradata, video->codecpar->extradata_size))
          surveys[i].SetupIds = setup->Ids();
        using THidden = TRemuxInput::THiddenStart;
        plan.Hidden = input->MeasureStarts(plan.VideoStart, plan.AudioLeads,
                                           i == 0                          ? THidden::HiddenByOutput
                                           : surveys[i].CutRefusal.empty() ? THidden::Cut
                                                                           : THidden::Shown,
                                           &plan.ShownLeads);
      }
      plan.AudioIndex = input->AudioIndex;
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
  std::vector<std::string> refusals;
  std::set<uint32_t> setupIds;
  for (const TSurvey& survey : surveys) {
    refusals.push_back(survey.CutRefusal);
    setupIds.insert(survey.SetupIds.begin(), survey.SetupIds.end());
  }
  CutHiddenPictures(plans, refusals, setupIds, first->Context()->streams[first->VideoIndex]);
  if (Outcome.Cancelled)
    return first;
  Container = OutputContainerFor(OutputFileName, formats.front());
  // A player that goes by the name would take the file for what it is not.
  const std::string named = ContainerNamedBy(OutputFileName);
  if (Container != named) {
    // An AVI name asks for a container this road does not write; no or an unknown extension, for none.
    const bool asks = !named.empty() || ContainerNamedIn(OutputFileName) != nullptr;
    Outcome.Warnings.push_back(OutputFileName + " is written as " + Container + ", the first file's container" +
                               (asks ? ": the one its name asks for cannot hold these streams" : ""));
  }
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
  // The notes name the files as the file list shows them.
  for (TCopyInput& input : inputs)
    input.Name = std::filesystem::path(input.Name).filename().string();
  Streams = MapFurtherStreams(inputs, Container, FWithSound);
  for (const std::string& line : Streams.LeftOut)
    Outcome.Warnings.push_back(line);
  const auto withChapters = std::find_if(formats.begin(), formats.end(), [](const TCopyFormat& f) { return f.Chapters > 0; });
  FWithChapters = ContainerHoldsChapters(Container);
  FMarkFiles = MarkFilesAsChapters.value_or(withChapters == formats.end());
  if (!FWithChapters && withChapters != formats.end())
    Outcome.Warnings.push_back(inputs[size_t(withChapters - formats.begin())].Name + ": its chapters are left out; " +
                               Container + " files cannot hold them");
  return first;
}

void TRemuxWelder::CutHiddenPictures(std::vector<TPlan>& Plans, const std::vector<std::string>& Refusals,
                                     std::set<uint32_t> UsedIds, const AVStream* FirstVideo)
{
  // The new parameter sets go into the output's setup data, which is the first file's.
  const auto firstSetup = ReadAvcSetup(FirstVideo->codecpar->extradata, FirstVideo->codecpar->extradata_size);
  size_t sequenceSets = firstSetup ? firstSetup->Sps.size() : 0;
  // Each cut: its input, whether at the end, and its parameter set id.
  struct TCutJob {
    size_t Input;
    bool End;
    uint32_t Id;
  };
  std::vector<TCutJob> jobs;
  // Why a file's start [0] or end [1] is not cut, when it is not.
  std::vector<std::array<std::string, 2>> failures(Plans.size());
  auto plan = [&](size_t i, bool end) -> std::string {
    if (!Refusals[i].empty())
      return Refusals[i];
    if (!firstSetup)
      return "the first file's H.264 setup data are not of the kind MP4 holds";
    uint32_t id = 0;
    while (UsedIds.count(id) != 0)
      ++id;
    if (id > 31 || sequenceSets >= 31)
      return "the files use every parameter set id";
    UsedIds.insert(id);
    ++sequenceSets;
    jobs.push_back({i, end, id});
    return "";
  };
  for (size_t i = 0; i < Plans.size(); ++i) {
    if (i > 0 && Plans[i].Hidden > 0)
      failures[i][0] = plan(i, false);
    if (Plans[i].HiddenEnd)
      failures[i][1] = plan(i, true);
  }
  std::atomic<bool> stop = false;
  const std::function<bool()> goOn = [&] { return !stop; };
  auto cut = [&](size_t k) {
    const TCutJob& job = jobs[k];
    TPlan& input = Plans[job.Input];
    try {
      if (job.End)
        input.EndCut = std::make_shared<TSmartCut>(MakeEndCut(input.Name, input.HiddenEnd->Key, job.Id, goOn));
      else
        input.Cut = std::make_shared<TSmartCut>(MakeSmartCut(input.Name, job.Id, goOn));
    } catch (const TCutStopped&) {
      // the join ends below
    } catch (const Exception& e) {
      failures[job.Input][job.End] =
          std::string("re-encoding its ") + (job.End ? "last" : "first") + " pictures failed: " + e.what();
    }
  };
  // The cuts run beside this thread, which meanwhile asks the progress dialog, whose thread it
  // is, whether the user cancelled.
  if (!jobs.empty()) {
    std::future<void> cutting = std::async(std::launch::async, [&] { ForEachOnEveryCore(jobs.size(), cut); });
    do {
      if (!ReportProgress(0))
        stop = true;
    } while (cutting.wait_for(CutCancelPoll) != std::future_status::ready);
    cutting.get();
  }
  if (stop) {
    Outcome.Cancelled = true;
    return;
  }
  // A warning names each file whose hidden pictures are shown after all, and why.
  auto warn = [&](size_t i, int64_t length, const std::string& where, const std::string& why) {
    Outcome.Warnings.push_back(SeamNoteText(
        Plans[i].Name,
        {SecondsText(double(length) / 1e6) + " of pictures its edit list hides at its " + where + " (" + why + ")"}));
  };
  for (size_t i = 0; i < Plans.size(); ++i) {
    TPlan& input = Plans[i];
    if (!failures[i][0].empty()) {
      if (Refusals[i].empty()) {
        // Measured for a cut, shown after all: they start the picture.
        input.VideoStart -= input.Hidden;
        input.AudioLeads = input.ShownLeads;
      }
      warn(i, input.Hidden, "start are shown, with their sound", failures[i][0]);
    }
    // The sound stops where the edit list ends it; the seam notes tell of the silence.
    if (!failures[i][1].empty())
      warn(i, input.HiddenEnd->Length, "end are shown", failures[i][1]);
  }
}

void TRemuxWelder::CreateOutput(const TRemuxInput& First, const std::string& Container, const std::vector<TPlan>& Plans,
                                const TStreamMap& Streams)
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
    // Language, handler name, time code; rotation and the like travel as side data.
    av_dict_copy(&stream->metadata, source->metadata, 0);
    // MP4 and MOV write a picture's time code as a track of its own, counted in its frames.
    if (av_dict_get(source->metadata, "timecode", nullptr, 0) != nullptr)
      stream->avg_frame_rate = source->avg_frame_rate;
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
  AddCutSetup(FOutput->Video->codecpar, Plans);
  FOutput->MuxerShifts = Container == "MKV" || Container == "WEBM";
  auto addSound = [&](const std::string& label, std::vector<int> sources) {
    TSoundTrack& track = FOutput->Sound.emplace_back();
    track.Stream = addStream(sources.front());
    track.Label = label;
    track.Sources = std::move(sources);
    track.FillHoles = IsQuickTime(Container) && IsPlainPcm(track.Stream->codecpar->codec_id);
    if (TSoundSeam::Mends(track.Stream->codecpar))
      track.Seam = std::make_unique<TSoundSeam>(track.Stream, FOutput->MuxerShifts);
    track.Trims = FOutput->MuxerShifts;
  };
  if (FWithSound) {
    std::vector<int> sources;
    for (const TPlan& plan : Plans)
      sources.push_back(plan.AudioIndex);
    addSound("", std::move(sources));
  }
  for (const TStreamMap::TKept& kept : Streams.Kept) {
    switch (kept.Kind) {
    case TFurtherStream::Sound:
      addSound(kept.Label, kept.Sources);
      break;
    case TFurtherStream::Subtitles:
    {
      TTextTrack& track = FOutput->Text.emplace_back();
      track.Stream = addStream(kept.Sources.front());
      track.Label = kept.Label;
      track.Sources = kept.Sources;
      break;
    }
    case TFurtherStream::CoverArt:
      AddCoverArt(in->streams[kept.Sources.front()], Container);
      break;
    default: // attachments: their data travel in the stream's setup data
      addStream(kept.Sources.front());
      break;
    }
  }

  result = OpenMediaOutput(&out->pb, OutputFileName);
  if (result < 0)
    throw Exception("Unable to create " + OutputFileName + " (" + FFmpegErrorText(result) + ")");
  // MP4 and MOV play from the start when streamed only with their index in front. Where the
  // inputs tell how many packets they hold, room for the index is kept in front from the start;
  // else the muxer moves everything after it at the end, which costs a second pass. A fragmented
  // file starts with its tracks and indexes each fragment before it.
  AVDictionary* options = nullptr;
  FPlannedStarts.clear();
  if (FFragmented && FWithChapters) {
    // A fragmented file's chapters are written with its header, before any file is copied: each
    // file lands where the pictures before it end, as their track headers give their lengths.
    TRemuxChapters planned;
    int64_t start = 0;
    for (const TPlan& plan : Plans) {
      FPlannedStarts.push_back(start);
      planned.AddInput(plan.Name, FMarkFiles, start, start + plan.PictureLength, start - plan.VideoStart, plan.Chapters);
      start += plan.PictureLength;
    }
    planned.WriteTo(out, 0);
  }
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
  if (FOutput->Cover) {
    FOutput->Cover->stream_index = FOutput->CoverStream->index;
    FOutput->Write(FOutput->Cover.get(), OutputFileName);
    FOutput->Cover.reset();
  }
}

void TRemuxWelder::AddCoverArt(const AVStream* Source, const std::string& Container)
{
  AVFormatContext* out = FOutput->Context.get();
  const AVPacket& picture = Source->attached_pic;
  if (picture.size <= 0)
    return;
  AVStream* stream = avformat_new_stream(out, nullptr);
  if (stream == nullptr)
    throw std::bad_alloc();
  av_dict_copy(&stream->metadata, Source->metadata, 0);
  const bool png = Source->codecpar->codec_id == AV_CODEC_ID_PNG;
  if (Container == "MKV") {
    // Matroska keeps cover art as an attachment that players know by its name.
    stream->codecpar->codec_type = AVMEDIA_TYPE_ATTACHMENT;
    stream->codecpar->codec_id = AV_CODEC_ID_NONE;
    stream->codecpar->extradata = static_cast<uint8_t*>(av_mallocz(size_t(picture.size) + AV_INPUT_BUFFER_PADDING_SIZE));
    if (stream->codecpar->extradata == nullptr)
      throw std::bad_alloc();
    std::memcpy(stream->codecpar->extradata, picture.data, size_t(picture.size));
    stream->codecpar->extradata_size = picture.size;
    if (av_dict_get(stream->metadata, "filename", nullptr, 0) == nullptr)
      av_dict_set(&stream->metadata, "filename", png ? "cover.png" : "cover.jpg", 0);
    if (av_dict_get(stream->metadata, "mimetype", nullptr, 0) == nullptr)
      av_dict_set(&stream->metadata, "mimetype", png ? "image/png" : "image/jpeg", 0);
    return;
  }
  if (avcodec_parameters_copy(stream->codecpar, Source->codecpar) < 0)
    throw std::bad_alloc();
  stream->codecpar->codec_tag = 0;
  stream->disposition = AV_DISPOSITION_ATTACHED_PIC;
  FOutput->Cover = NewPacket();
  if (av_packet_ref(FOutput->Cover.get(), &picture) < 0)
    throw std::bad_alloc();
  FOutput->CoverStream = stream;
}

void TRemuxWelder::AddCutSetup(AVCodecParameters* Video, const std::vector<TPlan>& Plans)
{
  auto setup = ReadAvcSetup(Video->extradata, Video->extradata_size);
  if (!setup)
    return; // no cut was made
  bool added = false;
  for (const TPlan& plan : Plans) {
    for (const TSmartCut* cut : {plan.Cut.get(), plan.EndCut.get()}) {
      if (cut != nullptr && !cut->Pictures.empty()) {
        setup->Sps.insert(setup->Sps.end(), cut->Sps.begin(), cut->Sps.end());
        setup->Pps.insert(setup->Pps.end(), cut->Pps.begin(), cut->Pps.end());
        added = true;
      }
    }
  }
  if (!added)
    return;
  const std::vector<uint8_t> bytes = setup->Bytes();
  av_freep(&Video->extradata);
  Video->extradata = static_cast<uint8_t*>(av_mallocz(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
  if (Video->extradata == nullptr)
    throw std::bad_alloc();
  std::memcpy(Video->extradata, bytes.data(), bytes.size());
  Video->extradata_size = int(bytes.size());
}

bool TRemuxWelder::ReportProgress(int64_t BytesDone)
{
  FProgressDlg->SetProgress(FTotalBytes > 0 ? std::min(100.0, 100.0 * double(BytesDone) / double(FTotalBytes)) : 0);
  return !FProgressDlg->IsCancelled();
}

TSmartCut* TRemuxWelder::CutAt(const TPlan& Plan, size_t Packet)
{
  for (TSmartCut* cut : {Plan.Cut.get(), Plan.EndCut.get()})
    if (cut != nullptr && Packet >= cut->From && Packet - cut->From < cut->Replaced)
      return cut;
  return nullptr;
}

bool TRemuxWelder::CopyInput(TRemuxInput& Input, const std::vector<TPlan>& Plans, size_t Index)
{
  TOutput& out = *FOutput;
  const TPlan& plan = Plans[Index];
  const bool last = Index + 1 == Plans.size();
  const AVRational us = AV_TIME_BASE_Q;
  const AVFormatContext* in = Input.Context();
  // Where each of the input's streams goes: the picture, a sound track or a subtitle track.
  enum TRoute { Drop, Picture, Sound, Text };
  std::vector<std::pair<TRoute, size_t>> routes(in->nb_streams, {Drop, 0});
  routes[size_t(Input.VideoIndex)] = {Picture, 0};
  std::optional<int64_t> nextVideoStart;
  if (!last)
    nextVideoStart = Plans[Index + 1].VideoStart;
  out.Clock.BeginInput(plan.VideoStart, std::nullopt, nextVideoStart);
  const int64_t inputStart = out.Clock.OutputStart();
  const int64_t inputOffset = out.Clock.VideoOffset();
  for (size_t t = 0; t < out.Sound.size(); ++t) {
    TSoundTrack& track = out.Sound[t];
    const int source = track.Sources[Index];
    routes[size_t(source)] = {Sound, t};
    track.In = in->streams[source];
    track.Pending.clear();
    track.PendingBytes = 0;
    std::optional<int64_t> nextLead;
    if (!last)
      nextLead = Plans[Index + 1].AudioLeads[size_t(track.Sources[Index + 1])];
    track.Clock.BeginInput(plan.VideoStart, nextLead, nextVideoStart);
    if (track.Seam && Index > 0 && track.Mending)
      track.Seam->BeginInput(track.In);
  }
  for (size_t t = 0; t < out.Text.size(); ++t) {
    TTextTrack& track = out.Text[t];
    routes[size_t(track.Sources[Index])] = {Text, t};
    track.In = in->streams[track.Sources[Index]];
    track.Pending.clear();
  }

  auto flushSure = [&](TSoundTrack& track) {
    // Where the last packets may be encoded again with the next file's first, they wait for it.
    const size_t keptBack = track.Seam && !last ? track.Seam->KeptBack() : 0;
    while (track.Pending.size() > keptBack) {
      TPacketPtr& front = track.Pending.front();
      const int64_t start = av_rescale_q(front->pts, track.Stream->time_base, us);
      const int64_t duration = track.PlayedUs(front.get());
      if (!track.Clock.AudioSure(start, duration) && track.PendingBytes <= PendingLimit)
        break;
      track.PendingBytes -= size_t(front->size);
      out.WriteAudio(track, front, OutputFileName);
      track.Pending.pop_front();
    }
  };
  auto writeText = [&](TTextTrack& track, TPacketPtr& packet) {
    if (track.LastDts != AV_NOPTS_VALUE && packet->dts < track.LastDts)
      return;
    track.LastDts = packet->dts;
    out.Write(packet.get(), OutputFileName);
  };
  // Subtitles wait until the picture reaches them.
  auto flushText = [&](TTextTrack& track) {
    const int64_t reached = av_rescale_q(out.Clock.PictureEnd(), us, track.Stream->time_base);
    while (!track.Pending.empty() && track.Pending.front()->pts < reached) {
      writeText(track, track.Pending.front());
      track.Pending.pop_front();
    }
  };

  const AVStream* videoIn = in->streams[Input.VideoIndex];
  out.Copying = plan.Name;
  // What of the input could be read, on its own clock: a file cut short is told of.
  int64_t readStart = INT64_MAX, readEnd = INT64_MIN;
  auto spans = [&](int64_t start, int64_t duration) {
    readStart = std::min(readStart, start);
    readEnd = std::max(readEnd, start + duration);
  };
  TPictureStamps stamps;
  auto writePicture = [&](TPacketPtr picture) {
    picture->flags &= ~AV_PKT_FLAG_DISCARD;
    const int64_t pts = av_rescale_q(picture->pts, videoIn->time_base, us);
    CheckPictureStamp(pts - Plans[Index].VideoStart, Plans[Index].Length, Plans[Index].Name);
    const int64_t length = av_rescale_q(picture->duration, videoIn->time_base, us);
    out.Clock.VideoPacket(pts, length);
    spans(pts, length);
    for (TSoundTrack& track : out.Sound)
      track.Clock.VideoPacket(pts, length);
    const int64_t offset = av_rescale_q(out.Clock.VideoOffset(), us, out.Video->time_base);
    av_packet_rescale_ts(picture.get(), videoIn->time_base, out.Video->time_base);
    picture->pts += offset;
    picture->dts += offset;
    // Inputs that reorder their frames by different depths would meet at the seam.
    if (out.LastVideoDts != AV_NOPTS_VALUE && picture->dts <= out.LastVideoDts)
      picture->dts = out.LastVideoDts + 1;
    picture->pts = std::max(picture->pts, picture->dts);
    out.LastVideoDts = picture->dts;
    picture->stream_index = out.Video->index;
    picture->pos = -1;
    out.Write(picture.get(), OutputFileName);
    ++Outcome.FramesWritten;
  };
  // Pictures an edit list hides at the file's end: those that shown ones are decoded from come
  // before the last shown one and are kept; the rest are left out, as is the sound there.
  std::deque<TPacketPtr> hiddenRun;
  bool anyShown = false;
  auto writeVideo = [&] {
    while (TPacketPtr picture = stamps.Pop()) {
      if (!(picture->flags & AV_PKT_FLAG_DISCARD)) {
        anyShown = true;
        for (TPacketPtr& held : hiddenRun)
          writePicture(std::move(held));
        hiddenRun.clear();
        writePicture(std::move(picture));
      } else if (!anyShown) {
        writePicture(std::move(picture)); // hidden at the start: shown after the file before
      } else if (hiddenRun.size() < HiddenRunLimit) {
        hiddenRun.push_back(std::move(picture));
      } // else past any reordering: no shown picture is decoded from it
    }
    for (TSoundTrack& track : out.Sound)
      flushSure(track);
    for (TTextTrack& track : out.Text)
      flushText(track);
  };
  // A sound packet, in its input's time base, on the output's clock.
  auto writeSound = [&](TSoundTrack& track, TPacketPtr sound) {
    const int64_t start = av_rescale_q(sound->pts, track.In->time_base, us);
    const int64_t length = av_rescale_q(sound->duration, track.In->time_base, us);
    const int64_t offset = track.Clock.AudioOffset(start, length);
    spans(start, length);
    av_packet_rescale_ts(sound.get(), track.In->time_base, track.Stream->time_base);
    sound->pts += av_rescale_q(offset, us, track.Stream->time_base);
    sound->dts = sound->pts;
    sound->stream_index = track.Stream->index;
    sound->pos = -1;
    track.PendingBytes += size_t(sound->size);
    track.Pending.push_back(std::move(sound));
    flushSure(track);
  };
  auto releaseSeam = [&](TSoundTrack& track) {
    bool mended = true;
    std::optional<int64_t> soundEnd;
    if (track.Clock.HasSound())
      soundEnd = track.Clock.SoundEnd() - track.Clock.VideoOffset();
    std::vector<TPacketPtr> sound = track.Seam->Release(soundEnd, mended);
    // Left out at the seam for the mended packets to carry: as they were, when they did not.
    for (TPacketPtr& before : track.Seam->TakeLeftOut())
      out.WriteAudio(track, before, OutputFileName);
    for (TPacketPtr& packet : sound)
      writeSound(track, std::move(packet));
    if (!mended)
      Outcome.Warnings.push_back(SeamNoteText(plan.Name, {"its first sound could not be encoded again to follow the file "
                                                          "before and may start muffled"}));
  };
  TPacketPtr packet = NewPacket();
  int count = 0;
  bool cancelled = false;
  size_t pictureCount = 0;
  while (Input.ReadPacket(packet.get())) {
    const auto [route, slot] = routes[size_t(packet->stream_index)];
    TSmartCut* const cut = route == Picture ? CutAt(plan, pictureCount++) : nullptr;
    if (cut != nullptr) {
      // Hidden pictures cut away: the pictures encoded anew stand for the packets around them.
      if (pictureCount - 1 == cut->From)
        for (TPacketPtr& picture : cut->Pictures) {
          const int64_t duration = picture->duration;
          stamps.Push(std::move(picture), duration);
        }
      av_packet_unref(packet.get());
      writeVideo();
    } else if (route == Sound && plan.Cut && (packet->flags & AV_PKT_FLAG_DISCARD) && packet->pts != AV_NOPTS_VALUE &&
               av_rescale_q(packet->pts, in->streams[packet->stream_index]->time_base, us) < plan.VideoStart) {
      // The sound of the pictures cut away; a mended seam decodes it before the first kept.
      TSoundSeam* seam = out.Sound[slot].Seam.get();
      if (seam != nullptr && seam->Holding()) {
        seam->Precede(std::move(packet));
        packet = NewPacket();
      } else {
        av_packet_unref(packet.get());
      }
    } else if (route == Picture) {
      const int64_t nominal = Input.PacketDuration(packet.get());
      stamps.Push(std::move(packet), nominal);
      packet = NewPacket();
      writeVideo();
    } else if (route == Sound) {
      TSoundTrack& track = out.Sound[slot];
      if (packet->pts == AV_NOPTS_VALUE)
        packet->pts = packet->dts;
      if (packet->pts == AV_NOPTS_VALUE) {
        av_packet_unref(packet.get()); // no place to put it
      } else {
        packet->duration = Input.PacketDuration(packet.get());
        if (track.Seam && track.Seam->Holding()) {
          track.Seam->Hold(std::move(packet));
          if (track.Seam->Full())
            releaseSeam(track);
        } else {
          writeSound(track, std::move(packet));
        }
        packet = NewPacket();
      }
    } else if (route == Text) {
      TTextTrack& track = out.Text[slot];
      if (packet->pts == AV_NOPTS_VALUE)
        packet->pts = packet->dts;
      if (packet->pts == AV_NOPTS_VALUE) {
        av_packet_unref(packet.get());
      } else {
        av_packet_rescale_ts(packet.get(), track.In->time_base, track.Stream->time_base);
        packet->pts += av_rescale_q(out.Clock.VideoOffset(), us, track.Stream->time_base);
        packet->dts = packet->pts;
        packet->stream_index = track.Stream->index;
        packet->pos = -1;
        track.Pending.push_back(std::move(packet));
        packet = NewPacket();
        flushText(track);
      }
    } else {
      av_packet_unref(packet.get());
    }
    if (++count % ReportEvery == 0 && !ReportProgress(FBytesBefore + Input.Position())) {
      cancelled = true;
      break;
    }
  }

  if (!cancelled) {
    for (TSoundTrack& track : out.Sound)
      if (track.Seam && track.Seam->Holding())
        releaseSeam(track);
    stamps.Finish();
    writeVideo();
  }
  const int64_t seam = out.Clock.EndInput();
  if (FWithChapters)
    out.Chapters.AddInput(plan.Name, FMarkFiles, inputStart, seam, inputOffset, plan.Chapters);
  if (!FPlannedStarts.empty() && std::llabs(inputStart - FPlannedStarts[Index]) >= NoticeableUs)
    Outcome.Warnings.push_back(SeamNoteText(
        plan.Name, {"its chapter is " + SecondsText(double(std::llabs(inputStart - FPlannedStarts[Index])) / 1e6) +
                        " away from its picture",
                    "a join this long is written in fragments, whose chapters are placed by the files' lengths"}));
  if (cancelled)
    return false;
  Outcome.InputSeconds.push_back(readEnd > readStart ? double(readEnd - readStart) / 1e6 : 0);
  for (TTextTrack& track : out.Text) {
    const int64_t end = last ? INT64_MAX : av_rescale_q(seam, us, track.Stream->time_base);
    int leftOut = 0;
    for (TPacketPtr& held : track.Pending) {
      if (held->pts < end)
        writeText(track, held);
      else
        ++leftOut;
    }
    if (leftOut > 0)
      Outcome.Warnings.push_back(SeamNoteText(plan.Name, {std::to_string(leftOut) + (leftOut == 1 ? " subtitle" : " subtitles") +
                                                          " of its " + track.Label +
                                                          " after its picture's end left out"}));
  }
  for (TSoundTrack& track : out.Sound)
    EndSound(track, Plans, Index, seam);
  return true;
}

void TRemuxWelder::EndSound(TSoundTrack& Track, const std::vector<TPlan>& Plans, size_t Index, int64_t Seam)
{
  const AVRational us = AV_TIME_BASE_Q;
  TSeamClock& clock = Track.Clock;
  clock.EndInput();
  const bool more = Index + 1 < Plans.size();
  // A hidden start that could not be cut away is shown, with its sound as it is.
  Track.Mending = Track.Seam && more &&
                  Track.Seam->MendsSeam(clock.Continues(), Plans[Index + 1].Hidden > 0 && !Plans[Index + 1].Cut);
  auto kept = [&](const TPacketPtr& held) {
    return clock.AudioKept(av_rescale_q(held->pts, Track.Stream->time_base, us), Track.PlayedUs(held.get()));
  };
  // The mended packets may carry the last of those kept; they end the sound before all the same.
  const size_t keptCount = size_t(std::count_if(Track.Pending.begin(), Track.Pending.end(), kept));
  const size_t carryFrom = Track.Mending ? keptCount - std::min(keptCount, Track.Seam->KeptBack()) : keptCount;
  size_t keptSoFar = 0;
  int64_t carriedEnd = 0;
  int64_t leftOut = 0;
  int64_t leftOutAt = -1;
  for (TPacketPtr& held : Track.Pending) {
    const int64_t start = av_rescale_q(held->pts, Track.Stream->time_base, us);
    const int64_t duration = Track.PlayedUs(held.get());
    const bool isKept = kept(held);
    keptSoFar += isKept ? 1 : 0;
    if (isKept && keptSoFar <= carryFrom) {
      FOutput->WriteAudio(Track, held, OutputFileName);
    } else if (Track.Mending && leftOutAt < 0 && (isKept || Track.Seam->Carries(held.get(), start < Seam))) {
      if (isKept)
        carriedEnd = std::max(carriedEnd, start + duration);
      Track.Seam->LeftOut(std::move(held));
    } else {
      leftOut += duration;
      if (leftOutAt < 0)
        leftOutAt = start;
    }
  }
  Track.Pending.clear();
  if (!more)
    return;
  Track.AtSeam = true;
  const std::string& name = Plans[Index].Name;
  if (leftOut >= NoticeableUs)
    Outcome.SeamNotes.push_back(SeamNoteText(name, {Track.Words() + " is " + SecondsText(leftOut / 1e6) +
                                                    " longer than the picture", SecondsText(leftOut / 1e6) +
                                                    " of sound left out at " + ClockText(leftOutAt / 1e6)}));
  const int64_t lead = Plans[Index + 1].AudioLeads[size_t(Track.Sources[Index + 1])];
  const int64_t soundEnd = std::max(clock.SoundEnd(), carriedEnd);
  const int64_t missing = Seam + std::min<int64_t>(0, lead) - soundEnd;
  if (missing >= NoticeableUs)
    Outcome.SeamNotes.push_back(SeamNoteText(name, {Track.Words() + " is " + SecondsText(missing / 1e6) +
                                                    " shorter than the picture", SecondsText(missing / 1e6) +
                                                    " without sound at " + ClockText(soundEnd / 1e6)}));
}

void TRemuxWelder::Join()
{
  Outcome = {};
  if (Files.empty())
    return;
  std::string container;
  std::vector<TPlan> plans;
  TStreamMap streams;
  std::unique_ptr<TRemuxInput> first = PlanInputs(plans, container, streams);
  if (Outcome.Cancelled)
    return; // while pictures were encoded anew: nothing is written
  try {
    CreateOutput(*first, container, plans, streams);
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
    if (FPlannedStarts.empty())
      FOutput->Chapters.WriteTo(FOutput->Context.get(), FOutput->MuxerShifts ? -FOutput->EarliestUs : 0);
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
