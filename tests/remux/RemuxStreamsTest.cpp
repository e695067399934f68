#include "remux/RemuxChapters.h"
#include "remux/RemuxStreams.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include "support/PacketProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TFurtherStream Stream(int index, TFurtherStream::TKind kind, int codec, const char* name, const char* language = "")
{
  TFurtherStream stream;
  stream.Index = index;
  stream.Kind = kind;
  stream.Facts.CodecId = codec;
  stream.Facts.CodecName = name;
  stream.Facts.SampleRate = kind == TFurtherStream::Sound ? 48000 : 0;
  stream.Facts.ChannelLayout = kind == TFurtherStream::Sound ? "stereo" : "";
  stream.Language = language;
  return stream;
}

TCopyFormat Recording(const char* container, std::vector<TFurtherStream> further)
{
  TCopyFormat format;
  format.Container = container;
  format.Video.emplace().CodecId = AV_CODEC_ID_H264;
  format.Audio.emplace().CodecId = AV_CODEC_ID_AAC;
  format.Further = std::move(further);
  return format;
}

const TFurtherStream French = Stream(2, TFurtherStream::Sound, AV_CODEC_ID_AAC, "AAC", "fre");
const TFurtherStream German = Stream(3, TFurtherStream::Sound, AV_CODEC_ID_AAC, "AAC", "ger");
const TFurtherStream Srt = Stream(4, TFurtherStream::Subtitles, AV_CODEC_ID_SUBRIP, "SUBRIP", "eng");
const TFurtherStream Ass = Stream(5, TFurtherStream::Subtitles, AV_CODEC_ID_ASS, "ASS");
const TFurtherStream Font = Stream(6, TFurtherStream::Attachment, AV_CODEC_ID_TTF, "TTF");
const TFurtherStream Cover = Stream(7, TFurtherStream::CoverArt, AV_CODEC_ID_PNG, "PNG");
const TFurtherStream Timecode = Stream(8, TFurtherStream::Data, AV_CODEC_ID_NONE, "NONE");

TFurtherStream At(TFurtherStream stream, int index)
{
  stream.Index = index;
  return stream;
}

struct TMapCase {
  const char* Name;
  std::vector<TCopyFormat> Files;
  const char* Out;
  bool WithSound;
  std::vector<std::vector<int>> Kept; // per kept stream, its index in each file
  std::vector<std::string> LeftOut;
};

const TMapCase MapCases[] = {
    {"SharedStreamsAreMatchedByKindAndCodecInOrder",
     {Recording("MKV", {French, German, Srt, Ass, Font}),
      Recording("MKV", {At(Ass, 2), At(French, 3), At(Srt, 4), At(German, 5)})},
     "MKV", true, {{2, 3}, {3, 5}, {4, 4}, {5, 2}, {6, -1}}, {}},
    {"AMissingTrackIsNamedWithWhatTheJoinKeeps",
     {Recording("MKV", {French, Srt}), Recording("MKV", {}), Recording("MKV", {French})},
     "MKV", true, {},
     {"clip2.mkv has no French sound track: the join has one sound track",
      "clip2.mkv has no English SRT subtitle track: the join has no subtitle tracks"}},
    {"AStreamTheFirstFileLacksIsNamed",
     {Recording("MKV", {French}), Recording("MKV", {French, At(German, 3)})},
     "MKV", true, {{2, 2}}, {"clip2.mkv: its German sound track is left out; the first file has none"}},
    {"AnotherSoundFormatIsNamed",
     {Recording("MKV", {French}), Recording("MKV", {[] {
                                                     TFurtherStream mono = French;
                                                     mono.Facts.ChannelLayout = "mono";
                                                     return mono;
                                                   }()})},
     "MKV", true, {},
     {"clip2.mkv, French sound track: 48000 Hz mono AAC; the first file has 48000 Hz stereo AAC: the join has "
      "one sound track"}},
    {"WithoutSoundFurtherTracksGoUnremarked",
     {Recording("MKV", {French, Srt}), Recording("MKV", {Srt})}, "MKV", false, {{4, 4}}, {}},
    {"WhatTheOutputCannotHoldIsNamed",
     {Recording("MKV", {Srt, Font, Cover, Timecode}), Recording("MKV", {Srt})}, "MP4", true, {{7, -1}},
     {"clip1.mkv: its English SRT subtitle track is left out; MP4 files cannot hold it: the join has no subtitle "
      "tracks",
      "clip1.mkv: its TTF attachment is left out; MP4 files cannot hold it",
      "clip1.mkv: its data track is left out"}},
    {"LaterCoverArtAndFontsThatDifferAreNamed",
     {Recording("MKV", {Cover, Font}), Recording("MKV", {At(Cover, 2), At(Font, 3)}),
      Recording("MKV", {[] {
                          TFurtherStream other = At(Cover, 2);
                          other.PictureHash = 1;
                          return other;
                        }()}),
      Recording("MKV", {})},
     "MKV", true, {{7, -1, -1, -1}, {6, -1, -1, -1}},
     {"clip3.mkv: its cover art is left out; the join keeps the first file's"}},
    {"LaterCoverArtIsNamedWhenTheFirstFileHasNone",
     {Recording("MKV", {}), Recording("MKV", {At(Cover, 2)})}, "MKV", true, {},
     {"clip2.mkv: its cover art is left out; the first file has none"}},
    {"UntaggedTracksAreCountedInTheirFile",
     {Recording("MKV", {At(Stream(2, TFurtherStream::Sound, AV_CODEC_ID_AAC, "AAC"), 2)}), Recording("MKV", {})},
     "MKV", true, {}, {"clip2.mkv has no second sound track: the join has one sound track"}},
};

