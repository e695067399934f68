#pragma once

#include "mpeg/OutputStream.h"
#include "platform/JoinOutcome.h"
#include "platform/ProgressSeam.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TMPEGTimeCorrection;

// Joins MPEG-1 files without recompression. System streams are walked unit by unit and copied
// byte for byte, with their clocks made one (or left as they are, or as the data of video
// stream 0xE0 alone); any other input is appended whole.
class TPressline {
public:
  std::vector<std::string> Files;
  std::string OutputFileName;
  bool VideoOnly = false;
  double FrameRate = 0; // frames per second, for inputs whose own sequence header does not tell
  bool CorrectTimeStamps = true;
  TJoinOutcome Outcome; // filled as the join goes

  // The whole join with its progress dialog; returns normally on success and on cancel.
  void Execute();

  // 1 for a system stream (pack start code), 2 for a video elementary stream (sequence header),
  // 0 for anything else. Raises "Cannot open file %s".
  static int DetectMPEGKind(const std::string& FileName);

private:
  void Join();
  void CalcTotalSize();
  // Reports the bytes processed so far, once they have grown by a step since the last report;
  // true when the user asked to stop.
  bool ReportProgress();
  void JoinSystemStream(size_t Index, TOutputStream& Output, TMPEGTimeCorrection* Correction);
  void CopyWholeFile(size_t Index, TOutputStream& Output);
  void CheckOutputIsNoInput() const;
  void AddPictures(int64_t Pictures, int64_t FrameTicks);
  // An input that holds fewer bytes than when the join began has been cut while it waited.
  void CheckSize(size_t Index, int64_t Size) const;

  std::unique_ptr<TProgressDialog> FProgressDlg;
  int64_t FTotalSize = 1;
  std::vector<int64_t> FSizes; // of each input, when the join began
  int64_t FProcessed = 0;
  int64_t FNextReport = 0;
};
