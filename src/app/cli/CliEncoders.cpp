#include "app/cli/CliCommands.h"
#include "dshow/DSEnum.h"
#include "platform/OutputContainer.h"

#include <iostream>

int RunEncoders(const TArgs& args)
{
  bool audio = false;
  const TOutputContainer* container = &OutputContainers().front();
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--audio") {
      audio = true;
    } else if (args[i] == "--container" && i + 1 < args.size()) {
      container = &ContainerOfFile("encoders." + args[++i]);
      if (IsAvi(*container) && args[i] != "avi")
        return UsageError("--container takes avi, mp4, m4v, mov, mkv or webm");
    } else {
      return UsageError("encoders takes only --audio and --container NAME");
    }
  }
  // The join dialog puts this entry, with no encoder behind it, at the head of its audio list.
  std::vector<std::string> names;
  if (audio)
    names.push_back("No-compressing");
  std::vector<TCompressorMonikerPtr> monikers(names.size());
  EnumCompressors(audio, &names, &monikers, *container);
  for (size_t i = 0; i < names.size(); ++i)
    // The line between the encoders that suit the container and the rest.
    std::cout << (names[i].empty() && !monikers[i] ? "--" : names[i]) << '\n';
  return ExitOK;
}
