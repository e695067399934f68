#pragma once

#include "core/VideoUtils.h"

#include <cstdint>
#include <string>

// The texts of one row of the file list, shared by the main window and `reelweld-cli probe`.

// "mm:ss", or "h:mm:ss" from one hour on; whole seconds, halves to even.
std::string FormatDuration(double Seconds);
// The four characters of the code, first in the lowest byte; "" for 0.
std::string FourCCToString(uint32_t Code);

std::string FileNameCellText(const std::string& FileName); // the name without its folder
std::string TypeCellText(const TVideoFileInfo& Info);      // "AVI:DIVX", "MPEG1", "MP4:H264", ...
std::string FrameSizeCellText(const TVideoFileInfo& Info); // "720x576"
// "25" for a whole rate, else two decimals: "29.97" (with the given decimal separator).
std::string FrameRateCellText(const TVideoFileInfo& Info, const std::string& DecimalSeparator = ".");
// "44KHz Stereo", "22KHz Mono" or "none"; after it the count of sound tracks when more than one, and
// of subtitles when any: "48KHz Stereo, 2 tracks, 1 subtitle".
std::string AudioCellText(const TVideoFileInfo& Info);
std::string FolderCellText(const std::string& FileName);

// The cells the list marks where an entry differs from the first file.
enum class TMarkedCell { Type, FrameSize, FrameRate, Audio };
// What differs there, in words: "MP2 sound; the first file has MP3", "320x240; the first file is
// 640x480"; empty where nothing does. The Audio cell names too, a line each, the further sound
// tracks and subtitles that a join without recompression would leave out for their difference:
// "clip2.mp4 has no French sound track".
std::string DifferenceText(TMarkedCell Cell, const TVideoFileInfo& Entry, const TVideoFileInfo& First);
