#include "app/cli/CliCommands.h"

int RunEncoders(const TArgs&)
{
  return NotBuiltYet("encoders");
}
