#include "core/JoinCls.h"

#include "avi/Stitchbox2.h"
#include "core/FileListTexts.h"
#include "core/JoinDecisions.h"
#include "core/TempOutput.h"
#include "dshow/DSJoin.h"
#include "mpeg/Pressline.h"
#include "platform/Exceptions.h"
#include "platform/FileIO.h"
#include "platform/SeamText.h"
#include "remux/RemuxWeld.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <new>

namespace {

// Lengths described from a file's header and lengths read differ by a frame or a sound packet, and
// a stream may run on a little past the others.
constexpr double ShortInputSeconds = 0.5;
constexpr double ShortInputShare = 0.05;

// The dialog lists Letterbox, Crop, Stretch, No resize; the engine numbers them otherwise.
const TResizeMethod ResizeMethods[] = {rmLetterbox, rmCrop, rmStretch, rmNoResize};

// A failure in words: the standard library's own exceptions carry only their class name.
std::string Described(const std::exception& Error)
{
  if (dynamic_cast<const std::bad_alloc*>(&Error) != nullptr)
    return "Out of memory: the files need more memory than the system has";
  return Error.what();
}

// The output would be replaced by a join that reads it.
void CheckOutputIsNoInput(const std::vector<std::string>& Inputs, const std::string& Output)
{
  for (const std::string& input : Inputs) {
    std::error_code error;
    if (std::filesystem::equivalent(Output, input, error))
      throw Exception("The output file is one of the input files");
  }
}

} // namespace

double FrameRateFromText(const std::string& Text, char DecimalSeparator)
{
  // Blanks around the number are allowed; the locale's separator stands for the decimal point.
  const size_t first = Text.find_first_not_of(' ');
  const size_t last = Text.find_last_not_of(' ');
  std::string text = first == std::string::npos ? std::string() : Text.substr(first, last - first + 1);
  bool valid = DecimalSeparator == '.' || text.find('.') == std::string::npos;
  std::replace(text.begin(), text.end(), DecimalSeparator, '.');
  double rate = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
  valid = valid && !text.empty() && error == std::errc() && end == text.data() + text.size() && std::isfinite(rate);
  if (!valid)
    throw Exception("'" + Text + "' is not a valid floating point value");
  // No output can have this many frames per second.
  if (rate <= 0)
    throw Exception("'" + Text + "' is not a valid frame rate");
  return rate;
}

void TJoinWrapper::Execute()
{
  // Everything that can be refused is refused before the output is touched.
  CheckOutputIsNoInput(FList.FileNames, FChoices.OutFileName);
  // An input that cannot be read would fail the join half-way.
  for (const std::string& input : FList.FileNames)
    TFile::OpenRead(input, TShareMode::DenyNone);
  // A file typed by FFmpeg alone is named by its container, which tells the user more.
  if (FChoices.JoinWORecomp && CopyRoadFor(FList.FirstTypeName, FList.FirstContainer) == TCopyRoad::None)
    throw Exception("Unable to join " + (FList.FirstContainer.empty() ? FList.FirstTypeName : FList.FirstContainer) +
                    " files without recompression");
  const double frameRate =
      FChoices.JoinWORecomp ? 0 : FrameRateFromText(FChoices.FrameRateText, FChoices.DecimalSeparator);

  TTempOutput output(FChoices.OutFileName);
  FOutputName = output.TempName();
  // The engines know the output by its temporary name only; the report names its folder apart.
  auto retellWarnings = [&] {
    for (std::string& line : FOutcome.Warnings)
      line = output.Retell(line, true);
  };
  try {
    RunRoad(frameRate);
    retellWarnings();
    WarnOfShortInputs();
  } catch (const std::exception& e) {
    retellWarnings();
    WarnOfShortInputs();
    // The failure is the one to report. The output stays as it was; a part with frames is kept
    // beside it, unless the disk could not take it: then it cannot have been finished.
    std::string message = output.Retell(Described(e));
    const auto* system = dynamic_cast<const EOSError*>(&e);
    const bool toldFull = system != nullptr && (system->ErrorCode == ENOSPC || system->ErrorCode == EFBIG ||
                                                system->ErrorCode == EDQUOT);
    // Some writers report a full disk as another error.
    const bool diskFull = toldFull || output.DiskFull();
    if (diskFull && !toldFull)
      message += "; there is no space left on the disk";
    FOutcome.KeptPart = output.KeepPart(diskFull ? 0 : FOutcome.FramesWritten);
    if (!FOutcome.KeptPart.empty())
      message += "; what was joined before is kept as " + FOutcome.KeptPart;
    throw EJoinFailed(message, FOutcome);
  }
  output.Finish(!FOutcome.Cancelled, FOutcome.FramesWritten);
}

