// Measures what the progress dialog costs: one report (SetProgress and IsCancelled, as every
// engine calls them after each chunk), and an AVI copy join of INPUT three times over with and
// without the dialog shown. Usage: reelweld-progresscost INPUT.avi SCRATCH_FOLDER
#include "avi/Stitchbox2.h"
#include "ui/ProgressDlg.h"

#include <QApplication>
#include <QMainWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point Start)
{
  return std::chrono::duration<double>(TClock::now() - Start).count();
}

double JoinSeconds(const std::string& Input, const std::string& Output)
{
  TStitchbox joiner;
  joiner.Files = {Input, Input, Input};
  joiner.OutputFileName = Output;
  const auto start = TClock::now();
  joiner.Execute();
  return SecondsSince(start);
}

std::string ReadAll(const std::string& FileName)
{
  std::ifstream file(FileName, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

} // namespace

int main(int argc, char* argv[])
{
  if (argc != 3) {
    std::fprintf(stderr, "usage: reelweld-progresscost INPUT.avi SCRATCH_FOLDER\n");
    return 2;
  }
  QApplication application(argc, argv);
  const std::string input = argv[1], silent = std::string(argv[2]) + "/silent.avi",
                    shown = std::string(argv[2]) + "/shown.avi";

  constexpr int reports = 200000;
  double perReport;
  {
    TfrmProgress dialog;
    dialog.Show();
    const auto start = TClock::now();
    for (int i = 0; i < reports; ++i) {
      dialog.SetProgress(100.0 * i / reports);
      dialog.IsCancelled();
    }
    perReport = SecondsSince(start) * 1e6 / reports;
  }

  QMainWindow main; // a window for the dialog to disable, as in the program
  main.show();
  double without = 1e9, with = 1e9;
  try {
    for (int round = 0; round < 3; ++round) {
      SetProgressDialogFactory({});
      without = std::min(without, JoinSeconds(input, silent));
      SetProgressDialogFactory([] { return std::make_unique<TfrmProgress>(); });
      with = std::min(with, JoinSeconds(input, shown));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "reelweld-progresscost: %s\n", e.what());
    return 1;
  }
  SetProgressDialogFactory({});
  if (ReadAll(silent) != ReadAll(shown)) {
    std::fprintf(stderr, "reelweld-progresscost: the join with the dialog wrote other bytes\n");
    return 1;
  }
  std::printf("one progress report:             %.2f us (goal: under 5)\n", perReport);
  std::printf("join without the dialog:         %.3f s (best of three)\n", without);
  std::printf("join with the dialog:            %.3f s (best of three)\n", with);
  std::printf("the dialog adds:                  %.1f ms, %.1f %% of the join (goal: under 60 ms + 5 %%)\n",
              1000 * (with - without), 100 * (with - without) / without);
  return 0;
}
