#pragma once

#include "platform/FFmpegPtr.h"

#include <string>

// Raises the failure an FFmpeg result code stands for: the operating system's error for an errno
// code (a full disk, a vanished file), "DirectShow Error: " with the code otherwise; with a file
// name, ": " and the name follow, so that the user learns which input failed.
void CheckAVError(int Code, const std::string& FileName = {});
