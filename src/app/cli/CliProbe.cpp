#include "app/cli/CliCommands.h"

int RunProbe(const TArgs&)
{
  return NotBuiltYet("probe");
}
