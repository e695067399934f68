#include "app/cli/CliJoinRoads.h"

void JoinMpegWithoutRecompression(const TCliJoinOptions&)
{
  throw ENotBuiltYet{"join of MPEG-1 files"};
}
