#include "app/cli/CliCommands.h"

int RunProject(const TArgs&)
{
  return NotBuiltYet("project");
}
