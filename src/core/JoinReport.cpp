#include "core/JoinReport.h"

#include "core/FileListTexts.h"
#include "core/VideoUtils.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>

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
  if (!Report.Failure.empty()) {
    text = "Join failed: ";
    for (const char c : Report.Failure)
      if (c != '\r')
        text += c == '\n' ? ' ' : c;
    return text;
  }
  if (!Outcome.Cancelled)
    text = "Joined " + Plural(size_t(Report.FileCount), "file") + " into " + Report.OutputName + " (" +
           FormatSize(Report.OutputBytes) + ", " + FormatDuration(Outcome.SecondsWritten) + ") in " +
           FormatElapsed(Report.ElapsedSeconds) + (Report.Road.empty() ? "" : ", " + Report.Road);
  else if (Outcome.FramesWritten > 0)
    text = "Cancelled: the first " + FormatDuration(Outcome.SecondsWritten) + " is kept in " + Report.OutputName;
  else
    text = "Cancelled before the first frame: nothing was written";
  // The seams in detail follow in the report; the line only counts them.
  if (!Outcome.SeamNotes.empty())
    text += "; the sound was mended at " + Plural(Outcome.SeamNotes.size(), "seam");
  return text;
}

std::vector<std::string> JoinReportLines(const TJoinOutcome& Outcome, const TJoinReport& Report)
{
  std::vector<std::string> lines = {JoinReportText(Outcome, Report)};
  if (!WrittenFile(Outcome, Report).empty())
    lines.push_back("Folder: " + Report.Folder);
  lines.insert(lines.end(), Outcome.SeamNotes.begin(), Outcome.SeamNotes.end());
  lines.insert(lines.end(), Outcome.Warnings.begin(), Outcome.Warnings.end());
  return lines;
}

std::string WrittenFile(const TJoinOutcome& Outcome, const TJoinReport& Report)
{
  const std::filesystem::path folder(Report.Folder);
  if (!Report.Failure.empty())
    return Outcome.KeptPart.empty() ? std::string() : (folder / Outcome.KeptPart).string();
  return !Outcome.Cancelled || Outcome.FramesWritten > 0 ? (folder / Report.OutputName).string() : std::string();
}

std::string JoinRoadText(const TJoinChoices& Choices)
{
  if (Choices.JoinWORecomp)
    return "without recompression";
  const auto name = [](const TCompressorFilterPtr& Compressor, const char* None) {
    return Compressor ? Compressor->EncoderName : std::string(None);
  };
  return "recompressed: " + name(Choices.VideoCompressor, "uncompressed") + " video" +
         (Choices.DropAudio ? std::string() : ", " + name(Choices.AudioCompressor, "uncompressed") + " sound");
}

TJoinEnd JoinAndReport(const TJoinList& List, const TJoinChoices& Choices)
{
  TJoinFileList files;
  for (const TVideoFileInfo* info : List) {
    files.FileNames.push_back(info->FileName);
    files.Durations.push_back(info->Duration);
  }
  files.FirstTypeName = List.front()->TypeName;
  files.FirstFrameRate = List.front()->FrameRate;
  files.FirstContainer = List.front()->CopyFormat.Container;
  TJoinEnd end;
  TJoinReport& report = end.Report;
  report.FileCount = int(List.size());
  report.Road = JoinRoadText(Choices);
  const auto started = std::chrono::steady_clock::now();
  TJoinWrapper wrapper(files, Choices);
  end.Outcome = wrapper.Outcome();
  try {
    wrapper.Execute();
    end.Outcome = wrapper.Outcome();
  } catch (const EJoinFailed& e) {
    report.Failure = e.what();
    end.Outcome = e.Outcome;
  } catch (const std::exception& e) {
    report.Failure = e.what();
    end.Outcome = wrapper.Outcome();
  }
  report.ElapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::error_code error;
  const std::filesystem::path output = std::filesystem::absolute(Choices.OutFileName, error);
  report.OutputName = output.filename().string();
  report.Folder = output.parent_path().string();
  const auto size = std::filesystem::file_size(output, error);
  report.OutputBytes = error ? 0 : int64_t(size);
  return end;
}
