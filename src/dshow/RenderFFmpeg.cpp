#include "dshow/RenderFFmpeg.h"

#include "dshow/DSErrors.h"
#include "platform/Exceptions.h"

#include <new>

void CheckAVError(int Code, const std::string& FileName)
{
  if (Code >= 0)
    return;
  if (Code == AVERROR(ENOMEM))
    throw std::bad_alloc();
  // FFmpeg's own codes are tags far below any errno.
  if (Code > -4096)
    RaiseOSError(-Code, FileName);
  try {
    CheckDSError(Code);
  } catch (const Exception& e) {
    if (FileName.empty())
      throw;
    throw Exception(std::string(e.what()) + ": " + FileName);
  }
}
