#pragma once

#include "platform/FFmpegPtr.h"

// Raises the failure an FFmpeg result code stands for: the operating system's error for an errno
// code (a full disk, a vanished file), "DirectShow Error: " with the code otherwise.
void CheckAVError(int Code);
