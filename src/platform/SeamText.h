#pragma once

#include <string>
#include <vector>

// The words of the seam notes every join road gives (see TJoinOutcome::SeamNotes).

// "00:10.00", or with hours "1:02:03.40": a place on the output's clock.
std::string ClockText(double Seconds);
// "0.50 s": a length.
std::string SecondsText(double Seconds);
// "clip3.avi: PART; PART": the note on one input, named without its folders.
std::string SeamNoteText(const std::string& File, const std::vector<std::string>& Parts);
