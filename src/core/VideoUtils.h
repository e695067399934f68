#pragma once

#include <string>

// Container types recognised by the first 20 bytes of a file.
enum TFileTypeCode { ftUnknown, ftAVI, ftMPEG1Video, ftMPEG1System, ftMPEG2Program, ftASF, ftRealMedia };

// Raises the system error when the file cannot be opened.
TFileTypeCode DetectFileType(const std::string& FileName);
// "DirectShow", "AVI", "MPEG1", "MPEG2", "WMV" or "RealMedia".
std::string GetFileTypeName(const std::string& FileName);
