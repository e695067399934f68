#include "app/cli/CliJoinOptions.h"
#include "app/cli/ConsoleProgress.h"
#include "core/DescribeFiles.h"
#include "core/FileListTexts.h"
#include "core/JoinCls.h"
#include "core/JoinDecisions.h"
#include "core/JoinReport.h"
#include "core/SaveProjectCls.h"
#include "dshow/DSEnum.h"
#include "platform/Compressors.h"
#include "platform/EncoderSettings.h"
#include "platform/Exceptions.h"
#include "platform/FileIO.h"
#include "platform/OutputContainer.h"

#include <iostream>
#include <map>
#include <memory>

namespace {

// A display name from `reelweld-cli encoders` or an encoder's short name.
TCompressorFilterPtr CompressorNamed(bool audio, const std::string& name)
{
  // The audio list's first entry, as `encoders --audio` prints it.
  if (audio && name == "No-compressing")
    return nullptr;
  const TCompressorMonikerPtr moniker = FindCompressor(audio, name);
  if (!moniker)
    throw Exception(std::string(audio ? "No audio compressor is named \"" : "No video compressor is named \"") + name +
                    "\"");
  return moniker->BindToObject();
}

// "Set optimal settings automatically" chooses among the whole list of one kind; none when it
// holds nothing suitable.
TCompressorFilterPtr OptimalCompressor(bool audio)
{
  std::vector<std::string> names;
  std::vector<TCompressorMonikerPtr> monikers;
  EnumCompressors(audio, &names, &monikers);
  const int index = audio ? ChooseAudioCompressor(names) : ChooseVideoCompressor(names);
  return index >= 0 ? monikers[index]->BindToObject() : nullptr;
}

// A command line that cannot be carried out whatever the files hold: exit status 2.
class EUsage : public Exception {
public:
  using Exception::Exception;
};

// --vopt/--aopt settings go to the chosen encoder, over its defaults; it refuses ones it does not
// know.
void ApplySettings(const TCompressorFilterPtr& compressor, const std::map<std::string, std::string>& settings,
                   const std::string& option)
{
  if (settings.empty())
    return;
  if (!compressor)
    throw EUsage(option + " needs a compressor, and --optimal found none");
  for (const auto& [name, value] : settings)
    compressor->Options.insert_or_assign(name, value);
}

void ApplyKnob(const TCompressorFilterPtr& compressor, TKnobKind kind, const std::optional<std::string>& value,
               const std::string& option)
{
  if (!value)
    return;
  if (!compressor)
    throw EUsage(option + " needs a video compressor");
  SetKnobValue(*compressor, kind, *value);
}

// An output name of another container than AVI gets that container's usual encoders, as the
// join dialog chooses them for such a name.
TCompressorFilterPtr ContainerDefault(bool audio, const std::string& output)
{
  const TCompressorMonikerPtr encoder = DefaultEncoderFor(audio, ContainerOfFile(output));
  return encoder ? encoder->BindToObject() : nullptr;
}

// The first file, in list order, that cannot be described stops the join.
std::vector<std::unique_ptr<TVideoFileInfo>> DescribeInputs(const TArgs& names)
{
  std::vector<std::unique_ptr<TVideoFileInfo>> infos;
  auto descriptions = DescribeFiles(names);
  for (size_t i = 0; i < names.size(); ++i) {
    if (!descriptions[i].Info)
      throw Exception("Unable to add file " + names[i] + ": " + descriptions[i].Error);
    infos.push_back(std::move(descriptions[i].Info));
  }
  return infos;
}

// The first file whose picture differs from the first file's, and how.
std::string FirstDiffering(const TJoinList& list)
{
  const auto picture = [](const TVideoFileInfo& info) {
    return TypeCellText(info) + " " + FrameSizeCellText(info) + " " + FrameRateCellText(info) + " fps";
  };
  for (const TVideoFileInfo* info : list)
    if (info->VideoDiffers || info->TypeName != list.front()->TypeName)
      return FileNameCellText(info->FileName) + " is " + picture(*info) + "; the first file is " +
             picture(*list.front());
  return {};
}

// What the join dialog would hold for these files after the user's options.
TJoinChoices ChooseAsTheDialog(const TCliJoinOptions& options, const TJoinList& list, const TJoinFacts& facts)
{
  TJoinChoices choices;
  choices.JoinWORecomp = options.Copy.value_or(DefaultJoinWORecomp(facts));
  // The dialog does not let the box be ticked then; a byte-for-byte join would be unplayable.
  // Files that no copy road takes get the driver's own reason instead.
  const std::string& type = list.front()->TypeName;
  if (choices.JoinWORecomp && !facts.CanJoinWORecomp && !facts.CopyNote.empty())
    throw Exception("Unable to join without recompression: " + facts.CopyNote);
  if (choices.JoinWORecomp && !facts.CanJoinWORecomp && (type == "AVI" || type == "MPEG1"))
    throw Exception("Unable to join files of different formats without recompression: " + FirstDiffering(list));
  choices.OutFileName = options.Output;
  choices.DropAudio = options.VideoOnly.value_or(facts.DropAudio);
  // Files of today's containers whose sound cannot follow on are told so rather than joined
  // silently without it, unless the picture alone was asked for.
  if (options.Copy.value_or(false) && !options.VideoOnly && facts.DropAudio && !facts.NoAudio &&
      !facts.CopyNote.empty())
    throw Exception("Unable to join the sound without recompression: " + facts.CopyNote +
                    " (--video-only joins the pictures alone)");
  choices.CorrectTimeStamps = options.CorrectTimeStamps;
  choices.KeepSoundWithPicture = !options.NoSync;
  choices.MarkFilesAsChapters = options.Chapters;
  const TFrameRateItems rates = FrameRateItems(list, '.');
  choices.FrameRateText = rates.Items[rates.Selected];

  if (options.Optimal) {
    const TOptimalSettings optimal = ComputeOptimalSettings(list);
    choices.FrameWidth = optimal.FrameWidth.value_or(choices.FrameWidth);
    choices.FrameHeight = optimal.FrameHeight.value_or(choices.FrameHeight);
    if (optimal.FrameRate)
      choices.FrameRateText = FormatFrameRate(*optimal.FrameRate, '.');
    choices.ResizeIndex = optimal.Crop ? 1 : 3;
    choices.VideoCompressor = OptimalCompressor(false);
    if (!choices.VideoCompressor)
      std::cerr << "Unable to find an optimum video compressor. We advice to install DivX.\n";
    choices.AudioCompressor = OptimalCompressor(true);
  }
  choices.FrameWidth = options.FrameWidth.value_or(choices.FrameWidth);
  choices.FrameHeight = options.FrameHeight.value_or(choices.FrameHeight);
  choices.FrameRateText = options.FrameRate.value_or(choices.FrameRateText);
  choices.ResizeIndex = options.ResizeIndex.value_or(choices.ResizeIndex);
  if (!options.Optimal && !choices.JoinWORecomp) {
    choices.VideoCompressor = ContainerDefault(false, options.Output);
    choices.AudioCompressor = ContainerDefault(true, options.Output);
  }
  if (!options.VideoCompressor.empty())
    choices.VideoCompressor = CompressorNamed(false, options.VideoCompressor);
  if (!options.AudioCompressor.empty())
    choices.AudioCompressor = CompressorNamed(true, options.AudioCompressor);
  ApplyKnob(choices.VideoCompressor, TKnobKind::Quality, options.Quality, "--quality");
  ApplyKnob(choices.VideoCompressor, TKnobKind::Preset, options.Preset, "--preset");
  ApplySettings(choices.VideoCompressor, options.VideoSettings, "--vopt");
  ApplySettings(choices.AudioCompressor, options.AudioSettings, "--aopt");
  return choices;
}

TJoinEnd Join(const TCliJoinOptions& options)
{
  TArgs names = options.Files;
  if (!options.Project.empty()) {
    TProjectSettings project;
    project.LoadFromFile(options.Project);
    names = project.Files();
    if (names.empty())
      throw Exception("The project holds no files");
  }
  const auto infos = DescribeInputs(names);
  std::vector<TVideoFileInfo*> entries;
  for (const auto& info : infos)
    entries.push_back(info.get());
  MarkDifferences(entries);
  const TJoinList list(entries.begin(), entries.end());
  const TJoinFacts facts = ComputeJoinFacts(list, options.Output);
  const TJoinChoices choices = ChooseAsTheDialog(options, list, facts);
  // The dialog's note: sound the user did not leave out is not lost without a word.
  if (choices.JoinWORecomp && choices.DropAudio && !options.VideoOnly && !facts.NoAudio)
    std::cerr << "The files are joined without sound (" << SoundLeftOutReason(list) << ")\n";
  // Interrupted before the join began: nothing is written, nothing replaced.
  if (CancelSignalled()) {
    TJoinEnd end;
    end.Outcome.Cancelled = true;
    return end;
  }
  return JoinAndReport(list, choices);
}

} // namespace

int RunJoin(const TArgs& args)
{
  std::string error;
  const auto options = ParseJoinOptions(args, error);
  if (!options)
    return UsageError(error);
  if (!options->Overwrite && FileExists(options->Output)) {
    std::cerr << "The \"" << options->Output << "\" file already exists\n";
    return ExitFailed;
  }
  TConsoleProgressScope progress;
  try {
    const TJoinEnd end = Join(*options);
    std::vector<std::string> lines = JoinReportLines(end.Outcome, end.Report);
    // A failure keeps its own words, and its status.
    if (!end.Report.Failure.empty())
      lines.front() = "Join fails: " + end.Report.Failure;
    for (const std::string& line : lines)
      std::cerr << line << '\n';
    if (!end.Report.Failure.empty())
      return ExitFailed;
  } catch (const EUsage& e) {
    return UsageError(e.what());
  } catch (const std::exception& e) {
    std::cerr << "Join fails: " << e.what() << '\n';
    return ExitFailed;
  }
  return CancelSignalled() ? ExitCancelled : ExitOK;
}
