#include "mpeg/Pressline.h"
#include "mpeg/MpegBytes.h"
#include "support/JoinEngine.h"
#include "support/ProgressRecorder.h"
#include "support/SeamCheck.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace {

std::string MediaVcd()
{
  return MakeMedia("vcd.mpg", "-f lavfi -i testsrc=size=352x288:rate=25:duration=2 -f lavfi -i "
                              "sine=frequency=660:duration=2 -c:v mpeg1video -b:v 1150k -c:a mp2 -b:a 224k -ar "
                              "44100 -f vcd");
}

std::string MediaElementary()
{
  return MakeMedia("video.m1v", "-f lavfi -i testsrc=size=352x288:rate=25:duration=1 -c:v mpeg1video -f mpeg1video");
}

TJoinOutcome Join(const std::vector<std::string>& files, const std::string& output, bool videoOnly = false,
                  bool correct = false, double frameRate = 25)
{
  return RunJoinEngine<TPressline>(files, output, [&](TPressline& pressline) {
    pressline.VideoOnly = videoOnly;
    pressline.CorrectTimeStamps = correct;
    pressline.FrameRate = frameRate;
  });
}

std::string JoinFailure(const std::vector<std::string>& files, const std::string& output, double frameRate = 25,
                        bool correct = false)
{
  return ErrorOf([&] { Join(files, output, false, correct, frameRate); });
}

// An independent walk of a well-formed system stream: start code, then a fixed or announced size;
// zeros that pad a sector lie between units.
struct TUnit {
  uint8_t Code;
  size_t Pos, Size;
};

std::vector<TUnit> Walk(const TBytes& bytes)
{
  std::vector<TUnit> units;
  for (size_t p = 0; p + 4 <= bytes.size();) {
    if (bytes[p + 2] == 0) {
      ++p;
      continue;
    }
    EXPECT_TRUE(bytes[p] == 0 && bytes[p + 1] == 0 && bytes[p + 2] == 1) << "no start code at " << p;
    const uint8_t code = bytes[p + 3];
    if (code == 0xB9) {
      p += 4;
      continue;
    }
    const size_t size = code == 0xBA ? 12 : 6 + (bytes[p + 4] << 8 | bytes[p + 5]);
    units.push_back({code, p, size});
    p += size;
  }
  return units;
}

// What a plain join must write: units of system streams (system headers from the first file
// only), every other file whole.
TBytes ExpectedJoin(const std::vector<std::string>& files)
{
  TBytes expected;
  for (size_t i = 0; i < files.size(); ++i) {
    const TBytes bytes = ReadWholeFile(files[i]);
    if (bytes.size() < 4 || bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 1 || bytes[3] != 0xBA) {
      expected.insert(expected.end(), bytes.begin(), bytes.end());
      continue;
    }
    for (const TUnit& unit : Walk(bytes))
      if (unit.Code != 0xBB || i == 0)
        expected.insert(expected.end(), bytes.begin() + unit.Pos, bytes.begin() + unit.Pos + unit.Size);
  }
  return expected;
}

TEST(Pressline, CopiesUnitsByteForByteAndOtherFilesWhole)
{
  TTempDir dir;
  WriteWholeFile(dir.File("tiny"), {0, 0, 1});
  const std::vector<std::string> files = {MediaMpeg1System(), MediaVcd(), MediaElementary(), dir.File("tiny"),
                                          MediaMpeg1System()};
  TProgressRecorder recorder;
  Join(files, dir.File("out.mpg"));
  const TBytes out = ReadWholeFile(dir.File("out.mpg"));
  EXPECT_TRUE(out == ExpectedJoin(files)) << "the joined bytes differ from the walk of the inputs";
  EXPECT_EQ(recorder.State->Caption, "Joining...");
  EXPECT_EQ(recorder.State->Text, "The selected file is being joined. Please wait...");
  EXPECT_TRUE(recorder.State->Shown);
  ASSERT_FALSE(recorder.State->Reports.empty());
  EXPECT_TRUE(std::is_sorted(recorder.State->Reports.begin(), recorder.State->Reports.end()));
  EXPECT_GE(recorder.State->Reports.back(), 99);
  EXPECT_LE(recorder.State->Reports.back(), 100);
}

