#include "avi/Stitchbox2.h"

#include "platform/FileIO.h"

namespace {

// Below this much input every chunk fits a single RIFF, so 'idx1' alone indexes it.
constexpr uint64_t OpenDMLThreshold = 900ull * 1048576;

} // namespace

void TStitchbox::Execute()
{
  FProgressDlg = CreateProgressDialog();
  struct TDialogScope {
    std::unique_ptr<TProgressDialog>& Dialog;
    ~TDialogScope() { Dialog.reset(); }
  } scope{FProgressDlg};
  FProgressDlg->SetCaption("Joining...");
  FProgressDlg->SetText("The selected file is being joined. Please wait...");
  FProgressDlg->Show();
  Join();
}

TAVIStream& TStitchbox::InputVideoStream()
{
  if (Reader.VideoStream == nullptr)
    throw EAVIReadError("The video stream is not found");
  return *Reader.VideoStream;
}

void TStitchbox::CloseAfterFailure()
{
  // The failure on its way out is the one to report; the output keeps what was copied.
  try {
    Writer.Close();
  } catch (const std::exception&) {
  }
}

void TStitchbox::Join()
{
  FramesDone = 0;
  if (Files.empty())
    return;
  CalcTotals();
  Writer.IndexMode = TotalSize < OpenDMLThreshold ? 1 : 3;
  Reader.Open(Files.front(), true);
  try {
    CreateOutput();
    Reader.Close();
    for (const std::string& file : Files) {
      if (FProgressDlg->IsCancelled())
        break;
      Reader.Open(file, false);
      AppendFile();
      Reader.Close();
    }
  } catch (...) {
    CloseAfterFailure();
    throw;
  }
  Writer.Close();
}

void TStitchbox::CalcTotals()
{
  TotalFrames = 0;
  TotalSize = 0;
  for (const std::string& file : Files) {
    Reader.Open(file, true);
    TotalFrames += InputVideoStream().Header.dwLength;
    TotalSize += Reader.FileSize();
    Reader.Close();
  }
}

void TStitchbox::CreateOutput()
{
  if (FileExists(OutputFileName)) {
    DeleteFile(OutputFileName);
    if (FileExists(OutputFileName))
      throw Exception("Unable to overwrite the file " + OutputFileName +
                      ".\r\nPossible the file is blocked by other application.");
  }
  Writer.StartFile(OutputFileName);
  const TAVIStream& video = InputVideoStream();
  Writer.AddStream(0, video.Header, uint32_t(video.Format.size()), video.Format.data());
  if (Reader.AudioStream != nullptr && !VideoOnly)
    Writer.AddStream(1, Reader.AudioStream->Header, uint32_t(Reader.AudioStream->Format.size()),
                     Reader.AudioStream->Format.data());
}

void TStitchbox::AppendFile()
{
  const TAVIStream* video = &InputVideoStream();
  const TAVIStream* audio = VideoOnly ? nullptr : Reader.AudioStream;
  Reader.ResetCursors();
  for (;;) {
    int streamIndex;
    uint32_t entryIndex = 0;
    Reader.NextChunk(streamIndex, entryIndex);
    if (streamIndex < 0)
      break;
    TAVIStream& stream = Reader.Streams(streamIndex);
    if (&stream == video || &stream == audio) {
      TAVIIndexEntry entry;
      if (!stream.GetEntry(entryIndex, entry))
        break;
      // A chunk that the file does not hold in full ends the input, as a short read would.
      if (!Reader.InFile(entry.Offset, entry.Size))
        break;
      // The data goes from file to file without a scratch copy.
      Writer.CopyChunk(&stream == video ? 0 : 1, Reader.Handle, int64_t(entry.Offset), entry.KeyFrame, entry.Size);
    }
    if (&stream == video)
      ++FramesDone;
    // Whole percent; nothing to measure against when the headers declare no frames.
    FProgressDlg->SetProgress(TotalFrames == 0 ? 0.0 : double(FramesDone * 100 / TotalFrames));
    if (FProgressDlg->IsCancelled())
      break;
  }
  Writer.Flush(); // before the input is closed
}
