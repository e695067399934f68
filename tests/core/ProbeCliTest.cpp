#include "core/FileListTexts.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <unistd.h>

namespace {

const std::string Video2s = "-f lavfi -i testsrc=size=320x240:rate=25:duration=2 ";
const std::string Audio2s = "-f lavfi -i sine=frequency=440:duration=2 ";

struct TKind {
  std::string Name;
  std::string Arguments;
  std::string Type; // the Type cell, which ffprobe does not know
};

const TKind Kinds[] = {
    {"xvid.avi", Video2s + Audio2s + "-c:v mpeg4 -vtag XVID -c:a libmp3lame", "AVI:XVID"},
    {"divx.avi", Video2s + Audio2s + "-c:v mpeg4 -vtag DIVX -c:a pcm_s16le -ac 1 -ar 22050", "AVI:DIVX"},
    {"mjpeg.avi", Video2s + "-c:v mjpeg", "AVI:MJPG"},
    {"raw.avi", Video2s + "-c:v rawvideo -pix_fmt bgr24", "AVI:"},
    {"system-2s.mpg", Video2s + Audio2s + "-c:v mpeg1video -c:a mp2 -f mpeg", "MPEG1"},
    {"elementary.m1v", Video2s + "-c:v mpeg1video -f mpeg1video", "MPEG1"},
    {"program.vob", Video2s + Audio2s + "-c:v mpeg2video -c:a mp2 -f vob", "MPEG2"},
    {"clip.wmv", Video2s + Audio2s + "-c:v wmv2 -c:a wmav2", "WMV"},
    {"audio.wma", Audio2s + "-c:a wmav2", "WMV"},
    {"clip.rm", Video2s + Audio2s + "-c:v rv10 -c:a ac3", "RealMedia"},
    {"clip.mp4",
     "-f lavfi -i testsrc=size=352x288:rate=30000/1001:duration=2 " + Audio2s + "-c:v libx264 -c:a aac -ac 2",
     "MP4:H264"},
    {"clip.mkv", Video2s + Audio2s + "-c:v libx264 -c:a libvorbis", "MKV:H264"},
    {"clip.mov", Video2s + "-c:v mpeg4", "MOV:MPEG4"},
    {"clip.ts", Video2s + Audio2s + "-c:v mpeg2video -c:a mp2", "TS:MPEG2VIDEO"},
    {"clip.webm", Video2s + "-c:v libvpx-vp9 -deadline realtime -cpu-used 8", "WEBM:VP9"},
    {"audio.mp3", Audio2s + "-c:a libmp3lame -ar 32000", "MP3"},
    {"video.avi", Video2s + "-c:v mpeg4", "AVI:FMP4"},
    {"longer-audio.avi",
     "-f lavfi -i testsrc=size=320x240:rate=25:duration=10 -f lavfi -i sine=duration=12 -c:v mpeg4 -c:a libmp3lame",
     "AVI:FMP4"},
};

using TFields = std::map<std::string, std::string>;

// ffprobe's streams and format, one map of fields each.
std::vector<TFields> ProbeWithFfprobe(const std::string& file)
{
  const auto result = RunCommand("ffprobe -v error -show_entries "
                                 "stream=codec_type,width,height,avg_frame_rate,r_frame_rate,duration,sample_rate,"
                                 "channels:format=duration -of compact " +
                                 ShellQuote(file));
  EXPECT_EQ(result.ExitCode, 0) << result.Errors;
  std::vector<TFields> sections;
  std::istringstream lines(result.Output);
  for (std::string line; std::getline(lines, line);) {
    TFields fields;
    std::istringstream parts(line);
    std::string part;
    std::getline(parts, part, '|');
    fields["section"] = part;
    while (std::getline(parts, part, '|'))
      if (const size_t equals = part.find('='); equals != std::string::npos)
        fields[part.substr(0, equals)] = part.substr(equals + 1);
    sections.push_back(fields);
  }
  return sections;
}

double Rate(const std::string& fraction)
{
  int num = 0;
  int den = 0;
  return std::sscanf(fraction.c_str(), "%d/%d", &num, &den) == 2 && num > 0 && den > 0 ? double(num) / den : 0;
}

double Number(const std::string& text)
{
  return text.empty() || text == "N/A" ? 0 : std::stod(text);
}

// The row as ffprobe's facts make it.
std::string RowFromFfprobe(const std::string& file, const std::string& type)
{
  TVideoFileInfo info;
  double formatDuration = 0;
  for (TFields& fields : ProbeWithFfprobe(file)) {
    if (fields["section"] == "format") {
      formatDuration = Number(fields["duration"]);
      continue;
    }
    const double length = Number(fields["duration"]);
    info.Duration = std::max(info.Duration, length);
    if (fields["codec_type"] == "video") {
      info.Width = uint16_t(std::stoi(fields["width"]));
      info.Height = uint16_t(std::stoi(fields["height"]));
      info.FrameRate =
          Rate(fields["avg_frame_rate"]) > 0 ? Rate(fields["avg_frame_rate"]) : Rate(fields["r_frame_rate"]);
    } else if (fields["codec_type"] == "audio") {
      info.HasAudio = true;
      info.SamplesPerSec = uint32_t(std::stoul(fields["sample_rate"]));
      info.Channels = uint8_t(std::stoi(fields["channels"]));
    }
  }
  if (info.Duration == 0)
    info.Duration = formatDuration;
  // ffprobe guesses an elementary stream's length from its bit rate; the real one is its frames.
  if (file.ends_with(".m1v"))
    info.Duration = double(CountFrames(file, "v")) / info.FrameRate;
  const size_t slash = file.rfind('/');
  return file.substr(slash + 1) + "\t" + FormatDuration(info.Duration) + "\t" + type + "\t" + FrameSizeCellText(info) +
         "\t" + FrameRateCellText(info) + "\t" + AudioCellText(info) + "\t" + file.substr(0, slash) + "\n";
}

TCommandResult Probe(const std::vector<std::string>& files)
{
  std::string command = ShellQuote(CliPath()) + " probe";
  for (const std::string& file : files)
    command += " " + ShellQuote(file);
  return RunCommand(command);
}

} // namespace