class RemuxStreamsCase : public testing::TestWithParam<TMapCase> {};

} // namespace

TEST_P(RemuxStreamsCase, KeepsWhatEveryFileSharesAndNamesTheRest)
{
  const TMapCase& c = GetParam();
  std::vector<TCopyInput> inputs;
  for (size_t i = 0; i < c.Files.size(); ++i)
    inputs.push_back({"clip" + std::to_string(i + 1) + ".mkv", &c.Files[i]});
  const TStreamMap map = MapFurtherStreams(inputs, c.Out, c.WithSound);
  std::vector<std::vector<int>> kept;
  for (const TStreamMap::TKept& stream : map.Kept)
    kept.push_back(stream.Sources);
  EXPECT_EQ(kept, c.Kept);
  EXPECT_EQ(map.LeftOut, c.LeftOut);
}

INSTANTIATE_TEST_SUITE_P(Streams, RemuxStreamsCase, testing::ValuesIn(MapCases),
                         [](const testing::TestParamInfo<TMapCase>& info) { return std::string(info.param.Name); });

namespace {

// Inputs as real sources write them: a Matroska film with two languages, subtitles and a font,
// a phone-like MP4 with timed text and cover art. Two seconds, so that subtitles fall in each.
std::string Subtitles(const char* ext)
{
  TTempDir dir;
  const std::string srt = dir.File("cues.srt");
  const std::string cues = "1\n00:00:00,500 --> 00:00:01,200\nHello\n\n2\n00:00:01,400 --> 00:00:01,900\nWorld\n";
  WriteWholeFile(srt, std::vector<uint8_t>(cues.begin(), cues.end()));
  return MakeMedia(std::string("cues.") + ext, "-i " + ShellQuote(srt));
}

const char* const Picture = "-f lavfi -i testsrc=s=160x120:r=25:d=2 ";
const char* const Beep = "-f lavfi -i sine=f=440:r=48000:d=2 ";

std::string Film(const std::string& name, bool french)
{
  const std::string font = MakeMedia("font.ttf", "-f lavfi -i anullsrc -t 0.1 -f wav"); // any bytes will do
  return MakeMedia(name, std::string(Picture) + Beep + Beep + "-i " + ShellQuote(Subtitles("srt")) + " -i " +
                             ShellQuote(Subtitles("ass")) + " -attach " + ShellQuote(font) +
                             " -metadata:s:t mimetype=font/ttf -map 0 -map 1 " + (french ? "-map 2 " : "") +
                             "-map 3 -map 4 -c:v libx264 -preset veryfast -c:a libopus -c:s:0 srt -c:s:1 ass "
                             "-metadata:s:a:0 language=eng -metadata:s:a:1 language=fre");
}

std::string PhoneClip(const std::string& name)
{
  const std::string cover = MakeMedia("cover.png", "-f lavfi -i testsrc=s=64x48 -frames:v 1");
  return MakeMedia(name, std::string(Picture) + Beep + "-i " + ShellQuote(Subtitles("srt")) + " -i " +
                             ShellQuote(cover) + " -map 0 -map 1 -map 2 -map 3 -c:v:0 libx264 -preset veryfast "
                             "-c:a aac -c:s mov_text -c:v:1 png -disposition:v:1 attached_pic");
}

struct TJoinStreamsCase {
  const char* Name;
  std::vector<std::string> (*Inputs)();
  const char* Out;
  const char* Streams;  // ffprobe's codec names, one line each
  int Subtitles;        // cues of the first subtitle track (MP4 clears the screen between them with empty ones)
  const char* Warning;  // a line the join prints; empty for none
  const char* Options;  // for reelweld-cli join
  const char* Chapters; // each one's start and title, as ffprobe gives them
};

const TJoinStreamsCase JoinCases[] = {
    {"FilmKeepsBothLanguagesSubtitlesAndFont",
     [] { return std::vector<std::string>{Film("film1.mkv", true), Film("film2.mkv", true), Film("film3.mkv", true)}; },
     "mkv", "h264\nopus\nopus\nsubrip\nass\nunknown\n", 6, "", "--no-chapters", ""},
    {"FilmWithoutFrenchKeepsOneLanguage",
     [] { return std::vector<std::string>{Film("film1.mkv", true), Film("film-en.mkv", false)}; }, "mkv",
     "h264\nopus\nsubrip\nass\nunknown\n", 4, "film-en.mkv has no French sound track: the join has one sound track",
     "--chapters", "0.007000,film1\n2.007000,film-en\n"},
    {"PhoneKeepsTimedTextAndCoverArt",
     [] { return std::vector<std::string>{PhoneClip("phone1.mp4"), PhoneClip("phone2.mp4"), PhoneClip("phone3.mp4")}; },
     "mp4", "h264\naac\nmov_text\npng\n", 6, "", "", "0.000000,phone1\n2.000000,phone2\n4.000000,phone3\n"},
    {"ChaptersOfTheFilesMoveWithThem",
     [] {
       std::vector<std::string> files;
       for (const char* n : {"1", "2"}) {
         TTempDir dir;
         const std::string meta = dir.File("meta.txt");
         const std::string text = std::string(";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=800\ntitle=Intro ") +
                                  n + "\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=800\nEND=2000\ntitle=Talk " + n + "\n";
         WriteWholeFile(meta, std::vector<uint8_t>(text.begin(), text.end()));
         files.push_back(MakeMedia(std::string("marked") + n + ".mov", "-i " + ShellQuote(PhoneClip("phone1.mp4")) +
                                                                          " -i " + ShellQuote(meta) +
                                                                          " -map 0:v:0 -map 0:a -map_chapters 1 -c copy"));
       }
       return files;
     },
     "mov", "h264\naac\n", 0, "", "", "0.000000,Intro 1\n0.800000,Talk 1\n2.000000,Intro 2\n2.800000,Talk 2\n"},
    {"CameraKeepsTheFirstFilesTimeCode",
     [] {
       std::vector<std::string> files;
       for (const char* n : {"1", "2"})
         files.push_back(MakeMedia(std::string("camera") + n + ".mov", std::string(Picture) + Beep +
                                                                          "-c:v libx264 -preset veryfast -c:a pcm_s16le "
                                                                          "-timecode 10:00:0" + n + ":00"));
       return files;
     },
     "mov", "h264\npcm_s16le\nunknown\n", 0, "", "", "0.000000,camera1\n2.000000,camera2\n"},
    {"PhoneIntoMatroskaKeepsCoverArtAsAnAttachment",
     [] { return std::vector<std::string>{PhoneClip("phone1.mp4"), PhoneClip("phone2.mp4")}; }, "mkv",
     "h264\naac\npng\n", 0, "phone1.mp4: its MP4 text subtitle track is left out; MKV files cannot hold it", "",
     "0.021000,phone1\n2.021000,phone2\n"},
};

class JoinStreamsCase : public testing::TestWithParam<TJoinStreamsCase> {};

} // namespace

