#include "core/FileListTexts.h"

#include "remux/RemuxCheck.h"
#include "remux/RemuxStreams.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

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
  int tracks = Info.HasAudio ? 1 : 0;
  int subtitles = 0;
  for (const TFurtherStream& stream : Info.CopyFormat.Further) {
    tracks += Info.HasAudio && stream.Kind == TFurtherStream::Sound ? 1 : 0;
    subtitles += stream.Kind == TFurtherStream::Subtitles ? 1 : 0;
  }
  // The first sound's facts; then the number of sound tracks where there are several, and of
  // subtitles where there are any.
  std::string text =
      Info.HasAudio ? std::to_string(Info.SamplesPerSec / 1000) + "KHz" + (Info.Channels == 1 ? " Mono" : " Stereo")
                    : "none";
  if (tracks > 1)
    text += ", " + std::to_string(tracks) + " tracks";
  if (subtitles > 0)
    text += ", " + std::to_string(subtitles) + (subtitles == 1 ? " subtitle" : " subtitles");
  return text;
}

std::string FolderCellText(const std::string& FileName)
{
  const size_t slash = FileName.rfind('/');
  if (slash == std::string::npos)
    return "";
  // The root keeps its slash.
  return FileName.substr(0, slash == 0 || FileName[slash - 1] == '/' ? slash + 1 : slash);
}

namespace {

// FFmpeg's name where it described the sound, else the name of its WAVE format tag.
std::string SoundCodecName(const TVideoFileInfo& Info)
{
  if (Info.CopyFormat.Audio)
    return Info.CopyFormat.Audio->CodecName;
  switch (Info.FormatTag) {
  case 0x0001:
    return "PCM";
  case 0x0050:
    return "MP2";
  case 0x0055:
    return "MP3";
  case 0x00FF:
  case 0x1610:
    return "AAC";
  case 0x2000:
    return "AC-3";
  default:
    char text[24];
    std::snprintf(text, sizeof text, "format 0x%04X", unsigned(Info.FormatTag));
    return text;
  }
}

// The facts of the sound in which the two differ, in words, for each of the two.
std::pair<std::string, std::string> SoundDifference(const TVideoFileInfo& A, const TVideoFileInfo& B)
{
  std::string a, b;
  const auto add = [&](const std::string& Of, const std::string& OfB) {
    if (Of == OfB)
      return;
    a += (a.empty() ? "" : ", ") + Of;
    b += (b.empty() ? "" : ", ") + OfB;
  };
  add(SoundCodecName(A), SoundCodecName(B));
  add(std::to_string(A.SamplesPerSec) + " Hz", std::to_string(B.SamplesPerSec) + " Hz");
  const auto channels = [](int Count) {
    return Count == 1 ? std::string("mono") : Count == 2 ? std::string("stereo") : std::to_string(Count) + " channels";
  };
  add(channels(A.Channels), channels(B.Channels));
  add(std::to_string(A.BitsPerSample) + "-bit", std::to_string(B.BitsPerSample) + "-bit");
  if (a.empty())
    add("tag " + std::to_string(A.FormatTag), "tag " + std::to_string(B.FormatTag));
  return {a, b};
}

std::string FirstSoundDifference(const TVideoFileInfo& Entry, const TVideoFileInfo& First)
{
  if (!Entry.AudioDiffers)
    return {};
  if (!Entry.HasAudio || !First.HasAudio)
    return Entry.HasAudio ? SoundCodecName(Entry) + " sound; the first file has none"
                          : "no sound; the first file has " + SoundCodecName(First) + " sound";
  const auto [entry, first] = SoundDifference(Entry, First);
  return entry + " sound; the first file has " + first;
}

// The further sound tracks and subtitles that a join without recompression of the two files
// would leave out for their difference, in the first file's container; without the first sound,
// which such a join then leaves out, the further sound tracks go with it.
std::vector<std::string> UnsharedTracks(const TVideoFileInfo& Entry, const TVideoFileInfo& First)
{
  if (!IsRemuxContainer(First.CopyFormat.Container))
    return {};
  const std::vector<TCopyInput> pair = {{FileNameCellText(First.FileName), &First.CopyFormat},
                                        {FileNameCellText(Entry.FileName), &Entry.CopyFormat}};
  return MapFurtherStreams(pair, First.CopyFormat.Container, !Entry.AudioDiffers).Unshared[1];
}

} // namespace

std::string DifferenceText(TMarkedCell Cell, const TVideoFileInfo& Entry, const TVideoFileInfo& First)
{
  const auto said = [](bool Differs, const std::string& Own, const std::string& Link, const std::string& FirstOwn) {
    return Differs ? Own + "; the first file " + Link + FirstOwn : std::string();
  };
  switch (Cell) {
  case TMarkedCell::Type:
    return said(Entry.TypeDiffers, TypeCellText(Entry), "is ", TypeCellText(First));
  case TMarkedCell::FrameSize:
    return said(Entry.FrameSizeDiffers, FrameSizeCellText(Entry), "is ", FrameSizeCellText(First));
  case TMarkedCell::FrameRate:
    return said(Entry.FrameRateDiffers, FrameRateCellText(Entry) + " frames a second", "has ", FrameRateCellText(First));
  case TMarkedCell::Audio: {
    std::string text = FirstSoundDifference(Entry, First);
    for (const std::string& line : UnsharedTracks(Entry, First))
      text += (text.empty() ? "" : "\n") + line;
    return text;
  }
  }
  return {};
}
