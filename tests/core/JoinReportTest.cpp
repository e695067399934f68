#include "core/JoinReport.h"

#include <gtest/gtest.h>

namespace {

TJoinOutcome Outcome(bool Cancelled, int64_t Frames, double Seconds, std::vector<std::string> Notes = {},
                     std::vector<std::string> Warnings = {})
{
  TJoinOutcome outcome;
  outcome.Cancelled = Cancelled;
  outcome.FramesWritten = Frames;
  outcome.SecondsWritten = Seconds;
  outcome.SeamNotes = std::move(Notes);
  outcome.Warnings = std::move(Warnings);
  return outcome;
}

TJoinOutcome Kept(TJoinOutcome Outcome, std::string Part)
{
  Outcome.KeptPart = std::move(Part);
  return Outcome;
}

TJoinReport Report(int Files, std::string Name, int64_t Bytes, double Elapsed, std::string Road = {},
                   std::string Failure = {})
{
  TJoinReport report;
  report.FileCount = Files;
  report.OutputName = std::move(Name);
  report.OutputBytes = Bytes;
  report.ElapsedSeconds = Elapsed;
  report.Folder = "/home/u/Videos";
  report.Road = std::move(Road);
  report.Failure = std::move(Failure);
  return report;
}

} // namespace

TEST(JoinReport, TellsWhatTheJoinDidLineByLine)
{
  const TJoinReport holiday = Report(4, "holiday.avi", 812LL * 1024 * 1024 + 300000, 38.2, "without recompression");
  const std::string seam = "b.avi: the sound is 0.50 s shorter than the picture; 0.50 s of silence added at 00:10.00";
  const std::string cut = "damaged.mp4: only 00:00.50 of its 00:04 could be read (the file is cut short)";
  const struct {
    TJoinOutcome Outcome;
    TJoinReport Report;
    std::vector<std::string> Lines;
  } cases[] = {
      {Outcome(false, 31850, 1274.4), holiday,
       {"Joined 4 files into holiday.avi (812 MB, 21:14) in 38 s, without recompression", "Folder: /home/u/Videos"}},
      {Outcome(false, 25, 1), Report(1, "a.avi", 1500, 0.4),
       {"Joined 1 file into a.avi (2 KB, 00:01) in 0 s", "Folder: /home/u/Videos"}},
      {Outcome(false, 25, 4000), Report(2, "big.mkv", 12LL << 30, 125, "recompressed: libx264 video, aac sound"),
       {"Joined 2 files into big.mkv (12.0 GB, 01:06:40) in 02:05, recompressed: libx264 video, aac sound",
        "Folder: /home/u/Videos"}},
      {Outcome(true, 2150, 86), holiday, {"Cancelled: the first 01:26 is kept in holiday.avi", "Folder: /home/u/Videos"}},
      {Outcome(true, 0, 0), holiday, {"Cancelled before the first frame: nothing was written"}},
      {Outcome(false, 10, 1, {seam}, {cut}), Report(2, "x.avi", 4096, 1),
       {"Joined 2 files into x.avi (4 KB, 00:01) in 1 s; the sound was mended at 1 seam", "Folder: /home/u/Videos",
        seam, cut}},
      {Outcome(true, 10, 1, {"one", "two"}), holiday,
       {"Cancelled: the first 00:01 is kept in holiday.avi; the sound was mended at 2 seams", "Folder: /home/u/Videos",
        "one", "two"}},
      // A failure says so on one line, then what was found before it.
      {Outcome(false, 200, 8, {}, {cut}), Report(3, "x.avi", 0, 3, "", "Win32 Error.  Code: 28.\r\nNo space left"),
       {"Join failed: Win32 Error.  Code: 28. No space left", cut}},
      {Kept(Outcome(false, 200, 8), "x (incomplete).avi"),
       Report(3, "x.avi", 0, 3, "", "Unable to read c.avi; the part joined is kept as x (incomplete).avi"),
       {"Join failed: Unable to read c.avi; the part joined is kept as x (incomplete).avi", "Folder: /home/u/Videos"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JoinReportLines(c.Outcome, c.Report), c.Lines);
    EXPECT_EQ(JoinReportText(c.Outcome, c.Report), c.Lines.front());
    // What there is to play is where the report points.
    const std::string written = WrittenFile(c.Outcome, c.Report);
    EXPECT_EQ(written.empty(), c.Lines.size() < 2 || c.Lines[1] != "Folder: /home/u/Videos") << c.Lines.front();
  }
  EXPECT_EQ(WrittenFile(cases[8].Outcome, cases[8].Report), "/home/u/Videos/x (incomplete).avi");
  EXPECT_EQ(WrittenFile(cases[0].Outcome, cases[0].Report), "/home/u/Videos/holiday.avi");
}

TEST(JoinReport, NamesTheRoad)
{
  TJoinChoices choices;
  choices.JoinWORecomp = true;
  EXPECT_EQ(JoinRoadText(choices), "without recompression");
  choices.JoinWORecomp = false;
  EXPECT_EQ(JoinRoadText(choices), "recompressed: uncompressed video, uncompressed sound");
  choices.VideoCompressor = std::make_shared<TCompressorFilter>(TCompressorFilter{"libx264", false, {}});
  choices.DropAudio = true;
  EXPECT_EQ(JoinRoadText(choices), "recompressed: libx264 video");
}
