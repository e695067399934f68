#include "platform/Exceptions.h"

#include <cerrno>
#include <cstring>

std::string SysErrorMessage(int code)
{
  return std::strerror(code);
}

void RaiseOSError(int code)
{
  if (code == 0)
    throw EOSError(0, "A Win32 API function failed");
  throw EOSError(code, "Win32 Error.  Code: " + std::to_string(code) + ".\n" + SysErrorMessage(code));
}

void RaiseLastOSError()
{
  RaiseOSError(errno);
}