TEST(Pressline, JoinedStreamsDecodeWithEveryFrame)
{
  TTempDir dir;
  const std::vector<std::string> files = {MediaMpeg1System(), MediaVcd(), MediaMpeg1System()};
  int64_t frames = 0;
  for (const auto& file : files)
    frames += CountFrames(file, "v");
  // As they are, with corrected clocks (kept for the checks below), and the picture alone as an
  // elementary stream.
  const std::tuple<bool, bool, const char*> modes[] = {
      {false, false, "plain.mpg"}, {false, true, "out.mpg"}, {true, false, "out.m1v"}};
  for (const auto& [videoOnly, correct, output] : modes) {
    SCOPED_TRACE(output);
    Join(files, dir.File(output), videoOnly, correct);
    EXPECT_TRUE(DecodesCleanly(dir.File(output)));
    EXPECT_EQ(CountFrames(dir.File(output), "v"), frames);
  }
  // The corrected clocks run on: SCR and video PTS never step back (these inputs have no B-frames).
  const TBytes out = ReadWholeFile(dir.File("out.mpg"));
  int64_t lastSCR = -1, lastPTS = -1;
  for (const TUnit& unit : Walk(out)) {
    if (unit.Code == 0xBA) {
      EXPECT_GE(ClockAt(out, unit.Pos + 4), lastSCR);
      lastSCR = ClockAt(out, unit.Pos + 4);
    } else if (unit.Code == 0xE0 && out[unit.Pos + 6] >> 4 == 2) {
      EXPECT_GT(ClockAt(out, unit.Pos + 6), lastPTS);
      lastPTS = ClockAt(out, unit.Pos + 6);
    }
  }
  Join(files, dir.File("again.mpg"), false, true);
  EXPECT_TRUE(ReadWholeFile(dir.File("again.mpg")) == out) << "a second join in the process differs";
}

// The pictures that a cut-off copy of the test stream holds, by the time stamps of its video
// packets (25 fps, no reordering): none before the first.
// Where an MPEG-1 packet's data begins, and its time stamp field (0 without).
std::pair<size_t, size_t> PacketData(const TBytes& b, const TUnit& unit)
{
  size_t p = unit.Pos + 6;
  while (b[p] == 0xFF)
    ++p;
  if ((b[p] & 0xC0) == 0x40)
    p += 2;
  const size_t stamp = b[p] >> 4 == 2 || b[p] >> 4 == 3 ? p : 0;
  return {p + (b[p] >> 4 == 2 ? 5 : b[p] >> 4 == 3 ? 10 : 1), stamp};
}

int64_t PicturesBefore(const TBytes& b, const std::vector<TUnit>& units, size_t end)
{
  std::optional<int64_t> first, last;
  for (const TUnit& unit : units) {
    if (unit.Code != 0xE0 || unit.Pos + unit.Size > end)
      continue;
    if (const size_t p = PacketData(b, unit).second) {
      last = std::max(last.value_or(ClockAt(b, p)), ClockAt(b, p));
      first = first.value_or(ClockAt(b, p));
    }
  }
  return first ? (*last - *first) / 3600 + 1 : 0;
}

// The data of the packets of one stream, one after another.
TBytes StreamData(const TBytes& b, uint8_t stream)
{
  TBytes data;
  for (const TUnit& unit : Walk(b))
    if (unit.Code == stream)
      data.insert(data.end(), b.begin() + PacketData(b, unit).first, b.begin() + unit.Pos + unit.Size);
  return data;
}

