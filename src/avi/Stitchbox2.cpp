#include "avi/Stitchbox2.h"

#include "platform/Exceptions.h"
#include "platform/FileIO.h"
#include "platform/AudioFrameHeader.h"
#include "platform/SeamText.h"

#include <algorithm>
#include <cmath>

namespace {

// Below this much input every chunk fits a single RIFF, so 'idx1' alone indexes it.
constexpr uint64_t OpenDMLThreshold = 900ull * 1048576;
// Seam work smaller than this is neither noticed nor worth a word.
constexpr double NoteThreshold = 0.005;
// PCM silence goes in chunks of at most this many samples.
constexpr uint32_t SilenceChunkSamples = 16384;

double StreamSeconds(const TAVIStreamHeader& Header, double Units)
{
  return Units * Header.dwScale / Header.dwRate;
}

// How many of the stream's entries, from the first, lie in the file: the copy ends at the first
// one that does not.
uint32_t EntriesInFile(const TAVIFileReader& Reader, const TAVIStream& Stream)
{
  TAVIIndexEntry entry;
  uint32_t count = 0;
  while (Stream.GetEntry(count, entry) && Reader.InFile(entry.Offset, entry.Size))
    ++count;
  return count;
}

// The reader of frame sizes for sound whose frames chunks stored by bytes may cut anywhere:
// MPEG audio (layers I to III) and AC-3; null for other sound.
using TFrameSizeReader = uint32_t (*)(const uint8_t* Header);
TFrameSizeReader FrameSizeReader(const std::vector<uint8_t>& Format)
{
  constexpr uint16_t WaveMpeg = 0x0050, WaveMp3 = 0x0055, WaveAC3 = 0x2000;
  const uint16_t tag = Format.size() >= 2 ? uint16_t(Format[0] | Format[1] << 8) : 0;
  if (tag == WaveMpeg || tag == WaveMp3)
    return [](const uint8_t* Header) { return ReadMPEGAudioFrame(Header).Size; };
  return tag == WaveAC3 ? ReadAC3FrameSize : nullptr;
}

// Bytes a frame header needs to tell the frame's size.
constexpr uint32_t FrameHeaderBytes = 5;

} // namespace

void TStitchbox::Execute()
{
  const TProgressScope progress(FProgressDlg, "The selected file is being joined. Please wait...");
  Join();
}

