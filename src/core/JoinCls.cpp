#include "core/JoinCls.h"

#include "avi/Stitchbox2.h"
#include "dshow/DSJoin.h"
#include "mpeg/Pressline.h"
#include "platform/Exceptions.h"
#include "remux/RemuxCheck.h"
#include "remux/RemuxWeld.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

namespace {

// The dialog lists Letterbox, Crop, Stretch, No resize; the engine numbers them otherwise.
const TResizeMethod ResizeMethods[] = {rmLetterbox, rmCrop, rmStretch, rmNoResize};

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
  CheckOutputIsNoInput();
  if (FChoices.JoinWORecomp) {
    // Only the first file decides: the dialog offers the box only when every file allows it.
    if (FList.FirstTypeName == "AVI")
      JoinAVI();
    else if (FList.FirstTypeName == "MPEG1")
      JoinMPEG(FList.FirstFrameRate);
    else if (FList.FirstTypeName == "DirectShow" && IsRemuxContainer(FList.FirstContainer))
      JoinRemux();
    else
      // A file typed by FFmpeg alone is named by its container, which tells the user more.
      throw Exception("Unable to join " +
                      (FList.FirstContainer.empty() ? FList.FirstTypeName : FList.FirstContainer) +
                      " files without recompression");
    return;
  }
  FProgressDlg = CreateProgressDialog();
  FProgressDlg->SetCaption("Joining...");
  FProgressDlg->SetText("The selected files are being joined. Please wait...");
  FProgressDlg->Show();
  try {
    JoinWithRecompression();
  } catch (...) {
    FProgressDlg.reset();
    throw;
  }
  FProgressDlg.reset();
}

void TJoinWrapper::JoinAVI()
{
  TStitchbox stitchbox;
  FillFileList(stitchbox.Files);
  stitchbox.OutputFileName = FChoices.OutFileName;
  stitchbox.VideoOnly = FChoices.DropAudio;
  stitchbox.KeepSoundWithPicture = FChoices.KeepSoundWithPicture;
  stitchbox.Execute();
  FOutcome = stitchbox.Outcome;
}

void TJoinWrapper::JoinMPEG(double FrameRate)
{
  TPressline pressline;
  FillFileList(pressline.Files);
  pressline.OutputFileName = FChoices.OutFileName;
  pressline.FrameRate = FrameRate;
  pressline.VideoOnly = FChoices.DropAudio;
  pressline.CorrectTimeStamps = FChoices.CorrectTimeStamps;
  pressline.Execute();
  FOutcome = pressline.Outcome;
}

void TJoinWrapper::JoinRemux()
{
  TRemuxWelder welder;
  FillFileList(welder.Files);
  welder.OutputFileName = FChoices.OutFileName;
  welder.VideoOnly = FChoices.DropAudio;
  welder.Execute();
  FOutcome = welder.Outcome;
}

void TJoinWrapper::JoinWithRecompression()
{
  TDSReelwelder reelwelder;
  FillFileList(reelwelder.Files);
  reelwelder.OutputFileName = FChoices.OutFileName;
  reelwelder.FrameWidth = FChoices.FrameWidth;
  reelwelder.FrameHeight = FChoices.FrameHeight;
  reelwelder.FrameRate = FrameRateFromText(FChoices.FrameRateText, FChoices.DecimalSeparator);
  if (FChoices.ResizeIndex >= 0 && FChoices.ResizeIndex < int(std::size(ResizeMethods)))
    reelwelder.ResizeMethod = ResizeMethods[FChoices.ResizeIndex];
  reelwelder.OnProgress = [this](auto*, double Progress, bool& Cancel) { ProgressHandler(Progress, Cancel); };
  reelwelder.VideoCompressor = FChoices.VideoCompressor;
  reelwelder.AudioCompressor = FChoices.AudioCompressor;
  reelwelder.Execute();
  FOutcome = reelwelder.Outcome;
}

void TJoinWrapper::CheckOutputIsNoInput() const
{
  // Every engine replaces an existing output before it reads the inputs.
  for (const std::string& input : FList.FileNames) {
    std::error_code error;
    if (std::filesystem::equivalent(FChoices.OutFileName, input, error))
      throw Exception("The output file is one of the input files");
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
