#include "dshow/DSEnum.h"

#include "platform/OutputContainer.h"

void EnumCompressors(bool Audio, std::vector<std::string>* Names, std::vector<TCompressorMonikerPtr>* Monikers)
{
  EnumCompressors(Audio, Names, Monikers, OutputContainers().front());
}

void EnumCompressors(bool Audio, std::vector<std::string>* Names, std::vector<TCompressorMonikerPtr>* Monikers,
                     const TOutputContainer& Container)
{
  for (const TCompressorEntry& entry : ListCompressorsFor(Audio, Container)) {
    if (Names != nullptr)
      Names->push_back(entry.FriendlyName);
    if (Monikers != nullptr)
      Monikers->push_back(entry.Moniker);
  }
}
