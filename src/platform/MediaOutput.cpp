#include "platform/MediaOutput.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

#include <cstdint>
#include <sys/stat.h>

int OpenMediaOutput(AVIOContext** Context, const std::string& FileName)
{
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  struct stat existing {};
  if (::stat(FileName.c_str(), &existing) == 0 && existing.st_size == 0)
    av_dict_set(&options, "truncate", "0", 0);
  const int result = avio_open2(Context, ("file:" + FileName).c_str(), AVIO_FLAG_WRITE, nullptr, &options);
  av_dict_free(&options);
  return result;
}

std::string FFmpegErrorText(int Code)
{
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  // The most negative code has no positive errno to look up.
  if (Code >= 0 || Code == INT32_MIN || av_strerror(Code, text, sizeof text) != 0)
    return "";
  return text;
}
