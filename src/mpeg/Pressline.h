#pragma once

#include "mpeg/MPEGTimeCorrect.h"
#include "mpeg/OutputStream.h"
#include "platform/JoinOutcome.h"
#include "platform/ProgressSeam.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Joins MPEG-1 files without recompression. System streams are walked unit by unit and copied
// byte for byte (or with corrected time stamps, or as the data of video stream 0xE0 alone);
// any other input is appended whole.
class TPressline {
public:
  std::vector<std::string> Files;
  std::string OutputFileName;
  bool VideoOnly = false;
  double FrameRate = 0; // frames per second, for the gap at each seam
  bool CorrectTimeStamps = false;
  TJoinOutcome Outcome; // filled as the join goes

  // The whole join with its progress dialog; returns normally on success and on cancel.
  void Execute();

  // 1 for a system stream (pack start code), 2 for a video elementary stream (sequence header),
  // 0 for anything else. Raises "Cannot open file %s".
  static int DetectMPEGKind(const std::string& FileName);

private:
  void Join();
  void CalcTotalSize();
  // Reports the bytes processed so far; true when the user asked to stop.
  bool ReportProgress();
  void JoinSystemStream(size_t Index, TOutputStream& Output);
  void CopyWholeFile(size_t Index, TOutputStream& Output);
  void CheckOutputIsNoInput() const;

  std::unique_ptr<TProgressDialog> FProgressDlg;
  TMPEGTimeCorrection FTimeCorrection;
  int64_t FTotalSize = 1;
  int64_t FProcessed = 0;
};
