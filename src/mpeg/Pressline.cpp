#include "mpeg/Pressline.h"

#include "avi/MemBuf.h"
#include "mpeg/MPEG1SysRead.h"
#include "platform/Exceptions.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

constexpr uint8_t VideoStream0 = 0xE0;
constexpr uint8_t PrivateStream2 = 0xBF;
constexpr uint32_t CopyBlockSize = 4096;

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

} // namespace

void TPressline::Execute()
{
  FProgressDlg = CreateProgressDialog();
  FProgressDlg->SetCaption("Joining...");
  FProgressDlg->SetText("The selected file is being joined. Please wait...");
  FProgressDlg->Show();
  try {
    Join();
  } catch (...) {
    FProgressDlg.reset();
    throw;
  }
  FProgressDlg.reset();
}

void TPressline::Join()
{
  // A join that keeps the time stamps needs no frame rate, so a rate of 0 fails only this one.
  if (CorrectTimeStamps)
    FTimeCorrection.InitTimeCorrection(FrameRate);
  CalcTotalSize();
  FProcessed = 0;
  CheckOutputIsNoInput();
  TOutputStream output(OutputFileName);
  for (size_t i = 0; i < Files.size(); ++i) {
    if (FProgressDlg->IsCancelled())
      break;
    if (DetectMPEGKind(Files[i]) == 1)
      JoinSystemStream(i, output);
    else
      CopyWholeFile(i, output);
  }
  output.Close();
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
  // A truncated last unit may count more bytes than the file holds.
  FProgressDlg->SetProgress(double(std::min<int64_t>(FProcessed * 100 / FTotalSize, 100)));
  return FProgressDlg->IsCancelled();
}

int TPressline::DetectMPEGKind(const std::string& FileName)
{
  TFile file = OpenInput(FileName);
  uint8_t code[4];
  if (file.Read(code, 4) != 4 || code[0] != 0 || code[1] != 0 || code[2] != 1)
    return 0;
  return code[3] == 0xBA ? 1 : code[3] == 0xB3 ? 2 : 0;
}

void TPressline::JoinSystemStream(size_t Index, TOutputStream& Output)
{
  if (CorrectTimeStamps)
    FTimeCorrection.StartNextFile();
  TMPEG1SystemReader reader;
  reader.Open(Files[Index]);
  TMemoryBuf unit;
  // A unit that runs past the end of a truncated file is dropped: written short, it would
  // swallow the first units of the next input.
  const auto readUnit = [&] {
    unit.SetSize(std::max(unit.Size, reader.UnitSize()));
    return reader.ReadUnit(unit.Data);
  };
  const auto readPayload = [&] {
    unit.SetSize(std::max<uint32_t>(unit.Size, reader.Packet().PayloadSize));
    return reader.ReadPayload(unit.Data);
  };
  while (reader.Next()) {
    FProcessed += reader.UnitSize();
    if (ReportProgress())
      break;
    const TMPEGUnitKind kind = reader.UnitKind();
    const TMPEGPacketInfo& packet = reader.Packet();
    if (VideoOnly) {
      if (kind == ukPacket && packet.StreamID == VideoStream0 && readPayload())
        Output.Write(unit.Data, packet.PayloadSize);
    } else if (kind == ukSystemHeader && Index != 0) {
      // Only the first input's system headers describe the joined stream.
    } else if (!CorrectTimeStamps || kind == ukSystemHeader ||
               (kind == ukPacket && packet.StreamID == PrivateStream2)) {
      // Private stream 2 packets have no header to correct, so they pass whole.
      if (readUnit())
        Output.Write(unit.Data, reader.UnitSize());
    } else if (kind == ukPack) {
      FTimeCorrection.WriteCorrectedPack(reader.MuxRate(), Output, reader.SCR());
    } else if (readPayload()) {
      FTimeCorrection.WriteCorrectedPacket(packet, unit.Data, packet.PayloadSize, Output);
    }
  }
}

void TPressline::CopyWholeFile(size_t Index, TOutputStream& Output)
{
  TFile input = OpenInput(Files[Index]);
  uint8_t block[CopyBlockSize];
  for (;;) {
    const int32_t count = input.Read(block, CopyBlockSize);
    if (count < 0)
      RaiseLastOSError();
    Output.Write(block, uint32_t(count));
    FProcessed += count;
    if (ReportProgress() || uint32_t(count) < CopyBlockSize)
      break;
  }
}
