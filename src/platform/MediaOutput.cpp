#include "platform/MediaOutput.h"

#include "platform/Exceptions.h"
#include "platform/FileIO.h"

extern "C" {
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

#include <cstdint>

int OpenMediaOutput(AVIOContext** Context, const std::string& FileName)
{
  // Created or emptied as every output of the program is; FFmpeg then writes into it as it is.
  try {
    TFile::Create(FileName);
  } catch (const EOSError& error) {
    return AVERROR(error.ErrorCode);
  }
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
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
