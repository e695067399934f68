#pragma once

#include "platform/StreamFacts.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Describes a file by its streams (count, length, kind, format block, frame rate) over FFmpeg.
// Every operation returns a result code: 0 for success, FFmpeg's negative error code otherwise.

enum class TMajorType { Unknown, Video, Audio };

struct TMediaType {
  TMajorType MajorType = TMajorType::Unknown;
  // For video a VIDEOINFOHEADER-shaped block (BITMAPINFOHEADER at byte 48), for audio a
  // WAVEFORMATEX-shaped one; little-endian, as on disk.
  std::vector<uint8_t> Format;
};

class TMediaDet {
public:
  TMediaDet();
  ~TMediaDet();
  TMediaDet(const TMediaDet&) = delete;
  TMediaDet& operator=(const TMediaDet&) = delete;

  int32_t put_Filename(const std::string& FileName);
  int32_t get_OutputStreams(int32_t& Count);
  int32_t put_CurrentStream(int32_t Index);
  int32_t get_StreamLength(double& Seconds);
  int32_t get_StreamMediaType(TMediaType& MediaType);
  int32_t get_StreamTypeB(TMajorType& MajorType);
  int32_t get_FrameRate(double& FramesPerSecond);
  // Beyond the detector: the container and the codec facts that decide a join without
  // recompression, for the whole file.
  int32_t get_CopyFormat(TCopyFormat& Format);

private:
  struct TState;
  std::unique_ptr<TState> FState;
};
