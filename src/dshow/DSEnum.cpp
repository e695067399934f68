#include "dshow/DSEnum.h"

void EnumCompressors(bool Audio, std::vector<std::string>* Names, std::vector<TCompressorMonikerPtr>* Monikers)
{
  for (const TCompressorEntry& entry : ListCompressorCategory(Audio)) {
    if (Names != nullptr)
      Names->push_back(entry.FriendlyName);
    if (Monikers != nullptr)
      Monikers->push_back(entry.Moniker);
  }
}
