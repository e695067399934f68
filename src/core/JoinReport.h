#pragma once

#include "platform/JoinOutcome.h"

#include <cstdint>
#include <string>

// One line that tells the user what a join did, for the main window's status bar:
// "Joined 4 files into holiday.avi (812 MB, 00:21:14) in 38 s" or
// "Cancelled: the first 01:26 is kept in holiday.avi", with the seams whose sound was mended.
struct TJoinReport {
  int FileCount = 0;
  std::string OutputName; // without its folder
  int64_t OutputBytes = 0;
  double ElapsedSeconds = 0;
};
std::string JoinReportText(const TJoinOutcome& Outcome, const TJoinReport& Report);
// The line for a join that failed: the message on one line.
std::string JoinFailureText(const std::string& Message);
