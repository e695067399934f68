#include "mpeg/Pressline.h"

#include "mpeg/MPEG1SysRead.h"
#include "mpeg/MPEGTimeCorrect.h"
#include "mpeg/MPEGTiming.h"
#include "platform/Exceptions.h"
#include "platform/FileIO.h"
#include "platform/SeamText.h"

#include <algorithm>
#include <cmath>
#include <sys/stat.h>

namespace {

constexpr uint32_t CopyBlockSize = 1 << 20;
// Reporting each unit of a few kilobytes cost more than walking it.
constexpr int64_t ProgressStep = 64 << 10;
constexpr double ClockRate = 90000;
constexpr double MinReportedCut = 0.1; // seconds

TFile OpenInput(const std::string& FileName)
{
  try {
    return TFile::OpenRead(FileName, TShareMode::DenyWrite);
  } catch (const EOSError&) {
    throw Exception("Cannot open file " + FileName);
  }
}

bool SameFile(const std::string& a, const std::string& b)
{
  struct stat infoA {
  }, infoB{};
  return ::stat(a.c_str(), &infoA) == 0 && ::stat(b.c_str(), &infoB) == 0 && infoA.st_dev == infoB.st_dev &&
         infoA.st_ino == infoB.st_ino;
}

// Gathers units that lie one after another in the reader's window, so that each run of kept
// units goes out with one write.
class TUnitRun {
public:
  explicit TUnitRun(TOutputStream& Output) : FOutput(Output) {}
  void Add(const uint8_t* Bytes, uint32_t Size)
  {
    if (FSize > 0 && FStart + FSize != Bytes)
      Flush();
    if (FSize == 0)
      FStart = Bytes;
    else
      FEnds.push_back(FSize);
    FSize += Size;
  }
  void Flush()
  {
    if (FSize > 0)
      FOutput.Write(FStart, FSize, FEnds);
    FSize = 0;
    FEnds.clear();
  }

private:
  TOutputStream& FOutput;
  const uint8_t* FStart = nullptr;
  uint32_t FSize = 0;
  std::vector<uint32_t> FEnds; // where the units before the last one end
};

} // namespace

void TPressline::Execute()
{
  const TProgressScope progress(FProgressDlg, "The selected file is being joined. Please wait...");
  Join();
}

void TPressline::Join()
{
  Outcome = TJoinOutcome{};
  CalcTotalSize();
  FProcessed = 0;
  FNextReport = 0;
  CheckOutputIsNoInput();
  // Inputs whose sequence header tells no rate fall back on this one; without either, an input's
  // picture is taken to end with its last time stamp.
  const int64_t frameTicks = FrameRate > 0 && FrameRate < ClockRate ? std::llround(ClockRate / FrameRate) : 0;
  std::unique_ptr<TMPEGTimeCorrection> correction;
  if (CorrectTimeStamps && !VideoOnly)
    correction = std::make_unique<TMPEGTimeCorrection>(frameTicks);
  TOutputStream output(OutputFileName);
  for (size_t i = 0; i < Files.size() && !Outcome.Cancelled; ++i) {
    if (FProgressDlg->IsCancelled()) {
      Outcome.Cancelled = true;
      break;
    }
    if (DetectMPEGKind(Files[i]) == 1)
      JoinSystemStream(i, output, correction.get());
    else
      CopyWholeFile(i, output);
  }
  output.Close();
  if (!Outcome.Cancelled) // reports come a step apart: the last bytes went unreported
    FProgressDlg->SetProgress(100);
}

void TPressline::CalcTotalSize()
{
  FTotalSize = 0;
  for (const auto& name : Files) {
    try {
      FTotalSize += std::max<int64_t>(TFile::OpenRead(name, TShareMode::DenyNone).Size(), 0);
    } catch (const EOSError&) {
      // Counted as empty; the join itself reports the file it cannot open.
    }
  }
  if (FTotalSize <= 0)
    FTotalSize = 1;
}

// Emptying an input to make the output would destroy the very data being joined.
void TPressline::CheckOutputIsNoInput() const
{
  for (const auto& name : Files)
    if (SameFile(name, OutputFileName))
      throw Exception("Cannot create file " + OutputFileName);
}

bool TPressline::ReportProgress()
{
  if (FProcessed < FNextReport)
    return false;
  FNextReport = FProcessed + ProgressStep;
  // A truncated last unit may count more bytes than the file holds.
  FProgressDlg->SetProgress(double(std::min<int64_t>(FProcessed * 100 / FTotalSize, 100)));
  Outcome.Cancelled = FProgressDlg->IsCancelled();
  return Outcome.Cancelled;
}

void TPressline::AddPictures(int64_t Pictures, int64_t FrameTicks)
{
  Outcome.FramesWritten += std::max<int64_t>(Pictures, 0);
  Outcome.SecondsWritten += double(std::max<int64_t>(Pictures, 0) * FrameTicks) / ClockRate;
}

