#include "dshow/RenderFFmpeg.h"

#include "dshow/DSErrors.h"
#include "platform/Exceptions.h"

#include <new>

void CheckAVError(int Code, const std::string& FileName)
{
  if (Code >= 0)
    return;
  // A damaged file can ask for more memory than any real one needs; the user learns which.
  if (Code == AVERROR(ENOMEM) && FileName.empty())
    throw std::bad_alloc();
  if (Code == AVERROR(ENOMEM))
    throw Exception("Not enough memory for " + FileName + " (the file may be damaged)");
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
