#pragma once

#include "platform/Compressors.h"
#include "platform/JoinOutcome.h"
#include "platform/ProgressSeam.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the driver takes from the file list.
struct TJoinFileList {
  std::vector<std::string> FileNames; // in join order
  std::string FirstTypeName;          // TypeName of the first file: it decides the road
  double FirstFrameRate = 0;
  std::string FirstContainer; // of a first file typed by FFmpeg alone: "MP4", "MKV", ...
  std::vector<double> Durations; // as described, in join order; an input read shorter is told of
};

// The join options dialog's choices after OK.
struct TJoinChoices {
  bool JoinWORecomp = false; // cbxJoinWORecomp ticked
  std::string OutFileName;   // as typed
  int FrameWidth = 320;
  int FrameHeight = 240;
  std::string FrameRateText;            // the text of the frame-rate item
  char DecimalSeparator = '.';          // the one FrameRateText was formatted with
  int ResizeIndex = 0;                  // Letterbox, Crop, Stretch, No resize; -1 for no selection
  TCompressorFilterPtr VideoCompressor; // none: uncompressed
  TCompressorFilterPtr AudioCompressor;
  bool DropAudio = false;         // join without sound
  bool CorrectTimeStamps = true; // MPEG-1 road: one clock across the seams; false for the plain join
  bool KeepSoundWithPicture = true; // AVI road: mend each seam's sound; false: plain join
  // Copies of today's containers: a chapter at each seam named after the file; none: only when
  // no input has chapters of its own.
  std::optional<bool> MarkFilesAsChapters;
};

// Turns the list and the choices into one run of one engine.
class TJoinWrapper {
public:
  TJoinWrapper(const TJoinFileList& List, const TJoinChoices& Choices) : FList(List), FChoices(Choices) {}

  // Returns normally when the join ends or is cancelled; failures are exceptions.
  void Execute();
  const TJoinOutcome& Outcome() const { return FOutcome; }

private:
  void RunRoad(double FrameRate);
  template <typename TEngine> void Run(TEngine& Engine);
  void JoinAVI();
  void JoinMPEG(double FrameRate);
  void JoinWithRecompression(double FrameRate);
  void JoinRemux();
  void FillFileList(std::vector<std::string>& Files) const;
  void WarnOfShortInputs();
  void ProgressHandler(double Progress, bool& Cancel);

  const TJoinFileList& FList;
  const TJoinChoices& FChoices;
  std::unique_ptr<TProgressDialog> FProgressDlg;
  std::string FOutputName; // where the engine writes: a temporary file beside the output
  TJoinOutcome FOutcome;
};

// Refuses an output that the join could not write, before anything is asked or touched: one of
// the inputs, not a regular file, in a folder that is missing or takes no new file.
void CheckJoinOutput(const std::vector<std::string>& Inputs, const std::string& Output);

TJoinOutcome JoinFiles(const TJoinFileList& List, const TJoinChoices& Choices);

// The frame-rate text as a number; raises "'%s' is not a valid floating point value".
double FrameRateFromText(const std::string& Text, char DecimalSeparator);