TEST(Pressline, CancelEndsAfterAWholePictureAndStartsNoFurtherInput)
{
  const TBytes in = ReadWholeFile(MediaMpeg1System());
  ASSERT_GE(in.size(), 200000u) << "the stream spans three progress reports";
  // A cancel seen at the first report keeps nothing; at a later one, the units before it up to
  // the end of the picture under way, more at each, with the pictures among them counted. The
  // missing input is never opened.
  size_t kept = 0;
  for (const int cancelAt : {1, 2, 3}) {
    SCOPED_TRACE(cancelAt);
    TTempDir dir;
    for (const bool correct : {false, true}) {
      TProgressRecorder recorder(cancelAt);
      const TJoinOutcome outcome = Join({MediaMpeg1System(), dir.File("missing.mpg")}, dir.File("out.mpg"), false, correct);
      EXPECT_TRUE(outcome.Cancelled);
      const TBytes out = ReadWholeFile(dir.File("out.mpg"));
      // The units before the last are the input's; the last one's data ends where a picture does.
      const auto outUnits = Walk(out);
      const size_t last = outUnits.empty() ? 0 : outUnits.back().Pos;
      EXPECT_TRUE(TBytes(out.begin(), out.begin() + last) == TBytes(in.begin(), in.begin() + std::min(last, in.size())));
      const TBytes video = StreamData(out, 0xE0), inVideo = StreamData(in, 0xE0);
      ASSERT_LE(video.size() + 4, inVideo.size());
      EXPECT_TRUE(std::equal(video.begin(), video.end(), inVideo.begin()));
      const uint8_t next = inVideo[video.size() + 3];
      EXPECT_TRUE(video.empty() || (inVideo[video.size()] == 0 && inVideo[video.size() + 1] == 0 &&
                                    inVideo[video.size() + 2] == 1 && (next == 0 || next == 0xB3 || next == 0xB8)))
          << "the picture before " << video.size() << " is not whole";
      if (!out.empty()) {
        EXPECT_TRUE(DecodesCleanly(dir.File("out.mpg")));
      }
      EXPECT_EQ(outcome.FramesWritten, PicturesBefore(out, outUnits, out.size()));
      if (cancelAt == 1) {
        EXPECT_TRUE(out.empty());
      } else if (!correct) {
        EXPECT_GT(out.size(), kept);
      }
      if (!correct)
        kept = out.size();
    }
  }
}

TEST(Pressline, FailuresNameTheFileAndLoseNothing)
{
  TTempDir dir;
  const std::string input = dir.File("in.mpg");
  WriteWholeFile(input, ReadWholeFile(MediaMpeg1System()));
  EXPECT_EQ(JoinFailure({input, dir.File("missing.mpg")}, dir.File("out.mpg")),
            "Cannot open file " + dir.File("missing.mpg"));
  EXPECT_EQ(JoinFailure({input}, dir.File("no/out.mpg")),
            "Cannot create file " + dir.File("no/out.mpg") + ": No such file or directory");
  EXPECT_EQ(JoinFailure({input}, input), "Cannot create file " + input);
  EXPECT_TRUE(ReadWholeFile(input) == ReadWholeFile(MediaMpeg1System())) << "the input was emptied";
  // An input cut while the join runs is a failure, not a short join.
  const std::string later = dir.File("later.mpg");
  for (const TBytes& bytes : {ReadWholeFile(MediaMpeg1System()), ReadWholeFile(MediaElementary())}) {
    WriteWholeFile(later, bytes);
    TProgressRecorder recorder;
    recorder.State->OnReport = [&](size_t report) {
      if (report == 1) {
        ASSERT_EQ(::truncate(later.c_str(), off_t(bytes.size() / 2)), 0);
      }
    };
    EXPECT_EQ(JoinFailure({input, later}, dir.File("out.mpg"), 25, true), "Unable to read file (" + later + ")");
  }
}

// The rate comes from the streams' own sequence headers: a rate of 0 from the list joins as well.
TEST(Pressline, JoinsWithTheStreamsOwnRateWhenGivenNone)
{
  TTempDir dir;
  Join({MediaMpeg1System(), MediaMpeg1System()}, dir.File("zero.mpg"), false, true, 0);
  Join({MediaMpeg1System(), MediaMpeg1System()}, dir.File("rate.mpg"), false, true, 25);
  EXPECT_TRUE(ReadWholeFile(dir.File("zero.mpg")) == ReadWholeFile(dir.File("rate.mpg")));
}

TEST(Pressline, CorrectionPassesPrivateStream2WholeAndDropsACutOffLastUnit)
{
  TTempDir dir;
  const TBytes private2 = Packet(0xBF, {}, Data(40));
  WriteWholeFile(dir.File("a.mpg"), Cat({Pack(900, 5), private2, Packet(0xE0, TimeStamp(0x2, 9000), Data(10))}));
  const TBytes cutOff = Packet(0xE0, {0x0F}, Data(50));
  WriteWholeFile(dir.File("b.mpg"), Cat({Pack(100, 5), Packet(0xE0, TimeStamp(0x2, 3000), Data(10)),
                                         TBytes(cutOff.begin(), cutOff.end() - 20)}));
  Join({dir.File("a.mpg"), dir.File("b.mpg")}, dir.File("out.mpg"), false, true);
  // Without sequence headers the given rate tells where the picture ends: one frame after 9000.
  const TBytes expected = Cat({Pack(900, 5), private2, Packet(0xE0, TimeStamp(0x2, 9000), Data(10)),
                               Pack(100 + 9600, 5), Packet(0xE0, TimeStamp(0x2, 9000 + 3600), Data(10))});
  EXPECT_TRUE(ReadWholeFile(dir.File("out.mpg")) == expected);
}

