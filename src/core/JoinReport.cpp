#include "core/JoinReport.h"

#include "core/FileListTexts.h"

#include <cmath>
#include <cstdio>

namespace {

std::string FormatSize(int64_t Bytes)
{
  constexpr double MiB = 1024.0 * 1024.0;
  char text[32];
  if (Bytes < 1024 * 1024)
    std::snprintf(text, sizeof text, "%lld KB", static_cast<long long>((Bytes + 1023) / 1024));
  else if (Bytes < 10 * 1024 * MiB)
    std::snprintf(text, sizeof text, "%.0f MB", double(Bytes) / MiB);
  else
    std::snprintf(text, sizeof text, "%.1f GB", double(Bytes) / (1024 * MiB));
  return text;
}

std::string FormatElapsed(double Seconds)
{
  if (Seconds < 59.5)
    return std::to_string(std::lround(Seconds)) + " s";
  return FormatDuration(Seconds);
}

std::string Plural(size_t Count, const std::string& Word)
{
  return std::to_string(Count) + " " + Word + (Count == 1 ? "" : "s");
}

} // namespace

std::string JoinReportText(const TJoinOutcome& Outcome, const TJoinReport& Report)
{
  std::string text;
  if (!Outcome.Cancelled)
    text = "Joined " + Plural(size_t(Report.FileCount), "file") + " into " + Report.OutputName + " (" +
           FormatSize(Report.OutputBytes) + ", " + FormatDuration(Outcome.SecondsWritten) + ") in " +
           FormatElapsed(Report.ElapsedSeconds);
  else if (Outcome.FramesWritten > 0)
    text = "Cancelled: the first " + FormatDuration(Outcome.SecondsWritten) + " is kept in " + Report.OutputName;
  else
    text = "Cancelled before the first frame: nothing was written";
  // The seams in detail go to the status bar's tip; the line only counts them.
  if (!Outcome.SeamNotes.empty())
    text += "; the sound was mended at " + Plural(Outcome.SeamNotes.size(), "seam");
  return text;
}

std::string JoinFailureText(const std::string& Message)
{
  std::string text = "Join failed: ";
  for (const char c : Message)
    if (c != '\r')
      text += c == '\n' ? ' ' : c;
  return text;
}
