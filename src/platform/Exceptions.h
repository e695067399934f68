#pragma once

#include <stdexcept>
#include <string>

// The program's general exception class: every failure carries one fixed English message.
class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// A failed operating-system call.
class EOSError : public Exception {
public:
  EOSError(int code, const std::string& message) : Exception(message), ErrorCode(code) {}
  int ErrorCode;
};

// The system's text for an error code.
std::string SysErrorMessage(int code);

// Raises EOSError for `code`: "Win32 Error.  Code: %d.\n%s", or "A Win32 API function failed"
// when `code` is 0. With a file name, ": " and the name follow, so the user learns which file.
[[noreturn]] void RaiseOSError(int code, const std::string& fileName = {});

// Raises EOSError for the current errno.
[[noreturn]] void RaiseLastOSError(const std::string& fileName = {});
