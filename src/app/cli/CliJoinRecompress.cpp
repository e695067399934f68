#include "app/cli/CliJoinRoads.h"

void JoinWithRecompression(const TCliJoinOptions&)
{
  throw ENotBuiltYet{"join with recompression"};
}
