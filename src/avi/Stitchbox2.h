#pragma once

#include "avi/AVIRead.h"
#include "avi/AVIWrite.h"
#include "platform/JoinOutcome.h"
#include "platform/ProgressSeam.h"
#include "platform/SilentAudio.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Joins AVI files, in list order, into one new AVI file without recompression: the video
// chunks and, unless VideoOnly, the first audio stream's chunks of every input.
class TStitchbox {
public:
  // Returns normally after a complete join and after a cancel; failures are exceptions.
  void Execute();

  std::vector<std::string> Files;
  std::string OutputFileName;
  bool VideoOnly = false;
  // Each input's sound starts with its picture: short sound is followed by silence, sound that
  // runs past the picture is cut there. False: each input's sound follows the previous one's.
  bool KeepSoundWithPicture = true;
  TAVIFileReader Reader;
  TAVIFileWriter Writer;
  uint64_t FramesDone = 0;
  uint64_t TotalFrames = 0;
  uint64_t TotalSize = 0;
  TJoinOutcome Outcome; // filled as the join goes

private:
  // What one input's seam took: seconds of silence added before and after its sound, of its
  // sound left out, and of silence that could not be made.
  struct TSeamWork {
    double PictureStart = 0, PictureEnd = 0;
    double LeadAdded = 0, TailAdded = 0, Cut = 0, Missing = 0;
    double TailAt = 0;
    double Step = 0; // one chunk of the input's sound, where it is copied in whole chunks
    bool SoundEnded = false; // cut within a chunk: the rest of the input's sound is left out
  };

  void Join();
  void CalcTotals();
  void CreateOutput();
  void AppendFile(const std::string& File);
  // The reader's video stream; an input without one cannot be joined.
  TAVIStream& InputVideoStream(const std::string& File);
  void CloseAfterFailure();

  // The output's clock, in seconds, at the end of what was written so far.
  double PictureSeconds(uint64_t Frames) const;
  double ChunkSeconds(uint32_t Size) const;
  // Writes silence for Seconds at the output's sound, as near as whole frames allow; returns
  // the seconds written, and adds to Missing what could not be made.
  double AddSilence(double Seconds, TSeamWork& Work);
  TSilentAudio& Silence();
  // Whether the audio chunk of Size bytes is copied; PCM may be cut to fewer bytes, and MPEG
  // audio and AC-3 stored by bytes where a frame starts.
  bool KeepChunk(uint32_t EntryIndex, uint32_t& Size, bool Divisible, TSeamWork& Work);
  // The bytes of the audio chunk that end with a whole frame, with as much sound as plays
  // within Left seconds.
  uint32_t FramesToKeep(uint32_t EntryIndex, uint32_t Size, double Left);
  void NoteSeam(const std::string& File, const TSeamWork& Work, double OwnStart, double OwnSound, bool HasSound);

  std::unique_ptr<TProgressDialog> FProgressDlg;
  // The output's streams, from the first input and from the first input that has sound.
  TAVIStreamHeader FVideoHeader, FAudioHeader;
  std::vector<uint8_t> FVideoFormat, FAudioFormat;
  std::string FAudioSource; // empty: the output has no sound
  std::optional<TSilentAudio> FSilence; // made when first needed
  bool FSilenceUsable = false;
  bool FAudioFramed = false; // MPEG audio or AC-3 stored by bytes: cut only where a frame starts
  std::string FNoSilenceReason;
  uint64_t FFramesWritten = 0;
  double FSoundEnd = 0; // where the sound written so far ends, on the output's clock
};