// Sound is left out by whole frames: a packet that begins with the end of a kept frame keeps
// that end, though its time stamp (of the next frame) lies past the picture.
TEST(Pressline, LeavesOutOnlyWholeSoundFrames)
{
  // MPEG-1 layer II, 192 kbit/s, 48 kHz: 576 bytes, 2160 ticks a frame.
  TBytes frames;
  for (int i = 0; i < 5; ++i) {
    TBytes frame(576, 0);
    frame[0] = 0xFF, frame[1] = 0xFD, frame[2] = 0xA4;
    frames.insert(frames.end(), frame.begin(), frame.end());
  }
  // Two pictures at 25 per second end at 7200; the frames start at 1000, 3160, 5320 (kept) and
  // 7480. The headers: sequence (25 per second), group (time code 0), pictures 0 and 1.
  const TBytes first = {0, 0, 1, 0xB3, 0x0A, 0x00, 0x78, 0x13, 0, 0, 1, 0xB8, 0x00, 0x08, 0x00, 0x00,
                        0, 0, 1, 0x00, 0x00, 0x0F, 0xFF, 0xF8};
  const TBytes second = {0, 0, 1, 0x00, 0x00, 0x4F, 0xFF, 0xF8};
  const size_t split = 2 * 576 + 288;
  TTempDir dir;
  WriteWholeFile(dir.File("a.mpg"),
                 Cat({Pack(100, 5), Packet(0xE0, TimeStamp(0x2, 0), first),
                      Packet(0xC0, TimeStamp(0x2, 1000), TBytes(frames.begin(), frames.begin() + split)),
                      Packet(0xE0, TimeStamp(0x2, 3600), second),
                      Packet(0xC0, TimeStamp(0x2, 7480), TBytes(frames.begin() + split, frames.end()))}));
  Join({dir.File("a.mpg"), dir.File("a.mpg")}, dir.File("out.mpg"), false, true);
  const TBytes out = ReadWholeFile(dir.File("out.mpg"));
  EXPECT_EQ(Walk(out).size(), 2 * 5u);
  const TBytes sound = StreamData(out, 0xC0);
  EXPECT_EQ(sound.size(), 2 * 3 * 576u);
  for (size_t p = 0; p < sound.size(); p += 576)
    EXPECT_TRUE(sound[p] == 0xFF && sound[p + 1] == 0xFD) << "no frame at " << p;
}

// Units below and above half the reader's window take different reads.
TEST(Pressline, LargeUnitsPassWholeAndACutOffLastOneIsDropped)
{
  TTempDir dir;
  const TBytes units = Cat({Pack(100, 5), Packet(0xE0, {0x0F}, Data(20000)), Packet(0xE0, {0x0F}, Data(50000, 3)),
                            Packet(0xC0, {0x0F}, Data(100))});
  const TBytes cutOff = Packet(0xE0, {0x0F}, Data(40000));
  WriteWholeFile(dir.File("in.mpg"), Cat({units, TBytes(cutOff.begin(), cutOff.end() - 10)}));
  Join({dir.File("in.mpg"), dir.File("in.mpg")}, dir.File("out.mpg"));
  EXPECT_TRUE(ReadWholeFile(dir.File("out.mpg")) == Cat({units, units}));
}

// Damaged copies of real files: the join ends, never writes more than it read, and the sanitizers
// see no fault.
TEST(Pressline, MutatedInputsNeitherCrashNorHang)
{
  TTempDir dir;
  const TBytes original = ReadWholeFile(MediaVcd());
  std::mt19937 random(20261208);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  const std::vector<TBytes> patterns = {{0, 0, 1, 0xBA}, {0, 0, 1, 0xE0}, {0, 0, 0, 1}, {0xFF, 0xFF}, {0, 0, 1, 0xBF}};
  for (int round = 0; round < 200 && std::chrono::steady_clock::now() < until; ++round) {
    TBytes bytes = original;
    for (int i = 0; i < 20; ++i) {
      const size_t at = random() % bytes.size();
      const TBytes& pattern = patterns[random() % patterns.size()];
      if (random() % 2 != 0)
        bytes[at] = uint8_t(random());
      else
        std::copy_n(pattern.begin(), std::min(pattern.size(), bytes.size() - at), bytes.begin() + at);
    }
    bytes.resize(random() % bytes.size());
    WriteWholeFile(dir.File("bad.mpg"), Cat({{0, 0, 1, 0xBA}, bytes}));
    for (int mode = 0; mode < 3; ++mode) {
      Join({dir.File("bad.mpg")}, dir.File("out.mpg"), mode == 1, mode == 2);
      EXPECT_LE(ReadWholeFile(dir.File("out.mpg")).size(), bytes.size() + 4);
    }
  }
}