TEST_P(JoinStreamsCase, EveryStreamTheFilesShareIsJoined)
{
  const TJoinStreamsCase& c = GetParam();
  const std::vector<std::string> inputs = c.Inputs();
  TTempDir dir;
  const std::string out = dir.File(std::string("joined.") + c.Out);
  const TCommandResult result = RunCliJoin(std::string("--copy ") + c.Options, out, inputs);
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_NE(result.Errors.find(c.Warning), std::string::npos) << result.Errors;
  EXPECT_TRUE(DecodesCleanly(out));
  // MP4 and MOV hold their chapters in a text track of their own, which FFmpeg reads as data.
  const TCommandResult streams = RunCommand("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " +
                                            ShellQuote(out) + " | grep -v bin_data");
  EXPECT_EQ(streams.Output, c.Streams);
  const TCommandResult cues = RunCommand("ffprobe -v error -select_streams s:0 -show_entries packet=size -of csv=p=0 " +
                                         ShellQuote(out) + " | awk '$1 > 2' | grep -c .");
  EXPECT_EQ(std::atoi(cues.Output.c_str()), c.Subtitles) << cues.Output;
  EXPECT_EQ(ProbeEntries(out, "chapter=start_time:chapter_tags=title"), c.Chapters);
  const TCommandResult timeCode = RunCommand("ffprobe -v error -show_entries stream_tags=timecode -of csv=p=0 " +
                                             ShellQuote(inputs.front()) + " | head -1");
  EXPECT_EQ(RunCommand("ffprobe -v error -show_entries stream_tags=timecode -of csv=p=0 " + ShellQuote(out) +
                       " | head -1")
                .Output,
            timeCode.Output);
}

