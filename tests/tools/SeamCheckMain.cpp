// Prints, for each file, every flash with its beep and the worst offset: the sync figure of the
// benchmarks. Exit status 1 when a file cannot be decoded or a flash has no beep.
#include "support/SeamCheck.h"

#include <cmath>
#include <cstdio>

int main(int argc, char** argv)
{
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    const auto seams = MeasureSeams(argv[i]);
    for (const TSeamOffset& seam : seams)
      std::printf("%s: flash %.3f beep %.3f offset %+.3f\n", argv[i], seam.FlashTime, seam.BeepTime, seam.Offset);
    const double worst = WorstSeamOffset(seams);
    std::printf("%s: %zu flashes, worst offset %.3f s\n", argv[i], seams.size(), worst);
    if (seams.empty() || std::isnan(worst))
      status = 1;
  }
  return status;
}
