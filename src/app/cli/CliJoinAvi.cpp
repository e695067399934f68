#include "app/cli/CliJoinRoads.h"

void JoinAviWithoutRecompression(const TCliJoinOptions&)
{
  throw ENotBuiltYet{"join of AVI files"};
}
