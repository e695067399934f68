#pragma once

#include <string>

// Keeps the errors FFmpeg logs on this thread while the object lives, so that a failure can give
// the library's own reason ("width not divisible by 2 (321x241)") besides its code.
class TLogCapture {
public:
  TLogCapture();
  ~TLogCapture();
  TLogCapture(const TLogCapture&) = delete;
  TLogCapture& operator=(const TLogCapture&) = delete;

  // The last error logged, without its line end; empty when none was.
  std::string LastError() const;

private:
  TLogCapture* FOuter;
};
