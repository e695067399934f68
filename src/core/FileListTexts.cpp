#include "core/FileListTexts.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// Longer than any file lasts; keeps the arithmetic below in range whatever a file claims.
constexpr double LongestDuration = 1e12;

std::string TwoDigits(int64_t value)
{
  const std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

// Locale-independent, unlike printf: the desktop program runs under the user's locale.
std::string Fixed(double value, int decimals)
{
  char text[400];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return result.ec == std::errc() ? std::string(text, result.ptr) : std::string();
}

} // namespace

std::string FormatDuration(double Seconds)
{
  if (!(Seconds > 0)) // NaN and negative lengths say nothing
    Seconds = 0;
  const auto s = int64_t(std::nearbyint(std::min(Seconds, LongestDuration)));
  const int64_t hours = s / 3600;
  const std::string minutesSeconds = TwoDigits(s / 60 % 60) + ":" + TwoDigits(s % 60);
  return hours != 0 ? TwoDigits(hours) + ":" + minutesSeconds : minutesSeconds;
}

std::string FourCCToString(uint32_t Code)
{
  if (Code == 0)
    return "";
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const char c = char(Code >> (8 * i));
    // A control byte would break the row it is shown in.
    text += c >= 0x20 && c < 0x7F ? c : '?';
  }
  return text;
}

std::string FileNameCellText(const std::string& FileName)
{
  const size_t slash = FileName.rfind('/');
  return slash == std::string::npos ? FileName : FileName.substr(slash + 1);
}

std::string TypeCellText(const TVideoFileInfo& Info)
{
  if (Info.TypeName == "AVI")
    return Info.TypeName + ":" + FourCCToString(Info.VideoFourCC);
  const TCopyFormat& format = Info.CopyFormat;
  if (format.Container.empty())
    return Info.TypeName;
  return format.Video ? format.Container + ":" + format.Video->CodecName : format.Container;
}

std::string FrameSizeCellText(const TVideoFileInfo& Info)
{
  return std::to_string(Info.Width) + "x" + std::to_string(Info.Height);
}

std::string FrameRateCellText(const TVideoFileInfo& Info, const std::string& DecimalSeparator)
{
  if (std::trunc(Info.FrameRate) == Info.FrameRate)
    return Fixed(Info.FrameRate, 0);
  std::string text = Fixed(Info.FrameRate, 2);
  const size_t point = text.find('.');
  if (point != std::string::npos)
    text.replace(point, 1, DecimalSeparator);
  return text;
}

std::string AudioCellText(const TVideoFileInfo& Info)
{
  if (!Info.HasAudio)
    return "none";
  return std::to_string(Info.SamplesPerSec / 1000) + "KHz" + (Info.Channels == 1 ? " Mono" : " Stereo");
}

std::string FolderCellText(const std::string& FileName)
{
  const size_t slash = FileName.rfind('/');
  if (slash == std::string::npos)
    return "";
  // The root keeps its slash.
  return FileName.substr(0, slash == 0 || FileName[slash - 1] == '/' ? slash + 1 : slash);
}
