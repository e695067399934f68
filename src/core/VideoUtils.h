#pragma once

#include "platform/StreamFacts.h"

#include <cstdint>
#include <memory>
#include <string>

// Container types recognised by the first 20 bytes of a file.
enum TFileTypeCode { ftUnknown, ftAVI, ftMPEG1Video, ftMPEG1System, ftMPEG2Program, ftASF, ftRealMedia };

// The description of one input file, made once when the file is added to the list.
struct TVideoFileInfo {
  std::string FileName;
  std::string TypeName;
  double FrameRate = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  bool HasAudio = false;
  uint8_t Channels = 0;
  uint32_t SamplesPerSec = 0;
  uint16_t BitsPerSample = 0;
  uint16_t FormatTag = 0;
  double Duration = 0;      // seconds, the longest stream
  uint32_t VideoFourCC = 0; // AVI files only
  // Files typed by FFmpeg alone (TypeName "DirectShow"): their container and the codec facts
  // that decide a join without recompression.
  TCopyFormat CopyFormat;
  bool VideoDiffers = false;
  bool TypeDiffers = false;
  bool FrameSizeDiffers = false;
  bool FrameRateDiffers = false;
  bool AudioDiffers = false;
};

// Raises the system error when the file cannot be opened.
TFileTypeCode DetectFileType(const std::string& FileName);
// "DirectShow", "AVI", "MPEG1", "MPEG2", "WMV" or "RealMedia".
std::string GetFileTypeName(const std::string& FileName);
std::string FileTypeName(TFileTypeCode Type);

// Raise the system error or "DirectShow Error: ..." when the file cannot be described.
std::unique_ptr<TVideoFileInfo> CreateVideoFileInfo(const std::string& FileName);
void ReadVideoFileInfo(TVideoFileInfo& Info, const std::string& FileName);

// True when A and B have the same video format; sets A's TypeDiffers (type, FourCC, or container
// and video codec), FrameSizeDiffers and FrameRateDiffers.
bool CompareVideoFormat(TVideoFileInfo& A, const TVideoFileInfo& B);
bool CompareAudioFormat(const TVideoFileInfo& A, const TVideoFileInfo& B);
