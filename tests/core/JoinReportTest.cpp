#include "core/JoinReport.h"

#include <gtest/gtest.h>

TEST(JoinReport, TellsWhatTheJoinDidInOneLine)
{
  const TJoinReport holiday = {4, "holiday.avi", 812LL * 1024 * 1024 + 300000, 38.2};
  const struct {
    TJoinOutcome Outcome;
    TJoinReport Report;
    const char* Text;
  } cases[] = {
      {{false, 31850, 1274.4, {}}, holiday, "Joined 4 files into holiday.avi (812 MB, 21:14) in 38 s"},
      {{false, 25, 1, {}}, {1, "a.avi", 1500, 0.4}, "Joined 1 file into a.avi (2 KB, 00:01) in 0 s"},
      {{false, 25, 4000, {}}, {2, "big.mkv", 12LL << 30, 125}, "Joined 2 files into big.mkv (12.0 GB, 01:06:40) in 02:05"},
      {{true, 2150, 86, {}}, holiday, "Cancelled: the first 01:26 is kept in holiday.avi"},
      {{true, 0, 0, {}}, holiday, "Cancelled before the first frame: nothing was written"},
      {{false, 10, 1, {"b.avi: the sound is 0.50 s shorter than the picture; 0.50 s of silence added at 00:10.00"}},
       {2, "x.avi", 4096, 1},
       "Joined 2 files into x.avi (4 KB, 00:01) in 1 s; the sound was mended at 1 seam"},
      {{true, 10, 1, {"one", "two"}}, holiday, "Cancelled: the first 00:01 is kept in holiday.avi; the sound was mended at 2 seams"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(JoinReportText(c.Outcome, c.Report), c.Text);
  EXPECT_EQ(JoinFailureText("Win32 Error.  Code: 28.\nNo space left on device"),
            "Join failed: Win32 Error.  Code: 28. No space left on device");
  EXPECT_EQ(JoinFailureText("Unable to overwrite the file x.\r\nPossible the file is blocked by other application."),
            "Join failed: Unable to overwrite the file x. Possible the file is blocked by other application.");
}