void TJoinWrapper::RunRoad(double FrameRate)
{
  if (FChoices.JoinWORecomp) {
    // Only the first file decides: the dialog offers the box only when every file allows it.
    switch (CopyRoadFor(FList.FirstTypeName, FList.FirstContainer)) {
    case TCopyRoad::Avi:
      JoinAVI();
      break;
    case TCopyRoad::Mpeg:
      JoinMPEG(FList.FirstFrameRate);
      break;
    case TCopyRoad::Remux:
    case TCopyRoad::None: // refused in Execute
      JoinRemux();
      break;
    }
    return;
  }
  const TProgressScope progress(FProgressDlg, "The selected files are being joined. Please wait...");
  JoinWithRecompression(FrameRate);
}

// The engine's outcome is taken also when it fails: a failure after the first frame keeps what
// was written.
template <typename TEngine> void TJoinWrapper::Run(TEngine& Engine)
{
  try {
    Engine.Execute();
  } catch (...) {
    FOutcome = Engine.Outcome;
    throw;
  }
  FOutcome = Engine.Outcome;
}

void TJoinWrapper::JoinAVI()
{
  TStitchbox stitchbox;
  FillFileList(stitchbox.Files);
  stitchbox.OutputFileName = FOutputName;
  stitchbox.VideoOnly = FChoices.DropAudio;
  stitchbox.KeepSoundWithPicture = FChoices.KeepSoundWithPicture;
  Run(stitchbox);
}

void TJoinWrapper::JoinMPEG(double FrameRate)
{
  TPressline pressline;
  FillFileList(pressline.Files);
  pressline.OutputFileName = FOutputName;
  pressline.FrameRate = FrameRate;
  pressline.VideoOnly = FChoices.DropAudio;
  pressline.CorrectTimeStamps = FChoices.CorrectTimeStamps;
  Run(pressline);
}

void TJoinWrapper::JoinRemux()
{
  TRemuxWelder welder;
  FillFileList(welder.Files);
  welder.OutputFileName = FOutputName;
  welder.VideoOnly = FChoices.DropAudio;
  welder.MarkFilesAsChapters = FChoices.MarkFilesAsChapters;
  Run(welder);
}

void TJoinWrapper::JoinWithRecompression(double FrameRate)
{
  TDSReelwelder reelwelder;
  FillFileList(reelwelder.Files);
  reelwelder.OutputFileName = FOutputName;
  reelwelder.FrameWidth = FChoices.FrameWidth;
  reelwelder.FrameHeight = FChoices.FrameHeight;
  reelwelder.FrameRate = FrameRate;
  if (FChoices.ResizeIndex >= 0 && FChoices.ResizeIndex < int(std::size(ResizeMethods)))
    reelwelder.ResizeMethod = ResizeMethods[FChoices.ResizeIndex];
  reelwelder.OnProgress = [this](auto*, double Progress, bool& Cancel) { ProgressHandler(Progress, Cancel); };
  reelwelder.VideoCompressor = FChoices.VideoCompressor;
  reelwelder.AudioCompressor = FChoices.AudioCompressor;
  Run(reelwelder);
}

void CheckJoinOutput(const std::vector<std::string>& Inputs, const std::string& Output)
{
  CheckOutputIsNoInput(Inputs, Output);
  // The folder is asked whether it takes a new file; the probe leaves nothing behind.
  const TTempOutput probe(Output);
}

void TJoinWrapper::WarnOfShortInputs()
{
  const size_t count = std::min(FOutcome.InputSeconds.size(), FList.Durations.size());
  for (size_t i = 0; i < count; ++i) {
    const double described = FList.Durations[i];
    const double read = FOutcome.InputSeconds[i];
    if (read >= 0 && described - read > std::max(ShortInputSeconds, described * ShortInputShare))
      FOutcome.Warnings.push_back(SeamNoteText(FList.FileNames[i], {"only " + ClockText(read) + " of its " +
                                                                        FormatDuration(described) +
                                                                        " could be read (the file is cut short)"}));
  }
}

void TJoinWrapper::FillFileList(std::vector<std::string>& Files) const
{
  Files.insert(Files.end(), FList.FileNames.begin(), FList.FileNames.end());
}

void TJoinWrapper::ProgressHandler(double Progress, bool& Cancel)
{
  FProgressDlg->SetProgress(Progress);
  Cancel = FProgressDlg->IsCancelled();
}

TJoinOutcome JoinFiles(const TJoinFileList& List, const TJoinChoices& Choices)
{
  TJoinWrapper wrapper(List, Choices);
  wrapper.Execute();
  return wrapper.Outcome();
}
