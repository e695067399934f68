#include "platform/LogCapture.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>
#include <mutex>

namespace {

thread_local TLogCapture* Current = nullptr;
thread_local std::string LastLine;

void Capture(void* object, int level, const char* format, va_list arguments)
{
  if (Current != nullptr && level <= AV_LOG_ERROR) {
    va_list copy;
    va_copy(copy, arguments);
    char line[512];
    std::vsnprintf(line, sizeof line, format, copy);
    va_end(copy);
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
      text.pop_back();
    if (!text.empty())
      LastLine = text;
  }
  av_log_default_callback(object, level, format, arguments);
}

} // namespace

TLogCapture::TLogCapture() : FOuter(Current)
{
  static std::once_flag installed;
  std::call_once(installed, [] { av_log_set_callback(Capture); });
  Current = this;
  LastLine.clear();
}

TLogCapture::~TLogCapture()
{
  Current = FOuter;
}

std::string TLogCapture::LastError() const
{
  return LastLine;
}
