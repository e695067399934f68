#include "core/VideoUtils.h"

#include "platform/FileIO.h"

#include <cstdint>
#include <cstring>

TFileTypeCode DetectFileType(const std::string& FileName)
{
  uint8_t b[20];
  {
    TFile file = TFile::OpenRead(FileName, TShareMode::DenyWrite);
    if (file.Read(b, sizeof b) != int32_t(sizeof b))
      return ftUnknown;
  }
  switch (b[0]) {
  case 0x00:
    if (b[1] == 0x00 && b[2] == 0x01) {
      if (b[3] == 0xBA)
        return (b[4] & 0xC0) != 0 ? ftMPEG2Program : ftMPEG1System;
      if (b[3] == 0xB3)
        return ftMPEG1Video;
    }
    break;
  case 0x30: {
    static const uint8_t asfTail[] = {0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF};
    if (std::memcmp(b + 1, asfTail, sizeof asfTail) == 0)
      return ftASF;
    break;
  }
  case 'R':
    if (std::memcmp(b + 1, "IFF", 3) == 0 && std::memcmp(b + 8, "AVI", 3) == 0)
      return ftAVI;
    break;
  }
  if (std::memcmp(b + 1, "RMF", 3) == 0)
    return ftRealMedia;
  return ftUnknown;
}

std::string GetFileTypeName(const std::string& FileName)
{
  switch (DetectFileType(FileName)) {
  case ftAVI:
    return "AVI";
  case ftMPEG1Video:
  case ftMPEG1System:
    return "MPEG1";
  case ftMPEG2Program:
    return "MPEG2";
  case ftASF:
    return "WMV";
  case ftRealMedia:
    return "RealMedia";
  case ftUnknown:
    break;
  }
  return "DirectShow";
}
