#include "dshow/DSErrors.h"

#include "platform/Exceptions.h"

#include <cstdio>

void CheckDSError(int32_t Code)
{
  if (Code == 0)
    return;
  char hex[9];
  std::snprintf(hex, sizeof hex, "%X", static_cast<uint32_t>(Code));
  throw Exception(std::string("DirectShow Error: ") + hex);
}