TAVIStream& TStitchbox::InputVideoStream(const std::string& File)
{
  if (Reader.VideoStream == nullptr)
    throw EAVIReadError(NamedMessage("The video stream is not found", File));
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

double TStitchbox::PictureSeconds(uint64_t Frames) const
{
  return StreamSeconds(FVideoHeader, double(Frames));
}

double TStitchbox::ChunkSeconds(uint32_t Size) const
{
  // Readers pass over empty chunks, even where a writer meant them to hold time.
  if (Size == 0)
    return 0;
  return StreamSeconds(FAudioHeader, FAudioHeader.dwSampleSize != 0 ? double(Size) / FAudioHeader.dwSampleSize : 1.0);
}

void TStitchbox::Join()
{
  FramesDone = 0;
  FFramesWritten = 0;
  Outcome = TJoinOutcome();
  FSilence.reset();
  FAudioFramed = false;
  if (Files.empty())
    return;
  CalcTotals();
  Writer.IndexMode = TotalSize < OpenDMLThreshold ? 1 : 3;
  try {
    CreateOutput();
    for (const std::string& file : Files) {
      if (FProgressDlg->IsCancelled()) {
        Outcome.Cancelled = true;
        break;
      }
      Reader.Open(file, false);
      try {
        AppendFile(file);
      } catch (const EReadSourceError& e) { // the input shrank while it was copied
        throw Exception(NamedMessage(e.what(), file));
      }
      Reader.Close();
      if (Outcome.Cancelled)
        break;
    }
  } catch (...) {
    FFramesWritten = Writer.ChunkCount(0); // without the chunks taken back
    CloseAfterFailure();
    Outcome.FramesWritten = int64_t(FFramesWritten);
    Outcome.SecondsWritten = PictureSeconds(FFramesWritten);
    throw;
  }
  Writer.Close();
  Outcome.FramesWritten = int64_t(FFramesWritten);
  Outcome.SecondsWritten = PictureSeconds(FFramesWritten);
}

void TStitchbox::CalcTotals()
{
  TotalFrames = 0;
  TotalSize = 0;
  FAudioSource.clear();
  for (const std::string& file : Files) {
    // With its index, so that an input without one fails before the output is touched.
    Reader.Open(file, false);
    const TAVIStream& video = InputVideoStream(file);
    if (&file == &Files.front()) {
      FVideoHeader = video.Header;
      FVideoFormat = video.Format;
    }
    // The first input with sound gives the output its sound stream, so that inputs before it
    // without sound do not leave the later ones' sound out.
    if (FAudioSource.empty() && Reader.AudioStream != nullptr && !VideoOnly) {
      FAudioSource = file;
      FAudioHeader = Reader.AudioStream->Header;
      FAudioFormat = Reader.AudioStream->Format;
      FAudioFramed = FAudioHeader.dwSampleSize != 0 && FrameSizeReader(FAudioFormat) != nullptr;
    }
    TotalFrames += video.Header.dwLength;
    TotalSize += Reader.FileSize();
    Reader.Close();
  }
}

void TStitchbox::CreateOutput()
{
  // Written into as it is, not deleted and made anew: the driver's temporary file carries the
  // permissions of the output it replaces.
  const bool existed = FileExists(OutputFileName);
  try {
    Writer.StartFile(OutputFileName);
  } catch (const EOSError&) {
    if (!existed)
      throw;
    throw Exception("Unable to overwrite the file " + OutputFileName +
                    ".\r\nPossible the file is blocked by other application.");
  }
  Writer.AddStream(0, FVideoHeader, uint32_t(FVideoFormat.size()), FVideoFormat.data());
  if (!FAudioSource.empty())
    Writer.AddStream(1, FAudioHeader, uint32_t(FAudioFormat.size()), FAudioFormat.data());
  // The sound of the first input with sound starts as its header says.
  FSoundEnd = FAudioSource.empty() ? 0 : StreamSeconds(FAudioHeader, FAudioHeader.dwStart);
}

TSilentAudio& TStitchbox::Silence()
{
  if (FSilence)
    return *FSilence;
  // Compressed silence must match the stream's own frames: the first one with data tells.
  std::vector<uint8_t> sample;
  if (!TSilentAudio::IsPcm(FAudioFormat)) {
    TAVIFileReader reader;
    reader.Open(FAudioSource, false);
    TAVIIndexEntry entry;
    for (uint32_t i = 0; reader.AudioStream->GetEntry(i, entry) && sample.empty(); ++i) {
      if (entry.Size == 0 || !reader.InFile(entry.Offset, entry.Size))
        continue;
      sample.resize(entry.Size);
      if (!reader.AudioStream->ReadChunk(i, sample.data()))
        sample.clear();
    }
  }
  FSilence.emplace(FAudioFormat, sample);
  FSilenceUsable = FSilence->Available();
  FNoSilenceReason = FSilence->Reason();
  // A frame must last, by the stream's header, what it plays, or the clock of the sound drifts.
  if (FSilenceUsable) {
    const double plays = double(FSilence->FrameSamples()) / FSilence->SampleRate();
    FSilenceUsable = std::fabs(ChunkSeconds(uint32_t(FSilence->Frame().size())) - plays) <= plays * 0.01;
    if (!FSilenceUsable)
      FNoSilenceReason = "its chunks do not hold one frame each";
  }
  return *FSilence;
}

double TStitchbox::AddSilence(double Seconds, TSeamWork& Work)
{
  if (Seconds <= 0)
    return 0;
  TSilentAudio& silence = Silence();
  if (!FSilenceUsable) {
    Work.Missing += Seconds;
    return 0;
  }
  const std::vector<uint8_t>& frame = silence.Frame();
  const double frameSeconds = ChunkSeconds(uint32_t(frame.size()));
  uint64_t frames = uint64_t(std::llround(Seconds / frameSeconds));
  const double added = double(frames) * frameSeconds;
  if (!silence.Divisible()) {
    for (; frames > 0; --frames)
      Writer.WriteChunk(1, frame.data(), true, uint32_t(frame.size()));
  } else {
    std::vector<uint8_t> chunk;
    while (frames > 0) {
      const uint32_t n = uint32_t(std::min<uint64_t>(frames, SilenceChunkSamples));
      chunk.clear();
      for (uint32_t i = 0; i < n; ++i)
        chunk.insert(chunk.end(), frame.begin(), frame.end());
      Writer.WriteChunk(1, chunk.data(), true, uint32_t(chunk.size()));
      frames -= n;
    }
  }
  FSoundEnd += added;
  return added;
}

bool TStitchbox::KeepChunk(uint32_t EntryIndex, uint32_t& Size, bool Divisible, TSeamWork& Work)
{
  const double left = Work.PictureEnd - FSoundEnd;
  const double seconds = ChunkSeconds(Size);
  if (Work.SoundEnded)
    return false;
  if (FAudioFramed && left < seconds) {
    Size = FramesToKeep(EntryIndex, Size, left);
    Work.SoundEnded = true;
    return Size > 0;
  }
  if (!Divisible) // whole chunks only: kept when most of it plays with the picture
    return left >= seconds / 2;
  if (left >= seconds)
    return true;
  const double samples = std::max(0.0, std::round(left * FAudioHeader.dwRate / FAudioHeader.dwScale));
  Size = uint32_t(std::min<double>(samples * FAudioHeader.dwSampleSize, Size));
  return Size > 0;
}

uint32_t TStitchbox::FramesToKeep(uint32_t EntryIndex, uint32_t Size, double Left)
{
  const TFrameSizeReader frameSize = FrameSizeReader(FAudioFormat);
  std::vector<uint8_t> data(Size);
  if (!Reader.AudioStream->ReadChunk(EntryIndex, data.data()))
    return 0;
  // The first frame: a header whose frame is followed by another, or by the chunk's end. Before
  // it lies the end of a frame begun in the chunks before.
  uint32_t pos = 0;
  for (; pos + FrameHeaderBytes <= Size; ++pos) {
    const uint32_t frame = frameSize(&data[pos]);
    if (frame != 0 && (pos + frame + FrameHeaderBytes > Size || frameSize(&data[pos + frame]) != 0))
      break;
  }
  if (pos + FrameHeaderBytes > Size)
    return Size; // all of it belongs to that frame
  // Whole frames, each kept when most of it plays with the picture.
  for (;;) {
    const uint32_t frame = pos + FrameHeaderBytes <= Size ? frameSize(&data[pos]) : 0;
    if (frame == 0 || pos + frame > Size || ChunkSeconds(pos + frame / 2) > Left)
      return pos;
    pos += frame;
  }
}

void TStitchbox::AppendFile(const std::string& File)
{
  const TAVIStream* video = &InputVideoStream(File);
  const TAVIStream* audio = FAudioSource.empty() ? nullptr : Reader.AudioStream;
  const bool sync = KeepSoundWithPicture && !FAudioSource.empty();
  const bool divisible = TSilentAudio::IsPcm(FAudioFormat) && FAudioHeader.dwSampleSize != 0;

  TSeamWork work;
  double ownStart = 0;
  double ownSound = 0;
  if (sync) {
    work.PictureStart = PictureSeconds(FFramesWritten);
    work.PictureEnd = PictureSeconds(FFramesWritten + EntriesInFile(Reader, *video));
    if (audio != nullptr) {
      ownStart = StreamSeconds(audio->Header, audio->Header.dwStart);
      TAVIIndexEntry entry;
      uint32_t chunks = 0;
      for (uint32_t i = 0, n = EntriesInFile(Reader, *audio); i < n && audio->GetEntry(i, entry); ++i) {
        ownSound += ChunkSeconds(entry.Size);
        chunks += entry.Size > 0 ? 1 : 0;
      }
      if (!divisible && chunks > 0)
        work.Step = ownSound / chunks;
    }
    // A late start keeps its delay; sound of the inputs before that ended early is made up.
    work.LeadAdded = AddSilence(std::min(work.PictureStart + ownStart, work.PictureEnd) - FSoundEnd, work);
  }

  // What of the input could be read: a file cut short is told of.
  const size_t firstFrame = FFramesWritten;
  double soundRead = 0;
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
      if (&stream == video) {
        Writer.CopyChunk(0, Reader.Handle, int64_t(entry.Offset), entry.KeyFrame, entry.Size);
        ++FFramesWritten;
      } else {
        // Empty chunks hold no time for some readers and a frame's time for others: with the
        // seams mended they would only blur the clock.
        uint32_t size = entry.Size;
        soundRead += ChunkSeconds(entry.Size);
        const bool keep = !sync || (size > 0 && KeepChunk(entryIndex, size, divisible, work));
        work.Cut += ChunkSeconds(entry.Size) - (keep ? ChunkSeconds(size) : 0);
        if (keep) {
          Writer.CopyChunk(1, Reader.Handle, int64_t(entry.Offset), entry.KeyFrame, size);
          FSoundEnd += ChunkSeconds(size);
        }
      }
    }
    if (&stream == video)
      ++FramesDone;
    // Whole percent; nothing to measure against when the headers declare no frames.
    FProgressDlg->SetProgress(TotalFrames == 0 ? 0.0 : double(FramesDone * 100 / TotalFrames));
    if (FProgressDlg->IsCancelled()) {
      Outcome.Cancelled = true;
      break;
    }
  }
  Writer.Flush(); // before the input is closed
  if (!Outcome.Cancelled)
    Outcome.InputSeconds.push_back(std::max(PictureSeconds(FFramesWritten - firstFrame), ownStart + soundRead));
  if (!sync)
    return;
  if (!Outcome.Cancelled) {
    work.TailAt = FSoundEnd;
    work.TailAdded = AddSilence(work.PictureEnd - FSoundEnd, work);
  }
  NoteSeam(File, work, ownStart, ownSound, audio != nullptr);
}

