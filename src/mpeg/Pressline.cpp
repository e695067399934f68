#include "mpeg/Pressline.h"

#include "avi/AVIRead.h"
#include "avi/FileWriteBuf.h"
#include "mpeg/BigEndian.h"
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

// Where the first picture that starts in Data begins: a picture ends where the next picture, group
// or sequence header (or the sequence's end) begins. Size when none starts in it.
uint32_t PictureBoundary(const uint8_t* Data, uint32_t Size)
{
  for (uint32_t i = 0; i + 3 < Size; ++i)
    if (Data[i] == 0 && Data[i + 1] == 0 && Data[i + 2] == 1 &&
        (Data[i + 3] == 0x00 || Data[i + 3] == 0xB3 || Data[i + 3] == 0xB7 || Data[i + 3] == 0xB8))
      return i;
  return Size;
}

// Ends a video packet before Keep bytes of its data. Its time stamps belong to the picture that
// starts in the part left out, so they become stuffing, where the header has room for it.
uint32_t CutVideoPacket(uint8_t* Unit, const TMPEGPacketInfo& Packet, int64_t UnitPos, uint32_t Keep)
{
  const uint32_t payload = uint32_t(Packet.PayloadPos - UnitPos);
  const uint32_t stamps = Packet.HasDTS ? 10 : 5;
  // MPEG-1 headers only: stuffing, STD buffer, time stamps; at most 16 bytes of stuffing.
  if (Packet.HasPTS && (Unit[6] & 0xC0) != 0x80) {
    const uint32_t stamp = uint32_t(Packet.PTSPos - UnitPos);
    const uint32_t std = Packet.HasSTDBuffer ? 2 : 0;
    if (stamp + stamps == payload && stamp - std - 6 + stamps - 1 <= 16) {
      uint8_t stdField[2] = {};
      if (std > 0)
        std::copy(Unit + stamp - 2, Unit + stamp, stdField);
      uint8_t* field = Unit + 6;
      std::fill(field, Unit + payload - 1 - std, 0xFF);
      std::copy(stdField, stdField + std, Unit + payload - 1 - std);
      Unit[payload - 1] = 0x0F; // no time stamps
    }
  }
  const uint32_t size = payload + Keep;
  PutBE16(Unit + 4, uint16_t(size - 6)); // packet_length
  return size;
}

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
    try {
      if (DetectMPEGKind(Files[i]) == 1) {
        JoinSystemStream(i, output, correction.get());
      } else {
        CopyWholeFile(i, output);
        Outcome.InputSeconds.push_back(-1); // copied as it is, whatever its length
      }
    } catch (const EReadSourceError& e) { // the input shrank, or could not be read, while joined
      throw Exception(NamedMessage(e.what(), Files[i]));
    }
  }
  output.Close();
  if (!Outcome.Cancelled) // reports come a step apart: the last bytes went unreported
    FProgressDlg->SetProgress(100);
}

void TPressline::CalcTotalSize()
{
  FTotalSize = 0;
  FSizes.assign(Files.size(), 0);
  for (size_t i = 0; i < Files.size(); ++i) {
    try {
      FSizes[i] = std::max<int64_t>(TFile::OpenRead(Files[i], TShareMode::DenyNone).Size(), 0);
      FTotalSize += FSizes[i];
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

void TPressline::CheckSize(size_t Index, int64_t Size) const
{
  if (Size < FSizes[Index])
    throw EReadSourceError();
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
  CheckSize(Index, reader.FileSize());
  std::optional<int64_t> lastPicture; // the latest video time stamp written
  TClockUnwrap unwrap = timing.Start ? TClockUnwrap(*timing.Start) : TClockUnwrap();
  int64_t stampedPictures = 0, soundPackets = 0;
  bool complete = true;
  // Once cancelled, only the rest of the picture under way is written, so that the output ends
  // with a whole one.
  bool finishing = false, videoWritten = false;
  const double secondsBefore = Outcome.SecondsWritten;
  while (reader.Next()) {
    FProcessed += reader.UnitSize();
    if (!finishing && ReportProgress()) {
      complete = false;
      finishing = true;
    }
    const TMPEGUnitKind kind = reader.UnitKind();
    const TMPEGPacketInfo& packet = reader.Packet();
    const bool video = kind == ukPacket && packet.StreamID == VideoStream0;
    if (finishing && !videoWritten)
      break;
    if ((VideoOnly && !video) || (!VideoOnly && kind == ukSystemHeader && Index != 0) || (finishing && !video))
      continue; // only the first input's system headers describe the joined stream
    // A unit that runs past the end of a truncated file is dropped: written short, it would
    // swallow the first units of the next input.
    uint8_t* unit = reader.UnitData();
    if (unit == nullptr)
      break;
    uint32_t size = reader.UnitSize();
    uint32_t payloadSize = packet.PayloadSize;
    if (finishing) {
      payloadSize = PictureBoundary(unit + (packet.PayloadPos - reader.UnitPos()), packet.PayloadSize);
      if (payloadSize == 0)
        break;
    }
    if (Correction != nullptr && (size = Correction->CorrectUnit(kind, reader.SCR(), packet, unit, reader.UnitPos(),
                                                                size)) == 0)
      continue;
    if (payloadSize < packet.PayloadSize && !VideoOnly)
      size = CutVideoPacket(unit, packet, reader.UnitPos(), payloadSize);
    if (VideoOnly)
      run.Add(unit + (packet.PayloadPos - reader.UnitPos()), payloadSize);
    else
      run.Add(unit, size);
    if (payloadSize < packet.PayloadSize)
      break;
    videoWritten = videoWritten || video;
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
  // What of the input could be read, where its pictures tell their times: a file cut short is
  // told of.
  if (complete)
    Outcome.InputSeconds.push_back(ticks > 0 && timing.Start ? Outcome.SecondsWritten - secondsBefore : -1);

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
  CheckSize(Index, size);
  const auto block = std::make_unique_for_overwrite<uint8_t[]>(CopyBlockSize);
  int64_t copied = 0;
  for (;;) {
    const int64_t count = input.Read(block.get(), CopyBlockSize);
    if (count < 0)
      RaiseLastOSError(Files[Index]);
    Output.Write(block.get(), uint32_t(count));
    FProcessed += count;
    copied += count;
    if (ReportProgress())
      break;
    if (uint32_t(count) < CopyBlockSize) {
      if (copied < size)
        throw EReadSourceError();
      break;
    }
  }
  if (DetectMPEGKind(Files[Index]) != 2 || size <= 0)
    return;
  // An elementary stream's pictures, in the share of it copied.
  const TMPEGTiming timing = ScanElementaryStreamTiming(Files[Index]);
  if (timing.FrameTicks > 0 && timing.Start && timing.End)
    AddPictures((*timing.End - *timing.Start) / timing.FrameTicks * copied / size, timing.FrameTicks);
}
