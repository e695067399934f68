#pragma once

#include "core/VideoUtils.h"

#include <string>

// The description of a file as one JSON object for scripts (`reelweld-cli probe --json`): the
// facts of the file list's row with numbers as numbers.
std::string DescriptionToJson(const std::string& Name, const TVideoFileInfo& Info);
// {"file": NAME, "error": MESSAGE} for a file that could not be described.
std::string FailedDescriptionToJson(const std::string& Name, const std::string& Message);

// A JSON string: quotes, backslashes and control characters escaped; a byte that is not part of
// valid UTF-8 (file names on Linux are any bytes) becomes U+FFFD, so the output always parses.
std::string JsonString(const std::string& Text);
// The shortest text that reads back as the same double; null for NaN and infinities.
std::string JsonNumber(double Value);
