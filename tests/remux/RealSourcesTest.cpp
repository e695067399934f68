// Joins without recompression of files made the way cameras, phones, screen recorders, download
// tools and TS recorders make them, each judged as a user would judge it: by playing it.
//
// A row that does not join soundly yet names the fault it waits on and is skipped; whoever mends
// that fault clears the reason to enable the row (REELWELD_RUN_WAITING=1 runs every row anyway).
#include "support/EditList.h"
#include "support/PacketProbe.h"
#include "support/SeamCheck.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <sstream>

namespace {

const char* const X264 = "-c:v libx264 -preset veryfast -bf 2 -g 25 -pix_fmt yuv420p";
const char* const X265 = "-c:v libx265 -preset ultrafast -tag:v hvc1 -x265-params log-level=none";

struct TSources {
  std::vector<std::string> Files;
  std::string Whole; // the recording the files were cut from, if they were
};

// Three short clips of one recipe; each flashes at its start and once more at a time of its own,
// so that no two clips have the same packets.
std::vector<std::string> Clips(const std::string& stem, const std::string& ext, TSeamClipRecipe recipe,
                               const std::function<void(TSeamClipRecipe&, int)>& vary = {})
{
  std::vector<std::string> files;
  for (int i = 0; i < 3; ++i) {
    TSeamClipRecipe own = recipe;
    own.FlashTimes = {0, 0.4 + 0.2 * i};
    if (vary)
      vary(own, i);
    files.push_back(MakeSeamClip(stem + std::to_string(i) + "." + ext, own));
  }
  return files;
}

TSeamClipRecipe Recipe(const std::string& format, const std::string& video, const std::string& audio)
{
  TSeamClipRecipe recipe;
  recipe.Format = format;
  recipe.VideoArgs = video;
  recipe.AudioArgs = audio;
  recipe.Seconds = 1.6;
  return recipe;
}

// Each file made again from the clip by ffmpeg with these arguments around it: "-i CLIP ARGS".
std::vector<std::string> Remade(const std::vector<std::string>& clips, const std::string& prefix,
                                const std::function<std::string(int)>& args)
{
  std::vector<std::string> files;
  for (size_t i = 0; i < clips.size(); ++i) {
    const std::string name = clips[i].substr(clips[i].rfind('/') + 1);
    files.push_back(MakeMedia(prefix + name, "-i " + ShellQuote(clips[i]) + " " + args(int(i))));
  }
  return files;
}

// A small file of text beside the made media, for ffmpeg to read subtitles or chapters from.
std::string TextFile(const std::string& name, const std::string& text)
{
  static const TTempDir dir;
  const std::string path = dir.File(name);
  WriteWholeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
  return path;
}

// `ownClock`: every part on its own clock, as cameras write; else each goes on from the one
// before, as `-f segment` leaves them, each part's last frame ending early.
TSources SplitRecording(bool ownClock)
{
  TSeamClipRecipe recipe = Recipe("mp4", X264, "-c:a aac");
  recipe.Seconds = 3;
  recipe.FlashTimes = {0, 1, 2};
  const std::string whole = MakeSeamClip("split-whole.mp4", recipe);
  // As a long recording is cut: at key frames.
  const std::string pattern =
      MakeMedia(std::string(ownClock ? "split" : "segment") + "-part%d.mp4",
                "-i " + ShellQuote(whole) + " -map 0 -c copy -f segment -segment_time 1" +
                    (ownClock ? " -reset_timestamps 1" : "") + " -segment_format mp4");
  TSources sources{{}, whole};
  for (int i = 0; i < 3; ++i)
    sources.Files.push_back(pattern.substr(0, pattern.find("%d")) + std::to_string(i) + ".mp4");
  return sources;
}

TSources StartEdit()
{
  auto clips = Clips("start-edit", "mp4", Recipe("mp4", X264, "-c:a aac"), [](TSeamClipRecipe& r, int i) {
    if (i == 1) {
      r.Seconds = 2.1;
      r.FlashTimes = {0, 0.5};
    }
  });
  // Trimmed from 0.5 s, between key frames: the pictures before stay in the file, hidden.
  clips[1] = MakeMedia("start-edit-trimmed.mp4", "-ss 0.5 -i " + ShellQuote(clips[1]) + " -map 0 -c copy");
  return {clips, ""};
}

TSources EndEdit()
{
  auto clips = Clips("end-edit", "mp4", Recipe("mp4", X264, "-c:a aac"), [](TSeamClipRecipe& r, int i) {
    if (i == 1) {
      r.Seconds = 2.2;
      r.FlashTimes = {0, 1.8}; // behind the end its edit list marks
    }
  });
  const std::string trimmed = MakeMedia("end-edit-trimmed.mp4", "-i " + ShellQuote(clips[1]) + " -map 0 -c copy");
  static const bool shortened = ShortenEditLists(trimmed, 1.6);
  EXPECT_TRUE(shortened);
  clips[1] = trimmed;
  return {clips, ""};
}

TSources TsClock(const std::string& stem, double start)
{
  return {Clips(stem, "ts", Recipe("mpegts", X264, "-c:a aac"),
                [start](TSeamClipRecipe& r, int i) {
                  // One recording's segments: each clock goes on from the one before.
                  char offset[64];
                  std::snprintf(offset, sizeof offset, " -output_ts_offset %.3f", start + 1.6 * i);
                  r.VideoArgs += offset;
                }),
          ""};
}

TSources TwoSoundTracks()
{
  const auto clips = Clips("two-sound", "mp4", Recipe("mp4", X264, "-c:a aac"));
  return {Remade(clips, "dub-", [](int) {
            return std::string("-f lavfi -i sine=f=500:d=1.6 -map 0 -map 1:a -c copy -c:a:1 aac -metadata:s:a:0 "
                               "language=eng -metadata:s:a:1 language=fra");
          }),
          ""};
}

std::string Subtitle(int clip)
{
  return TextFile("clip" + std::to_string(clip) + ".srt",
                  "1\n00:00:00,100 --> 00:00:01,000\nClip " + std::to_string(clip) + "\n\n");
}

TSources SubtitlesMkv()
{
  const auto clips = Clips("subs", "mkv", Recipe("matroska", X264, "-c:a aac"));
  return {Remade(clips, "srt-ass-",
                 [](int i) {
                   const std::string srt = ShellQuote(Subtitle(i));
                   return "-i " + srt + " -i " + srt + " -map 0 -map 1 -map 2 -c copy -c:s:0 srt -c:s:1 ass";
                 }),
          ""};
}

TSources SubtitlesMp4()
{
  const auto clips = Clips("subs", "mp4", Recipe("mp4", X264, "-c:a aac"));
  return {Remade(clips, "mov-text-",
                 [](int i) { return "-i " + ShellQuote(Subtitle(i)) + " -map 0 -map 1 -c copy -c:s mov_text"; }),
          ""};
}

TSources Chapters()
{
  const auto clips = Clips("chapters", "mkv", Recipe("matroska", X264, "-c:a aac"));
  return {Remade(clips, "marked-",
                 [](int i) {
                   const std::string n = std::to_string(i);
                   const std::string meta = TextFile(
                       "chapters" + n + ".txt", ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=800\ntitle=Clip " +
                                                    n + " start\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=800\nEND=1600\n"
                                                    "title=Clip " + n + " middle\n");
                   return "-i " + ShellQuote(meta) + " -map 0 -map_chapters 1 -c copy";
                 }),
          ""};
}

TSources CoverArt()
{
  const auto clips = Clips("cover", "mp4", Recipe("mp4", X264, "-c:a aac"));
  const std::string cover = MakeMedia("cover.png", "-f lavfi -i color=c=red:s=64x64:d=0.04 -frames:v 1");
  return {Remade(clips, "with-",
                 [&cover](int) {
                   return "-i " + ShellQuote(cover) + " -map 0 -map 1 -c copy -disposition:v:1 attached_pic";
                 }),
          ""};
}

// The faults rows wait on. Whoever mends one enables its rows by dropping the reason: start and
// end edits (the clock), PCM, Opus and AAC seams and split recordings (the sound).

struct TOutput {
  const char* Extension;
  const char* Waits = ""; // the fault the join into this container waits on; empty when none
  // The fault that keeps each beep from its place, to within a millisecond, in a Matroska join.
  const char* ExactWaits = "";
  const char* LevelWaits = ""; // the fault the level of its beeps waits on; empty when none
};

struct TSourceKind {
  const char* Name;
  const char* Encoder; // that the clips need
  std::function<TSources()> Make;
  const char* Streams; // the join's streams, in order
  std::vector<TOutput> Outputs;
};

const std::vector<TSourceKind>& SourceKinds()
{
  static const std::vector<TSourceKind> kinds = {
      {"SplitMp4Recording", "libx264", [] { return SplitRecording(true); }, "video audio", {{"mp4"}}},
      {"SegmentedMp4Recording", "libx264", [] { return SplitRecording(false); }, "video audio", {{"mp4"}}},
      {"Mp4BFrames", "libx264", [] { return TSources{Clips("bframes", "mp4", Recipe("mp4", X264, "-c:a aac")), ""}; },
       "video audio", {{"mp4"}, {"mkv"}}},
      {"Mp4StartEdit", "libx264", StartEdit, "video audio",
       {{"mp4", "", "",
         "waits on: MP4 plays whole AAC frames, so a file whose start is cut inside one is heard up to half a "
         "frame late"},
        {"mkv"}}},
      {"Mp4EndEdit", "libx264", EndEdit, "video audio", {{"mp4"}, {"mkv"}}},
      {"MovHevcAac", "libx265", [] { return TSources{Clips("hevc-aac", "mov", Recipe("mov", X265, "-c:a aac")), ""}; },
       "video audio", {{"mov"}, {"mp4"}}},
      {"MovHevcPcm", "libx265",
       [] {
         // PCM counts a frame per sample: three clips of 3 s pass the count past which an MP4 or
         // MOV output would be written in fragments.
         return TSources{
             Clips("hevc-pcm", "mov", Recipe("mov", X265, "-c:a pcm_s16le"), [](TSeamClipRecipe& r, int) { r.Seconds = 3; }),
             ""};
       },
       "video audio",
       {{"mov"}}},
      {"MkvH264Aac", "libx264",
       [] { return TSources{Clips("mkv-aac", "mkv", Recipe("matroska", X264, "-c:a aac")), ""}; }, "video audio",
       {{"mkv"}, {"mp4"}, {"mov"}, {"ts"}}},
      {"MkvH264Opus", "libx264",
       [] { return TSources{Clips("mkv-opus", "mkv", Recipe("matroska", X264, "-c:a libopus")), ""}; },
       "video audio", {{"mkv"}, {"mp4"}}},
      {"WebmVp9Opus", "libvpx-vp9",
       [] {
         // Lengths that end within an Opus frame, as recordings do: the sound before a seam ends
         // short of its picture.
         return TSources{Clips("vp9", "webm",
                               Recipe("webm", "-c:v libvpx-vp9 -deadline realtime -cpu-used 8", "-c:a libopus"),
                               [](TSeamClipRecipe& r, int i) { r.Seconds += 0.07 * i; }),
                         ""};
       },
       "video audio", {{"webm"}, {"mp4"}}},
      {"MkvAv1Opus", "libsvtav1",
       [] { return TSources{Clips("av1", "mkv", Recipe("matroska", "-c:v libsvtav1 -preset 12", "-c:a libopus")), ""}; },
       "video audio", {{"mkv"}, {"mp4"}}},
      {"TsNear10Hours", "libx264", [] { return TsClock("ten-hours", 35998); }, "video audio", {{"ts"}, {"mp4"}}},
      // 2^33 ticks of 90 kHz, some 26.5 hours, fall inside the second segment.
      {"TsClockWraps", "libx264", [] { return TsClock("wrap", 95442.5); }, "video audio", {{"ts"}, {"mp4"}}},
      {"VariableFrameRateMp4", "libx264",
       [] {
         // As screen recorders write: frames only when the screen changes.
         return TSources{
             Clips("vfr", "mp4",
                   Recipe("mp4", std::string(X264) + " -vf \"select='not(between(mod(n,10),6,8))'\" -fps_mode vfr",
                          "-c:a aac")),
             ""};
       },
       "video audio", {{"mp4"}}},
      {"Mp4At25And30Fps", "libx264",
       [] {
         return TSources{Clips("fps", "mp4", Recipe("mp4", X264, "-c:a aac"),
                               [](TSeamClipRecipe& r, int i) { r.Rate = i == 1 ? 30 : 25; }),
                         ""};
       },
       "video audio", {{"mp4"}}},
      {"Mp4TwoSoundTracks", "libx264", TwoSoundTracks, "video audio audio", {{"mp4"}}},
      {"MkvSubtitles", "libx264", SubtitlesMkv, "video audio subtitle subtitle", {{"mkv"}}},
      {"Mp4Subtitles", "libx264", SubtitlesMp4, "video audio subtitle", {{"mp4"}}},
      {"MkvChapters", "libx264", Chapters, "video audio", {{"mkv"}, {"mp4"}}},
      {"Mp4CoverArt", "libx264", CoverArt, "video audio cover", {{"mp4"}}},
  };
  return kinds;
}

struct TRealJoin {
  const TSourceKind* Kind;
  TOutput Output;
};

std::vector<TRealJoin> RealJoins()
{
  std::vector<TRealJoin> joins;
  for (const TSourceKind& kind : SourceKinds())
    for (const TOutput& output : kind.Outputs)
      joins.push_back({&kind, output});
  return joins;
}

// The streams, but for the track that holds an MP4's chapters, which are compared as chapters.
std::string Joined(const std::vector<std::string>& words)
{
  return std::accumulate(words.begin(), words.end(), std::string(), [](const std::string& a, const std::string& b) {
    return b == "chapters" ? a : a.empty() ? b : a + " " + b;
  });
}

std::string Stem(const std::string& path)
{
  const std::string name = path.substr(path.rfind('/') + 1);
  return name.substr(0, name.rfind('.'));
}

// Pictures of a file encoded anew in the join: its first shown ones, before the key frame after
// a hidden start, and its last, from the key frame before hidden ones that shown ones need.
struct TRenewed {
  size_t Front = 0, Back = 0;
};

// Every input's video packets follow in order, untouched; of each, only what its edit list hides
// may be left out, at its start or its end, and the shown pictures around hidden ones may be
// encoded anew (`renewed`, per file). Empty when so, else where not.
std::string PacketsDiffer(const std::vector<std::string>& joined, const std::vector<TProbe>& inputs,
                          std::vector<TRenewed>& renewed)
{
  size_t at = 0;
  renewed.assign(inputs.size(), {});
  for (size_t k = 0; k < inputs.size(); ++k) {
    const auto& hashes = inputs[k].VideoHashes;
    const auto& shown = inputs[k].VideoShown;
    const auto& key = inputs[k].VideoKey;
    size_t firstShown = 0, lastShown = 0;
    while (firstShown < shown.size() && !shown[firstShown])
      ++firstShown;
    for (size_t i = 0; i < shown.size(); ++i)
      if (shown[i])
        lastShown = i;
    auto shownIn = [&](size_t from, size_t to) { return size_t(std::count(shown.begin() + long(from), shown.begin() + long(to), true)); };
    std::vector<std::pair<size_t, size_t>> starts; // where the copy may start, and how many new pictures precede it
    for (size_t start = 0; start <= firstShown && start < hashes.size(); ++start)
      starts.push_back({start, 0});
    size_t nextKey = firstShown + 1;
    while (nextKey < hashes.size() && !key[nextKey])
      ++nextKey;
    if (k > 0 && firstShown > 0)
      starts.push_back({nextKey, shownIn(0, nextKey)});
    size_t lastKey = lastShown;
    while (lastKey > 0 && !key[lastKey])
      --lastKey;
    size_t best = 0;
    bool found = false;
    for (const auto& [start, fresh] : starts) {
      size_t length = 0;
      while (start + length < hashes.size() && at + fresh + length < joined.size() &&
             hashes[start + length] == joined[at + fresh + length])
        ++length;
      TRenewed own{fresh, 0};
      if (start + length <= lastShown && start + length == lastKey)
        own.Back = shownIn(lastKey, hashes.size()); // the copy stops at the last key frame
      else if (start + length <= lastShown)
        continue;
      if (!found || fresh + length + own.Back > best) {
        best = fresh + length + own.Back;
        renewed[k] = own;
        found = true;
      }
    }
    if (!found)
      return "file " + std::to_string(k + 1) + "'s packets are not all found from the join's packet " +
             std::to_string(at);
    at += best;
  }
  return at == joined.size() ? "" : std::to_string(joined.size() - at) + " packets follow the last file's";
}

// The MD5 of every picture the first video track decodes to, in the order they are shown.
std::vector<std::string> PictureHashes(const std::string& file)
{
  const auto result = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(file) +
                                 " -map 0:v:0 -fps_mode passthrough -f framemd5 -");
  std::vector<std::string> hashes;
  std::istringstream lines(result.Output);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '#')
      hashes.push_back(line.substr(line.rfind(',') + 1));
  return hashes;
}

