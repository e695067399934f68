#include "app/cli/CliJoinRoads.h"
#include "dshow/DSJoin.h"
#include "platform/Compressors.h"
#include "platform/Exceptions.h"
#include "platform/ProgressSeam.h"

#include <cstdlib>

namespace {

// Until the join driver takes over the command line, the rate it would offer first.
constexpr double DefaultFrameRate = 25;

// A display name of the category's list or an encoder's short name; empty: no compressor.
TCompressorFilterPtr FindCompressor(const std::string& Name, bool Audio)
{
  if (Name.empty())
    return nullptr;
  for (const TCompressorEntry& entry : ListCompressorCategory(Audio))
    if (entry.FriendlyName == Name || entry.Moniker->EncoderName == Name)
      return entry.Moniker->BindToObject();
  throw Exception(std::string(Audio ? "No audio compressor is named \"" : "No video compressor is named \"") + Name +
                  "\"");
}

double ParseFrameRate(const std::string& Text)
{
  char* end = nullptr;
  const double rate = std::strtod(Text.c_str(), &end);
  if (Text.empty() || *end != '\0')
    throw Exception("'" + Text + "' is not a valid floating point value");
  return rate;
}

TResizeMethod ParseResizeMethod(const std::string& Name)
{
  if (Name == "crop")
    return rmCrop;
  if (Name == "stretch")
    return rmStretch;
  if (Name == "none")
    return rmNoResize;
  return rmLetterbox;
}

} // namespace

void JoinWithRecompression(const TCliJoinOptions& options)
{
  TDSReelwelder joiner;
  joiner.Files = options.Files;
  joiner.OutputFileName = options.Output;
  joiner.FrameWidth = options.FrameWidth;
  joiner.FrameHeight = options.FrameHeight;
  joiner.FrameRate = options.FrameRate ? ParseFrameRate(*options.FrameRate) : DefaultFrameRate;
  joiner.ResizeMethod = ParseResizeMethod(options.Resize);
  joiner.VideoCompressor = FindCompressor(options.VideoCompressor, false);
  joiner.AudioCompressor = FindCompressor(options.AudioCompressor, true);

  const auto progressDlg = CreateProgressDialog();
  progressDlg->SetCaption("Joining...");
  progressDlg->SetText("The selected files are being joined. Please wait...");
  progressDlg->Show();
  joiner.OnProgress = [&](void*, double Progress, bool& Cancel) {
    progressDlg->SetProgress(Progress);
    Cancel = progressDlg->IsCancelled();
  };
  joiner.Execute();
}