INSTANTIATE_TEST_SUITE_P(Streams, JoinStreamsCase, testing::ValuesIn(JoinCases),
                         [](const testing::TestParamInfo<TJoinStreamsCase>& info) { return std::string(info.param.Name); });

namespace {

using TChapter = TRemuxChapters::TChapter;

struct TChapterCase {
  const char* Name;
  bool MarkFile;
  std::vector<TChapter> Own; // in the input's time; it lands at 10 s, its picture from 0.5 s to 4.5 s
  std::vector<TChapter> Expected;
};

const TChapterCase ChapterCases[] = {
    {"AFileIsOneChapter", true, {}, {{10000000, 14000000, "clip2"}}},
    {"OwnChaptersMoveAndStayWithinThePicture",
     false,
     {{0, 2000000, "Intro"}, {2000000, 4000000, "Talk"}, {4400000, 6000000, "Credits"}, {4500000, 6000000, "After"}},
     {{10000000, 11500000, "Intro"}, {11500000, 13500000, "Talk"}, {13900000, 14000000, "Credits"}}},
    {"AnOwnChapterAtTheStartTakesTheFilesName",
     true,
     {{500000, 2000000, "Intro"}, {2000000, 4500000, "Talk"}},
     {{10000000, 11500000, "clip2: Intro"}, {11500000, 14000000, "Talk"}}},
    {"TheFilesChapterEndsWhereItsOwnBegin", true, {{1500000, 4500000, "Talk"}},
     {{10000000, 11000000, "clip2"}, {11000000, 14000000, "Talk"}}},
};

class ChapterCase : public testing::TestWithParam<TChapterCase> {};

} // namespace

TEST_P(ChapterCase, ChaptersLandWhereTheirFileDoes)
{
  const TChapterCase& c = GetParam();
  TRemuxChapters chapters;
  chapters.AddInput("/videos/clip2.mov", c.MarkFile, 10000000, 14000000, 10000000 - 500000, c.Own);
  ASSERT_EQ(chapters.Chapters().size(), c.Expected.size());
  for (size_t i = 0; i < c.Expected.size(); ++i) {
    EXPECT_EQ(chapters.Chapters()[i].Start, c.Expected[i].Start) << i;
    EXPECT_EQ(chapters.Chapters()[i].End, c.Expected[i].End) << i;
    EXPECT_EQ(chapters.Chapters()[i].Title, c.Expected[i].Title) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Chapters, ChapterCase, testing::ValuesIn(ChapterCases),
                         [](const testing::TestParamInfo<TChapterCase>& info) { return std::string(info.param.Name); });
