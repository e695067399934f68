#include "platform/SeamText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string ClockText(double Seconds)
{
  const long hundredths = std::lround(std::max(0.0, Seconds) * 100);
  const long minutes = hundredths / 6000;
  char text[40];
  if (minutes >= 60)
    std::snprintf(text, sizeof(text), "%ld:%02ld:%02ld.%02ld", minutes / 60, minutes % 60, hundredths / 100 % 60,
                  hundredths % 100);
  else
    std::snprintf(text, sizeof(text), "%02ld:%02ld.%02ld", minutes, hundredths / 100 % 60, hundredths % 100);
  return text;
}

std::string SecondsText(double Seconds)
{
  char text[32];
  std::snprintf(text, sizeof(text), "%.2f s", Seconds);
  return text;
}

std::string SeamNoteText(const std::string& File, const std::vector<std::string>& Parts)
{
  const size_t slash = File.find_last_of('/');
  std::string note = (slash == std::string::npos ? File : File.substr(slash + 1)) + ": ";
  for (size_t i = 0; i < Parts.size(); ++i)
    note += (i > 0 ? "; " : "") + Parts[i];
  return note;
}
