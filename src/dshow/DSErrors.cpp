#include "dshow/DSErrors.h"

#include "platform/Exceptions.h"
#include "platform/MediaOutput.h"

#include <cstdio>

void CheckDSError(int32_t Code)
{
  if (Code == 0)
    return;
  char hex[9];
  std::snprintf(hex, sizeof hex, "%X", static_cast<uint32_t>(Code));
  std::string message = std::string("DirectShow Error: ") + hex;
  // FFmpeg's own words for the codes it knows, so that the user learns the reason.
  const std::string reason = FFmpegErrorText(Code);
  if (!reason.empty())
    message += " (" + reason + ")";
  throw Exception(message);
}