TEST(Pressline, CommandLineJoinsByCopy)
{
  TTempDir dir;
  const std::vector<std::string> files = {MediaMpeg1System(), MediaVcd()};
  const auto run = [&](const std::string& options, const std::string& out) {
    return RunCliJoin("--copy " + options, dir.File(out), files);
  };
  EXPECT_EQ(run("--no-timestamp-correction", "out.mpg").ExitCode, 0);
  EXPECT_TRUE(ReadWholeFile(dir.File("out.mpg")) == ExpectedJoin(files));
  EXPECT_EQ(run("--video-only --correct-timestamps", "out.m1v").ExitCode, 0);
  EXPECT_EQ(CountFrames(dir.File("out.m1v"), "v"), CountFrames(files[0], "v") + CountFrames(files[1], "v"));
}

} // namespace

namespace {

// Per stream, the decoding time (else the presentation time) of every packet ffprobe reads.
std::map<int, std::vector<double>> PacketClocks(const std::string& file)
{
  const TCommandResult probe =
      RunCommand("ffprobe -v error -show_entries packet=stream_index,pts_time,dts_time -of csv=p=0 " + ShellQuote(file));
  std::map<int, std::vector<double>> clocks;
  std::istringstream lines(probe.Output);
  for (std::string line; std::getline(lines, line);) {
    int stream = 0;
    char pts[32] = "", dts[32] = "";
    if (std::sscanf(line.c_str(), "%d,%31[^,],%31s", &stream, pts, dts) < 2)
      continue;
    const std::string clock = std::string(dts) != "N/A" && dts[0] != 0 ? dts : pts;
    if (clock != "N/A")
      clocks[stream].push_back(std::stod(clock));
  }
  return clocks;
}

// Seam clips as MPEG-1 system streams with reordered pictures.
TSeamClipRecipe MpegSeamRecipe()
{
  TSeamClipRecipe recipe;
  recipe.Format = "mpeg";
  recipe.VideoArgs = "-c:v mpeg1video -bf 2 -q:v 4";
  recipe.AudioArgs = "-c:a mp2 -b:a 192k";
  return recipe;
}

} // namespace

// Clips with reordered pictures whose sound is as long as the picture, longer, shorter, or late:
// joined, every beep still sounds with its flash, the clocks never step back, and readers see the
// true length.
TEST(Pressline, KeepsSoundWithPictureAtEverySeamOnOneClock)
{
  const TSeamClipRecipe plain = MpegSeamRecipe();
  TSeamClipRecipe longer = plain, shorter = plain, late = plain;
  longer.AudioSeconds = 2.4;
  shorter.AudioSeconds = 1.5;
  late.AudioDelay = 0.3;
  late.FlashTimes = {0, 1.2};
  const std::vector<std::string> files = {MakeSeamClip("seam-plain.mpg", plain), MakeSeamClip("seam-long.mpg", longer),
                                          MakeSeamClip("seam-short.mpg", shorter), MakeSeamClip("seam-late.mpg", late),
                                          MakeSeamClip("seam-plain.mpg", plain)};
  TTempDir dir;
  const std::string out = dir.File("out.mpg");
  const TJoinOutcome outcome = Join(files, out, false, true);

  const auto seams = MeasureSeams(out);
  ASSERT_EQ(seams.size(), 6u);
  int silent = 0;
  for (const TSeamOffset& seam : seams) {
    if (std::isnan(seam.Offset)) {
      ++silent; // the late clip's first flash comes before its sound
    } else {
      EXPECT_LE(std::fabs(seam.Offset), 0.045) << "flash at " << seam.FlashTime;
    }
  }
  EXPECT_EQ(silent, 1);
  EXPECT_EQ(CountFrames(out, "v"), 5 * 50);
  EXPECT_TRUE(DecodesCleanly(out));
  for (const auto& [stream, clocks] : PacketClocks(out)) {
    SCOPED_TRACE(stream);
    ASSERT_FALSE(clocks.empty());
    for (size_t i = 1; i < clocks.size(); ++i) {
      ASSERT_GT(clocks[i], clocks[i - 1]) << "packet " << i;
    }
    if (stream == 0) {
      // From the first picture to the end of the last one: the clips' sum, within a frame.
      EXPECT_NEAR(clocks.back() - clocks.front() + 0.04, 10.0, 0.04);
    }
  }
  EXPECT_EQ(outcome.FramesWritten, 250);
  EXPECT_NEAR(outcome.SecondsWritten, 10.0, 0.001);
  // The long sound and the late one run past their pictures.
  ASSERT_EQ(outcome.SeamNotes.size(), 2u);
  EXPECT_EQ(outcome.SeamNotes[0].rfind("seam-long.mpg: the sound runs 0.4", 0), 0u)
      << outcome.SeamNotes[0];
  EXPECT_EQ(outcome.SeamNotes[1].rfind("seam-late.mpg: the sound runs 0.3", 0), 0u)
      << outcome.SeamNotes[1];
}

