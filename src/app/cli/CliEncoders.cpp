#include "app/cli/CliCommands.h"
#include "dshow/DSEnum.h"

#include <iostream>

int RunEncoders(const TArgs& args)
{
  bool audio = false;
  for (const std::string& arg : args) {
    if (arg != "--audio")
      return UsageError("encoders takes only --audio");
    audio = true;
  }
  // The join dialog puts this entry, with no encoder behind it, at the head of its audio list.
  std::vector<std::string> names;
  if (audio)
    names.push_back("No-compressing");
  EnumCompressors(audio, &names, nullptr);
  for (const std::string& name : names)
    std::cout << name << '\n';
  return ExitOK;
}
