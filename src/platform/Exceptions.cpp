#include "platform/Exceptions.h"

#include <cerrno>
#include <cstring>

std::string SysErrorMessage(int code)
{
  return std::strerror(code);
}

void RaiseOSError(int code, const std::string& fileName)
{
  const std::string about = fileName.empty() ? std::string() : ": " + fileName;
  if (code == 0)
    throw EOSError(0, "A Win32 API function failed" + about);
  throw EOSError(code, "Win32 Error.  Code: " + std::to_string(code) + ".\n" + SysErrorMessage(code) + about);
}

void RaiseLastOSError(const std::string& fileName)
{
  RaiseOSError(errno, fileName);
}
