#include "core/JoinDecisions.h"

#include "core/FileListTexts.h"
#include "core/VideoUtils.h"
#include "remux/RemuxCheck.h"
#include "remux/RemuxStreams.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>

namespace {

std::string Lower(std::string s)
{
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

// Index of the last name that contains `part` in any letter case, or -1.
int LastContaining(const std::vector<std::string>& Names, const char* part)
{
  int found = -1;
  for (size_t i = 0; i < Names.size(); ++i)
    if (Lower(Names[i]).find(part) != std::string::npos)
      found = int(i);
  return found;
}

// A file without video (or whose rate the detector could not tell, or that shows as 0.00) has no
// rate to offer; a rate of 0 would otherwise sort first and become the output's rate.
bool IsFrameRate(double Rate)
{
  return std::isfinite(Rate) && Rate >= 0.005;
}

// Rounded down to a multiple of 8, but never below 8 pixels.
int MultipleOf8(int Size)
{
  return std::max(8, Size - Size % 8);
}

} // namespace

void MarkDifferences(const std::vector<TVideoFileInfo*>& List)
{
  if (List.empty())
    return;
  for (TVideoFileInfo* info : List) {
    info->VideoDiffers = !CompareVideoFormat(*info, *List.front());
    info->AudioDiffers = !CompareAudioFormat(*info, *List.front());
  }
}

TCopyRoad CopyRoadFor(const std::string& TypeName, const std::string& Container)
{
  if (TypeName == "AVI")
    return TCopyRoad::Avi;
  if (TypeName == "MPEG1")
    return TCopyRoad::Mpeg;
  return TypeName == "DirectShow" && IsRemuxContainer(Container) ? TCopyRoad::Remux : TCopyRoad::None;
}

bool TakesRemuxRoad(const TVideoFileInfo& Info)
{
  return CopyRoadFor(Info.TypeName, Info.CopyFormat.Container) == TCopyRoad::Remux;
}

namespace {

// The remux road compares what decoders need, not the list's marks: another frame rate is no
// obstacle, another profile or pixel format is.
void CheckRemuxList(const TJoinList& List, const std::string& OutputFileName, TJoinFacts& Facts)
{
  const TVideoFileInfo& first = *List.front();
  std::vector<TCopyInput> inputs;
  for (const TVideoFileInfo* info : List) {
    if (!TakesRemuxRoad(*info)) {
      Facts.CanJoinWORecomp = false;
      Facts.CopyNote = FileNameCellText(info->FileName) + ": " + TypeCellText(*info) + " file; the first file is " +
                       TypeCellText(first);
      return;
    }
    inputs.push_back({FileNameCellText(info->FileName), &info->CopyFormat});
  }
  // As the join will write it: in the container the output's name asks for, when it can.
  const std::string container = OutputContainerFor(OutputFileName, first.CopyFormat);
  const TCopyJoinCheck check = CheckCopyJoin(inputs, container);
  Facts.CanJoinWORecomp = check.Refusal.empty();
  // The list's marks compare what the detector reports, such as the bits per sample a decoder of
  // compressed sound happens to choose, which a copy does not depend on.
  Facts.DropAudio = Facts.NoAudio || !check.SoundDifference.empty();
  Facts.CopyNote = check.Refusal.empty() ? check.SoundDifference : check.Refusal;
  if (!Facts.CanJoinWORecomp)
    return;
  Facts.StreamNotes = MapFurtherStreams(inputs, container, !Facts.DropAudio).LeftOut;
  for (const TVideoFileInfo* info : List)
    Facts.HasChapters = Facts.HasChapters || info->CopyFormat.Chapters > 0;
}

} // namespace

TJoinFacts ComputeJoinFacts(const TJoinList& List, const std::string& OutputFileName)
{
  TJoinFacts facts;
  for (const TVideoFileInfo* info : List) {
    if ((info->TypeName != "AVI" && info->TypeName != "MPEG1") || info->VideoDiffers)
      facts.CanJoinWORecomp = false;
    if (!info->HasAudio || info->AudioDiffers)
      facts.DropAudio = true;
    if (info->HasAudio)
      facts.NoAudio = false;
  }
  if (!List.empty() && TakesRemuxRoad(*List.front()))
    CheckRemuxList(List, OutputFileName, facts);
  return facts;
}

bool DefaultJoinWORecomp(const TJoinFacts& Facts)
{
  return Facts.CanJoinWORecomp && (!Facts.DropAudio || Facts.NoAudio);
}

std::string FormatFrameRate(double Rate, char DecimalSeparator)
{
  char text[400]; // room for any double in fixed notation
  const auto end = std::to_chars(text, text + sizeof text, Rate, std::chars_format::fixed, 2).ptr;
  std::string result(text, end);
  std::replace(result.begin(), result.end(), '.', DecimalSeparator);
  return result;
}

int AddFrameRate(std::vector<std::string>& Items, double Rate, char DecimalSeparator)
{
  // The texts are digits and one separator, so letter case cannot tell two of them apart.
  const std::string text = FormatFrameRate(Rate, DecimalSeparator);
  const auto found = std::find(Items.begin(), Items.end(), text);
  if (found != Items.end())
    return int(found - Items.begin());
  Items.push_back(text);
  return int(Items.size()) - 1;
}

TFrameRateItems FrameRateItems(const TJoinList& List, char DecimalSeparator)
{
  std::vector<double> rates = {24.0, 25.0, 29.97};
  for (const TVideoFileInfo* info : List)
    if (IsFrameRate(info->FrameRate))
      rates.push_back(info->FrameRate);
  // By value, so that 100 comes after 29.97 and 9 before 24.
  std::stable_sort(rates.begin(), rates.end());
  TFrameRateItems result;
  for (const double rate : rates)
    AddFrameRate(result.Items, rate, DecimalSeparator);
  // The first file's rate keeps its pictures as they are; a file without one takes the first.
  if (!List.empty() && IsFrameRate(List.front()->FrameRate))
    result.Selected = AddFrameRate(result.Items, List.front()->FrameRate, DecimalSeparator);
  return result;
}

std::string CompleteOutputName(const std::string& Typed, const std::string& Folder, const std::string& Extension)
{
  std::filesystem::path name(Typed);
  if (!name.has_extension())
    name += Extension;
  if (name.is_relative() && !Folder.empty())
    name = std::filesystem::path(Folder) / name;
  return name.string();
}

TOptimalSettings ComputeOptimalSettings(const TJoinList& List)
{
  int smallestWidth = 100000;
  int smallestHeight = 100000;
  int spread = 0;
  double lowestRate = 1000.0;
  bool hasSize = false;
  bool hasRate = false;
  for (const TVideoFileInfo* info : List) {
    // A file without video has no size to fit; it would make the output 0 pixels wide.
    if (info->Width != 0 && info->Height != 0) {
      smallestWidth = std::min<int>(smallestWidth, info->Width);
      smallestHeight = std::min<int>(smallestHeight, info->Height);
      spread = std::max({spread, info->Width - smallestWidth, info->Height - smallestHeight});
      hasSize = true;
    }
    if (IsFrameRate(info->FrameRate)) {
      lowestRate = std::min(lowestRate, info->FrameRate);
      hasRate = true;
    }
  }
  TOptimalSettings settings;
  if (hasSize) {
    settings.FrameWidth = MultipleOf8(smallestWidth);
    settings.FrameHeight = MultipleOf8(smallestHeight);
  }
  if (hasRate)
    settings.FrameRate = lowestRate;
  settings.Crop = spread >= 8;
  return settings;
}

int ChooseVideoCompressor(const std::vector<std::string>& Names)
{
  const int divx = LastContaining(Names, "divx");
  return divx >= 0 ? divx : LastContaining(Names, "xvid");
}

int ChooseAudioCompressor(const std::vector<std::string>& Names)
{
  for (const char* part : {"mp3", "mpeg", "pcm"}) {
    const int found = LastContaining(Names, part);
    if (found >= 0)
      return found;
  }
  return -1;
}

std::string SoundLeftOutReason(const TJoinList& List)
{
  std::string silent;
  for (const TVideoFileInfo* info : List)
    if (!info->HasAudio)
      silent += (silent.empty() ? "" : ", ") + FileNameCellText(info->FileName);
  if (!silent.empty())
    return "audio formats differ; no sound in " + silent;
  for (const TVideoFileInfo* info : List)
    if (info->AudioDiffers)
      return "audio formats differ: " + FileNameCellText(info->FileName) + ": " +
             DifferenceText(TMarkedCell::Audio, *info, *List.front());
  return "audio formats differ";
}
