#include "dshow/DSErrors.h"

#include "platform/Exceptions.h"

extern "C" {
#include <libavutil/error.h>
}

#include <cstdio>

void CheckDSError(int32_t Code)
{
  if (Code == 0)
    return;
  char hex[9];
  std::snprintf(hex, sizeof hex, "%X", static_cast<uint32_t>(Code));
  std::string message = std::string("DirectShow Error: ") + hex;
  // FFmpeg's own words for the codes it knows, so that the user learns the reason. The most
  // negative code has no positive errno to look up.
  char reason[AV_ERROR_MAX_STRING_SIZE];
  if (Code < 0 && Code != INT32_MIN && av_strerror(Code, reason, sizeof reason) == 0)
    message += std::string(" (") + reason + ")";
  throw Exception(message);
}