bool FramingChanges(const std::string& file, const std::string& extension)
{
  const bool fromTs = file.size() > 3 && file.compare(file.size() - 3, 3, ".ts") == 0;
  return fromTs != (extension == std::string("ts"));
}

class RealSources : public testing::TestWithParam<TRealJoin> {};

} // namespace

TEST_P(RealSources, JoinPlaysAsTheFilesDoOneAfterAnother)
{
  const TSourceKind& kind = *GetParam().Kind;
  const TOutput& output = GetParam().Output;
  if (*output.Waits != '\0' && std::getenv("REELWELD_RUN_WAITING") == nullptr)
    GTEST_SKIP() << output.Waits;
  if (!HasEncoder(kind.Encoder))
    GTEST_SKIP() << kind.Encoder << " is not installed";
  const TSources sources = kind.Make();
  TTempDir dir;
  const std::string out = dir.File("joined." + std::string(output.Extension));
  const auto result = RunCliJoin("--copy", out, sources.Files);
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  // Whole files are read to their end.
  EXPECT_EQ(result.Errors.find("could be read"), std::string::npos) << result.Errors;
  std::string errors;
  EXPECT_TRUE(DecodesCleanly(out, &errors)) << errors;

  std::vector<TProbe> inputs;
  std::vector<std::vector<std::string>> pictures; // of each file
  double length = 0;
  std::vector<TProbeChapter> chapters; // the inputs', where each lands
  std::vector<double> beepLeads, beepLevels; // of each flash, in its file alone
  for (const std::string& file : sources.Files) {
    inputs.push_back(Probe(file));
    pictures.push_back(PictureHashes(file));
    if (FramingChanges(file, output.Extension)) {
      // Between TS and MP4, MOV or Matroska, pictures trade their start codes for lengths or
      // back, as in ffmpeg's copy.
      const TProbe copied = Probe(MakeMedia("copied-" + Stem(file) + "." + output.Extension,
                                            "-i " + ShellQuote(file) + " -map 0:v:0 -c copy"));
      inputs.back().VideoHashes = copied.VideoHashes;
      inputs.back().VideoShown = copied.VideoShown;
    }
    for (TProbeChapter chapter : inputs.back().Chapters) {
      chapter.Start += length;
      chapters.push_back(chapter);
    }
    length += inputs.back().VideoLength;
    std::vector<double> beeps;
    for (const TSeamOffset& seam : MeasureSeams(file)) {
      beepLeads.push_back(seam.Offset);
      beeps.push_back(seam.BeepTime);
    }
    const auto levels = SoundLevels(file, beeps);
    beepLevels.insert(beepLevels.end(), levels.begin(), levels.end());
  }
  const TProbe joined = Probe(out);
  EXPECT_EQ(Joined(joined.Kinds), kind.Streams);
  std::vector<TRenewed> renewed;
  EXPECT_EQ(PacketsDiffer(joined.VideoHashes, inputs, renewed), "");
  // Picture for picture what the files show alone, whichever file's setup data the join holds;
  // but for those encoded anew.
  const auto joinedPictures = PictureHashes(out);
  size_t at = 0;
  for (size_t k = 0; k < pictures.size(); ++k) {
    for (size_t i = renewed[k].Front; i + renewed[k].Back < pictures[k].size(); ++i)
      EXPECT_TRUE(at + i < joinedPictures.size() && joinedPictures[at + i] == pictures[k][i])
          << "the join decodes to other pictures than file " << k + 1 << " at its picture " << i;
    at += pictures[k].size();
  }
  EXPECT_EQ(joinedPictures.size(), at);
  if (!sources.Whole.empty()) {
    // Parts of one recording join back to it, packet for packet.
    const TProbe whole = Probe(sources.Whole);
    EXPECT_EQ(joined.VideoHashes, whole.VideoHashes);
    EXPECT_EQ(joined.AudioPackets, whole.AudioPackets);
  }
  EXPECT_NEAR(joined.VideoLength, length, 0.042) << "one frame at 24 fps";
  for (size_t stream = 0; stream < joined.Kinds.size(); ++stream)
    if (joined.Kinds[stream] == "audio") {
      EXPECT_LE(joined.LargestHole(int(stream)), 0.005) << "sound stream " << stream;
    }

  if (!chapters.empty()) {
    ASSERT_EQ(joined.Chapters.size(), chapters.size());
    for (size_t i = 0; i < chapters.size(); ++i) {
      EXPECT_EQ(joined.Chapters[i].Title, chapters[i].Title);
      EXPECT_NEAR(joined.Chapters[i].Start, chapters[i].Start, 0.042) << chapters[i].Title;
    }
  } else if (!joined.Chapters.empty()) {
    // Without chapters of their own, the files may be marked as chapters, one each.
    ASSERT_EQ(joined.Chapters.size(), sources.Files.size());
    double start = 0;
    for (size_t i = 0; i < inputs.size(); ++i) {
      EXPECT_EQ(joined.Chapters[i].Title, Stem(sources.Files[i]));
      EXPECT_NEAR(joined.Chapters[i].Start, start, 0.042);
      start += inputs[i].VideoLength;
    }
  }

  const auto seams = MeasureSeams(out);
  ASSERT_EQ(seams.size(), beepLeads.size());
  // Where each beep starts in its file alone; sound before the first picture is not joined.
  std::vector<double> beeps;
  const std::string extension = output.Extension;
  const bool exact = (extension == "mkv" || extension == "webm") &&
                     (*output.ExactWaits == '\0' || std::getenv("REELWELD_RUN_WAITING") != nullptr);
  const double slack = exact ? 0.0015 : 0.011;
  for (size_t i = 0; i < seams.size(); ++i) {
    EXPECT_LE(std::fabs(seams[i].Offset), 0.030) << "flash at " << seams[i].FlashTime;
    // Where it is in its file alone, within a millisecond where Matroska marks the end of the
    // sound before, within half an AAC frame where a seam falls on whole frames: a lag that grows
    // at each seam shows here first.
    EXPECT_NEAR(seams[i].Offset, beepLeads[i], slack) << "flash at " << seams[i].FlashTime;
    beeps.push_back(std::max(0.0, seams[i].FlashTime + beepLeads[i]));
  }
  // Each beep starts as loud as in its file alone, the first after a seam too.
  if (*output.LevelWaits != '\0' && std::getenv("REELWELD_RUN_WAITING") == nullptr)
    return;
  const auto levels = SoundLevels(out, beeps);
  for (size_t i = 0; i < levels.size(); ++i)
    EXPECT_GE(levels[i], 0.9 * beepLevels[i]) << "beep at " << beeps[i];
}

INSTANTIATE_TEST_SUITE_P(Kinds, RealSources, testing::ValuesIn(RealJoins()),
                         [](const testing::TestParamInfo<TRealJoin>& info) {
                           return std::string(info.param.Kind->Name) + "To" + info.param.Output.Extension;
                         });