int TPressline::DetectMPEGKind(const std::string& FileName)
{
  TFile file = OpenInput(FileName);
  uint8_t code[4];
  if (file.Read(code, 4) != 4 || code[0] != 0 || code[1] != 0 || code[2] != 1)
    return 0;
  return code[3] == 0xBA ? 1 : code[3] == 0xB3 ? 2 : 0;
}

void TPressline::JoinSystemStream(size_t Index, TOutputStream& Output, TMPEGTimeCorrection* Correction)
{
  const TMPEGTiming timing = ScanSystemStreamTiming(Files[Index]);
  if (Correction != nullptr)
    Correction->StartNextFile(timing);
  TUnitRun run(Output);
  TMPEG1SystemReader reader;
  reader.OnWindowMove = [&run] { run.Flush(); };
  reader.Open(Files[Index]);
  std::optional<int64_t> lastPicture; // the latest video time stamp written
  TClockUnwrap unwrap = timing.Start ? TClockUnwrap(*timing.Start) : TClockUnwrap();
  int64_t stampedPictures = 0, soundPackets = 0;
  bool complete = true;
  while (reader.Next()) {
    FProcessed += reader.UnitSize();
    if (ReportProgress()) {
      complete = false;
      break;
    }
    const TMPEGUnitKind kind = reader.UnitKind();
    const TMPEGPacketInfo& packet = reader.Packet();
    const bool video = kind == ukPacket && packet.StreamID == VideoStream0;
    if ((VideoOnly && !video) || (!VideoOnly && kind == ukSystemHeader && Index != 0))
      continue; // only the first input's system headers describe the joined stream
    // A unit that runs past the end of a truncated file is dropped: written short, it would
    // swallow the first units of the next input.
    uint8_t* unit = reader.UnitData();
    if (unit == nullptr)
      break;
    uint32_t size = reader.UnitSize();
    if (Correction != nullptr && (size = Correction->CorrectUnit(kind, reader.SCR(), packet, unit, reader.UnitPos(),
                                                                size)) == 0)
      continue;
    if (VideoOnly)
      run.Add(unit + (packet.PayloadPos - reader.UnitPos()), packet.PayloadSize);
    else
      run.Add(unit, size);
    if (video && packet.HasPTS) {
      lastPicture = std::max(lastPicture.value_or(unwrap(packet.PTS)), unwrap(packet.PTS));
      ++stampedPictures;
    } else if (kind == ukPacket && IsSoundStream(packet.StreamID)) {
      ++soundPackets;
    }
  }
  run.Flush();

  // Pictures are counted by their times; a join without picture counts its sound packets.
  const int64_t ticks = timing.FrameTicks;
  if (ticks > 0 && timing.Start && timing.End && complete)
    AddPictures((*timing.End - *timing.Start + ticks / 2) / ticks, ticks);
  else if (ticks > 0 && timing.Start && lastPicture)
    AddPictures((*lastPicture - *timing.Start) / ticks + 1, ticks);
  else
    Outcome.FramesWritten += stampedPictures > 0 ? stampedPictures : soundPackets;

  const double over = timing.SoundEnd && timing.End ? double(*timing.SoundEnd - *timing.End) / ClockRate : 0;
  // Sound that a coder pads its last frame with is no news to the user.
  if (Correction != nullptr && Correction->DroppedSoundPackets() > 0 && over >= MinReportedCut) {
    const double end = double(*Correction->InputEndInOutput() - Correction->OutputStart().value_or(0)) / ClockRate;
    Outcome.SeamNotes.push_back(SeamNoteText(Files[Index], {"the sound runs " + SecondsText(over) +
                                                            " past the picture; the sound after " + ClockText(end) +
                                                            " is left out"}));
  }
}

void TPressline::CopyWholeFile(size_t Index, TOutputStream& Output)
{
  TFile input = OpenInput(Files[Index]);
  const int64_t size = input.Size();
  const auto block = std::make_unique_for_overwrite<uint8_t[]>(CopyBlockSize);
  int64_t copied = 0;
  for (;;) {
    const int64_t count = input.Read(block.get(), CopyBlockSize);
    if (count < 0)
      RaiseLastOSError();
    Output.Write(block.get(), uint32_t(count));
    FProcessed += count;
    copied += count;
    if (ReportProgress() || uint32_t(count) < CopyBlockSize)
      break;
  }
  if (DetectMPEGKind(Files[Index]) != 2 || size <= 0)
    return;
  // An elementary stream's pictures, in the share of it copied.
  const TMPEGTiming timing = ScanElementaryStreamTiming(Files[Index]);
  if (timing.FrameTicks > 0 && timing.Start && timing.End)
    AddPictures((*timing.End - *timing.Start) / timing.FrameTicks * copied / size, timing.FrameTicks);
}