TEST(ProbeCli, AgreesWithFfprobeOnEveryCellOfEveryKind)
{
  for (const TKind& kind : Kinds) {
    const std::string file = MakeMedia(kind.Name, kind.Arguments);
    const auto result = Probe({file});
    EXPECT_EQ(result.ExitCode, 0) << kind.Name << ": " << result.Errors;
    EXPECT_EQ(result.Output, RowFromFfprobe(file, kind.Type)) << kind.Name;
  }
}

TEST(ProbeCli, ReportsEachFileThatCannotBeDescribedAndGoesOn)
{
  TTempDir dir;
  const std::string text = dir.File("notes.txt");
  WriteWholeFile(text, std::vector<uint8_t>(3000, 'x'));
  const std::string cut = dir.File("cut.avi");
  auto head = ReadWholeFile(MediaAviMpeg4Mp3());
  head.resize(19);
  WriteWholeFile(cut, head);
  const std::string missing = dir.File("missing.avi");
  const std::string empty = dir.File("empty.avi");
  WriteWholeFile(empty, {});
  // A FIFO would keep the probe waiting for a writer for ever.
  const std::string fifo = dir.File("fifo.avi");
  ASSERT_EQ(RunCommand("mkfifo " + ShellQuote(fifo)).ExitCode, 0);
  const std::string good = MediaAviMpeg4Mp3();
  const std::string locked = dir.File("locked.avi"); // root reads it all the same
  WriteWholeFile(locked, ReadWholeFile(good));
  ASSERT_EQ(RunCommand("chmod 000 " + ShellQuote(locked)).ExitCode, 0);

  const auto result = Probe({text, good, cut, missing, empty, fifo, locked});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_TRUE(result.Output.starts_with("mpeg4-mp3.avi\t00:03\tAVI:FMP4\t640x480\t25\t44KHz Stereo\t"))
      << result.Output;
  const std::string invalid = ": DirectShow Error: BEBBB1B7 (Invalid data found when processing input).\n";
  for (const std::string& expected :
       {"Unable to add file " + text + ": DirectShow Error: ", "Unable to add file " + empty + invalid,
        "Unable to add file " + cut + ": DirectShow Error: ",
        "Unable to add file " + missing + ": Win32 Error.  Code: 2.\nNo such file or directory: " + missing + ".\n",
        "Unable to add file " + fifo + ": " + fifo + " is not a regular file.\n",
        geteuid() == 0 ? "" : "Unable to add file " + locked + ": Win32 Error.  Code: 13.\n"})
    EXPECT_NE(result.Errors.find(expected), std::string::npos) << expected << "\nin\n" << result.Errors;
}

TEST(ProbeCli, ShowsTheFolderOfANameGivenRelative)
{
  const std::string file = MediaAviMpeg4Mp3();
  const size_t slash = file.rfind('/');
  const auto result = RunCommand("cd " + ShellQuote(file.substr(0, slash)) + " && " + ShellQuote(CliPath()) +
                                 " probe " + ShellQuote(file.substr(slash + 1)));
  EXPECT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_TRUE(result.Output.ends_with("\t" + file.substr(0, slash) + "\n")) << result.Output;
}

TEST(ProbeCli, JsonHoldsAnObjectPerFileInOrderWithTheErrors)
{
  TTempDir dir;
  const std::string good = MediaAviMpeg4Mp3(), missing = dir.File("missing \"1\".avi");
  const auto result = Probe({"--json", missing, good});
  EXPECT_EQ(result.ExitCode, 1);
  std::vector<std::string> lines;
  std::istringstream output(result.Output);
  for (std::string line; std::getline(output, line);)
    lines.push_back(line);
  ASSERT_EQ(lines.size(), 4u) << result.Output;
  EXPECT_EQ(lines[0], "[");
  EXPECT_TRUE(lines[1].starts_with(R"( {"file": ")" + dir.Path() +
                                   R"(/missing \"1\".avi", "error": "Win32 Error.  Code: 2.\nNo such file)"))
      << lines[1];
  EXPECT_TRUE(lines[1].ends_with(R"("},)")) << lines[1];
  EXPECT_EQ(lines[2], R"( {"file": ")" + good + R"(", "path": ")" + good +
                          R"(", "duration": 3.04, "container": "AVI", "codec": "FMP4", "width": 640, "height": 480, )"
                          R"("frame_rate": 25, "audio": {"sample_rate": 44100, "channels": 2, "bits_per_sample": 0, )"
                          R"("format_tag": 85}})");
  EXPECT_EQ(lines[3], "]");
  EXPECT_NE(result.Errors.find("Unable to add file " + missing + ": Win32 Error.  Code: 2.\n"), std::string::npos);
}
