#include "app/cli/CliJoinRoads.h"
#include "avi/Stitchbox2.h"

void JoinAviWithoutRecompression(const TCliJoinOptions& options)
{
  TStitchbox stitchbox;
  stitchbox.Files.assign(options.Files.begin(), options.Files.end());
  stitchbox.OutputFileName = options.Output;
  stitchbox.VideoOnly = options.VideoOnly.value_or(false);
  stitchbox.Execute();
}