// A disk that fills up: the join fails, and the output still ends with a whole unit.
TEST(Pressline, AFailedWriteLeavesTheOutputAtAUnitBoundary)
{
  TTempDir dir;
  const std::string out = dir.File("out.mpg");
  const std::vector<std::string> inputs = {MediaVcd(), MediaMpeg1System(), MediaVcd()}; // made before the limit
  for (const uint64_t room : {100000u, 300000u}) {
    SCOPED_TRACE(room);
    // A file size limit stands for the full disk.
    EXPECT_NE(ErrorOfWithRoom(room, [&] { Join(inputs, out, false, true); }), "") << "the join fails";
    const TBytes bytes = ReadWholeFile(out);
    ASSERT_GT(bytes.size(), 0u);
    EXPECT_LE(bytes.size(), room);
    EXPECT_GE(bytes.size() + 65541, room) << "the whole units that fitted are kept";
    const auto units = Walk(bytes);
    ASSERT_FALSE(units.empty());
    EXPECT_EQ(units.back().Pos + units.back().Size, bytes.size());
  }
}

// Without picture, each input goes on where the sound before it ends.
TEST(Pressline, JoinsSoundAloneOnOneClock)
{
  const std::string sound = MakeMedia("sound-only.mpg", "-f lavfi -i sine=duration=2 -c:a mp2 -ar 44100 -f mpeg");
  TTempDir dir;
  Join({sound, sound, sound}, dir.File("out.mpg"), false, true);
  EXPECT_TRUE(DecodesCleanly(dir.File("out.mpg")));
  const std::vector<double> one = PacketClocks(sound)[0], joined = PacketClocks(dir.File("out.mpg"))[0];
  ASSERT_FALSE(one.empty());
  ASSERT_EQ(joined.size(), 3 * one.size());
  for (size_t i = 1; i < joined.size(); ++i) {
    ASSERT_GT(joined[i], joined[i - 1]) << "packet " << i;
  }
  const double frame = 1152.0 / 44100;
  EXPECT_NEAR(joined.back() - joined.front(), 3 * (one.back() - one.front() + frame) - frame, 0.001);
}

// Cut from a recording across the moment its 33-bit clock starts again from 0.
TEST(Pressline, AClockThatStartsAgainWithinAFileKeepsItsPictureAndSound)
{
  const std::string first = MakeSeamClip("seam-plain.mpg", MpegSeamRecipe());
  const std::string wrapped =
      MakeMedia("seam-wrapped.mpg", "-i " + ShellQuote(first) + " -c copy -output_ts_offset 95443 -f mpeg");
  TTempDir dir;
  const std::string out = dir.File("out.mpg");
  Join({first, wrapped}, out, false, true);
  EXPECT_EQ(CountFrames(out, "v"), 2 * 50);
  // All but the first clip's sound frame that runs past its picture.
  EXPECT_EQ(CountFrames(out, "a"), 2 * CountFrames(first, "a") - 1);
  const auto seams = MeasureSeams(out);
  ASSERT_EQ(seams.size(), 2u);
  EXPECT_LE(WorstSeamOffset(seams), 0.045);
}
