#pragma once

#include "avi/AVIRead.h"
#include "avi/AVIWrite.h"
#include "platform/JoinOutcome.h"
#include "platform/ProgressSeam.h"

#include <cstdint>
#include <memory>
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
  TAVIFileReader Reader;
  TAVIFileWriter Writer;
  uint64_t FramesDone = 0;
  uint64_t TotalFrames = 0;
  uint64_t TotalSize = 0;
  TJoinOutcome Outcome; // filled as the join goes

private:
  void Join();
  void CalcTotals();
  void CreateOutput();
  void AppendFile();
  // The reader's video stream; an input without one cannot be joined.
  TAVIStream& InputVideoStream();
  void CloseAfterFailure();

  std::unique_ptr<TProgressDialog> FProgressDlg;
};
