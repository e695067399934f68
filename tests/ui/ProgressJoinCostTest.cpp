#include "avi/Stitchbox2.h"
#include "support/TestSupport.h"
#include "ui/ProgressDlg.h"

#include <QMainWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

double JoinSeconds(const std::vector<std::string>& Files, const std::string& Output)
{
  TStitchbox joiner;
  joiner.Files = Files;
  joiner.OutputFileName = Output;
  const auto start = std::chrono::steady_clock::now();
  joiner.Execute();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

// A join reports after every chunk, and the dialog processes events in IsCancelled: with many
// small chunks that must not become the cost of the join.
TEST(ProgressJoinCost, ManySmallChunksJoinAboutAsFastWithTheDialogShown)
{
#ifndef NDEBUG
  GTEST_SKIP() << "timings of an unoptimised build say nothing";
#endif
  // 20000 tiny video frames and as many small audio chunks per input.
  const std::string input =
      MakeMedia("tiny-chunks.avi", "-f lavfi -i testsrc=size=8x8:rate=1000:duration=60 -f lavfi -i "
                                   "sine=duration=60 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le -ar 8000 "
                                   "-frame_size 8");
  const std::vector<std::string> files(3, input);
  TTempDir dir;
  QMainWindow main; // a window for the dialog to disable, as in the program
  main.show();

  double without = 1e9, with = 1e9;
  for (int round = 0; round < 3; ++round) {
    SetProgressDialogFactory({});
    without = std::min(without, JoinSeconds(files, dir.File("silent.avi")));
    SetProgressDialogFactory([] { return std::make_unique<TfrmProgress>(); });
    with = std::min(with, JoinSeconds(files, dir.File("shown.avi")));
  }
  SetProgressDialogFactory({});
  std::printf("join of 3 x 60000 frames: %.3f s without the dialog, %.3f s with it (%.1f ms more)\n", without, with,
              1000 * (with - without));
  EXPECT_EQ(ReadWholeFile(dir.File("silent.avi")), ReadWholeFile(dir.File("shown.avi")));
  // Showing the window and painting the bar a hundred times is a fixed cost of some milliseconds;
  // what grows with the number of reports must stay within 5 % of the join.
  EXPECT_LT(with - without, 0.05 * without + 0.06);
}