void TStitchbox::NoteSeam(const std::string& File, const TSeamWork& Work, double OwnStart, double OwnSound,
                          bool HasSound)
{
  const double picture = Work.PictureEnd - Work.PictureStart;
  std::vector<std::string> parts;
  if (!HasSound && Work.TailAdded + Work.LeadAdded >= NoteThreshold)
    parts.push_back("it has no sound; " + SecondsText(Work.TailAdded + Work.LeadAdded) + " of silence added at " +
                    ClockText(Work.PictureStart));
  if (HasSound && OwnStart >= NoteThreshold && Work.LeadAdded >= NoteThreshold)
    parts.push_back("the sound starts " + SecondsText(OwnStart) + " after the picture; " +
                    SecondsText(Work.LeadAdded) + " of silence added at " + ClockText(Work.PictureStart));
  const double shortfall = picture - (OwnStart + OwnSound);
  // Whole frames meet the picture's clock only within half a frame, one seam early, the next
  // late: that alone is no news, and would read "0.00 s longer; 0.03 s left out".
  const double noticed = std::max(NoteThreshold, Work.Step / 2);
  if (HasSound && shortfall >= noticed && Work.TailAdded >= NoteThreshold)
    parts.push_back("the sound is " + SecondsText(shortfall) + " shorter than the picture; " +
                    SecondsText(Work.TailAdded) + " of silence added at " + ClockText(Work.TailAt));
  if (HasSound && -shortfall >= noticed && Work.Cut >= NoteThreshold)
    parts.push_back("the sound is " + SecondsText(-shortfall) + " longer than the picture; " +
                    SecondsText(Work.Cut) + " of sound left out at " + ClockText(Work.PictureEnd));
  if (Work.Missing >= NoteThreshold && (!HasSound || shortfall >= NoteThreshold || OwnStart >= NoteThreshold))
    parts.push_back((HasSound ? "the sound is " + SecondsText(std::max(shortfall, OwnStart)) +
                                    " shorter than the picture"
                              : std::string("it has no sound")) +
                    "; no silence can be made in its sound's format (" + FNoSilenceReason +
                    "), so the sound after " + ClockText(Work.PictureEnd) + " is " +
                    SecondsText(Work.PictureEnd - FSoundEnd) + " early");
  if (!parts.empty())
    Outcome.SeamNotes.push_back(SeamNoteText(File, parts));
}
