#pragma once

#include "avi/ByteOrder.h"

#include <cstdint>

// The fixed-size records of an AVI file that both the reader and the writer handle.

constexpr uint32_t ckRIFF = MakeFourCC("RIFF");
constexpr uint32_t ckLIST = MakeFourCC("LIST");
constexpr uint32_t ckJUNK = MakeFourCC("JUNK");
constexpr uint32_t formAVI = MakeFourCC("AVI ");
constexpr uint32_t formAVIX = MakeFourCC("AVIX");
constexpr uint32_t listHdrl = MakeFourCC("hdrl");
constexpr uint32_t listStrl = MakeFourCC("strl");
constexpr uint32_t listMovi = MakeFourCC("movi");
constexpr uint32_t listOdml = MakeFourCC("odml");
constexpr uint32_t ckAvih = MakeFourCC("avih");
constexpr uint32_t ckStrh = MakeFourCC("strh");
constexpr uint32_t ckStrf = MakeFourCC("strf");
constexpr uint32_t ckIndx = MakeFourCC("indx");
constexpr uint32_t ckIdx1 = MakeFourCC("idx1");
constexpr uint32_t ckDmlh = MakeFourCC("dmlh");
constexpr uint32_t streamVids = MakeFourCC("vids");
constexpr uint32_t streamIavs = MakeFourCC("iavs");
constexpr uint32_t streamAuds = MakeFourCC("auds");

constexpr uint32_t AVIIF_KEYFRAME = 0x10;
constexpr uint32_t AVIF_HASINDEX = 0x10;
constexpr uint8_t AVI_INDEX_OF_INDEXES = 0;
constexpr uint8_t AVI_INDEX_OF_CHUNKS = 1;

// Byte offsets inside a BITMAPINFOHEADER and a WAVEFORMATEX.
constexpr uint32_t bmiWidthOffset = 4;
constexpr uint32_t bmiHeightOffset = 8;
constexpr uint32_t bmiMinSize = 40;
constexpr uint32_t wfxBlockAlignOffset = 12;

// The 'avih' data.
struct TAVIMainHeader {
  static constexpr uint32_t ByteSize = 56;

  uint32_t dwMicroSecPerFrame = 0;
  uint32_t dwMaxBytesPerSec = 0;
  uint32_t dwPaddingGranularity = 0;
  uint32_t dwFlags = 0;
  uint32_t dwTotalFrames = 0;
  uint32_t dwInitialFrames = 0;
  uint32_t dwStreams = 0;
  uint32_t dwSuggestedBufferSize = 0;
  uint32_t dwWidth = 0;
  uint32_t dwHeight = 0;
  uint32_t dwReserved[4] = {};

  static TAVIMainHeader FromBytes(const uint8_t* p);
  void ToBytes(uint8_t* p) const;
};

// The 'strh' data.
struct TAVIStreamHeader {
  static constexpr uint32_t ByteSize = 56;

  uint32_t fccType = 0;
  uint32_t fccHandler = 0;
  uint32_t dwFlags = 0;
  uint16_t wPriority = 0;
  uint16_t wLanguage = 0;
  uint32_t dwInitialFrames = 0;
  uint32_t dwScale = 0;
  uint32_t dwRate = 0;
  uint32_t dwStart = 0;
  uint32_t dwLength = 0;
  uint32_t dwSuggestedBufferSize = 0;
  uint32_t dwQuality = 0;
  uint32_t dwSampleSize = 0;
  int16_t rcFrameLeft = 0;
  int16_t rcFrameTop = 0;
  int16_t rcFrameRight = 0;
  int16_t rcFrameBottom = 0;

  static TAVIStreamHeader FromBytes(const uint8_t* p);
  void ToBytes(uint8_t* p) const;
  bool IsVideo() const { return fccType == streamVids || fccType == streamIavs; }
};
