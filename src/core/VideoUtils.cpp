#include "core/VideoUtils.h"

#include "dshow/DSErrors.h"
#include "dshow/DSMediaStreams.h"
#include "mpeg/MPEGTiming.h"
#include "platform/FileIO.h"
#include "platform/MediaDet.h"

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
  return FileTypeName(DetectFileType(FileName));
}

std::string FileTypeName(TFileTypeCode Type)
{
  switch (Type) {
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

namespace {

// Fields that lie beyond the end of a short format block stay 0.
uint32_t ReadLE(const std::vector<uint8_t>& block, size_t offset, size_t size)
{
  if (offset + size > block.size())
    return 0;
  uint32_t value = 0;
  for (size_t i = size; i-- > 0;)
    value = value << 8 | block[offset + i];
  return value;
}

// FFmpeg only estimates the length of MPEG streams (from the bit rate, or from the last time
// stamps it finds); their picture's real length comes from the stream's own clocks. 0 when
// unknown or not an MPEG stream.
double MPEGPictureLength(TFileTypeCode Type, const std::string& FileName)
{
  switch (Type) {
  case ftMPEG1Video:
    return ScanElementaryStreamTiming(FileName).Length();
  case ftMPEG1System:
  case ftMPEG2Program:
    return ScanSystemStreamTiming(FileName).Length();
  default:
    return 0;
  }
}

} // namespace

std::unique_ptr<TVideoFileInfo> CreateVideoFileInfo(const std::string& FileName)
{
  auto info = std::make_unique<TVideoFileInfo>();
  ReadVideoFileInfo(*info, FileName);
  return info;
}

void ReadVideoFileInfo(TVideoFileInfo& Info, const std::string& FileName)
{
  Info.FileName = FileName;
  const TFileTypeCode fileType = DetectFileType(FileName);
  Info.TypeName = FileTypeName(fileType);
  Info.Duration = 0;
  Info.HasAudio = false;

  TMediaDet det;
  double pictureLength = -1; // not yet read
  ForEachMediaStream(det, FileName, [&](double Length) {
    TMediaType type;
    CheckDSError(det.get_StreamMediaType(type));
    if (type.MajorType == TMajorType::Video && pictureLength < 0) {
      pictureLength = MPEGPictureLength(fileType, FileName);
      if (pictureLength > 0)
        Length = pictureLength;
    }
    if (Length > Info.Duration)
      Info.Duration = Length;
    const std::vector<uint8_t>& format = type.Format;
    if (type.MajorType == TMajorType::Video) {
      CheckDSError(det.get_FrameRate(Info.FrameRate));
      // VIDEOINFOHEADER: its BITMAPINFOHEADER starts at byte 48.
      Info.Width = uint16_t(ReadLE(format, 52, 4));
      Info.Height = uint16_t(ReadLE(format, 56, 4));
      Info.VideoFourCC = Info.TypeName == "AVI" ? ReadLE(format, 64, 4) : 0;
    } else if (type.MajorType == TMajorType::Audio) {
      // WAVEFORMATEX
      Info.HasAudio = true;
      Info.Channels = uint8_t(ReadLE(format, 2, 1));
      Info.SamplesPerSec = ReadLE(format, 4, 4);
      Info.BitsPerSample = uint16_t(ReadLE(format, 14, 2));
      Info.FormatTag = uint16_t(ReadLE(format, 0, 2));
    }
  });
  if (Info.TypeName == "DirectShow")
    CheckDSError(det.get_CopyFormat(Info.CopyFormat));
}

bool CompareVideoFormat(TVideoFileInfo& A, const TVideoFileInfo& B)
{
  A.TypeDiffers = A.TypeName != B.TypeName || A.VideoFourCC != B.VideoFourCC ||
                  A.CopyFormat.Container != B.CopyFormat.Container ||
                  A.CopyFormat.Video.has_value() != B.CopyFormat.Video.has_value() ||
                  (A.CopyFormat.Video && A.CopyFormat.Video->CodecName != B.CopyFormat.Video->CodecName);
  A.FrameSizeDiffers = A.Width != B.Width || A.Height != B.Height;
  A.FrameRateDiffers = A.FrameRate != B.FrameRate;
  return !A.TypeDiffers && !A.FrameSizeDiffers && !A.FrameRateDiffers;
}

bool CompareAudioFormat(const TVideoFileInfo& A, const TVideoFileInfo& B)
{
  return A.HasAudio == B.HasAudio && A.Channels == B.Channels && A.SamplesPerSec == B.SamplesPerSec &&
         A.BitsPerSample == B.BitsPerSample && A.FormatTag == B.FormatTag;
}
