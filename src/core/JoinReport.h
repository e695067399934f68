#pragma once

#include "core/JoinCls.h"
#include "core/JoinDecisions.h"
#include "platform/JoinOutcome.h"

#include <cstdint>
#include <string>
#include <vector>

// What a join did, told to the user when it ends, the same words in the main window and by
// reelweld-cli. Its headline is the status bar's line: "Joined 4 files into holiday.avi (812 MB,
// 21:14) in 38 s, without recompression", "Cancelled: the first 01:26 is kept in holiday.avi"
// or "Join failed: ...", with the seams whose sound was mended counted.
struct TJoinReport {
  int FileCount = 0;
  std::string OutputName; // without its folder
  int64_t OutputBytes = 0;
  double ElapsedSeconds = 0;
  std::string Folder;  // where the output is
  std::string Road;    // JoinRoadText
  std::string Failure; // the message of a join that failed
};
std::string JoinReportText(const TJoinOutcome& Outcome, const TJoinReport& Report);
// The whole report, a line each: the headline, where the output is, every seam note and warning.
std::vector<std::string> JoinReportLines(const TJoinOutcome& Outcome, const TJoinReport& Report);
// The file the join left to play: the output, or the part a failed join kept; empty when none.
std::string WrittenFile(const TJoinOutcome& Outcome, const TJoinReport& Report);
// "without recompression", or the encoders: "recompressed: libx264 video, aac sound".
std::string JoinRoadText(const TJoinChoices& Choices);

// Joins the listed files with the dialog's choices and tells what the join did: a join that
// fails is reported too, with what it did before.
struct TJoinEnd {
  TJoinOutcome Outcome;
  TJoinReport Report;
};
TJoinEnd JoinAndReport(const TJoinList& List, const TJoinChoices& Choices);
