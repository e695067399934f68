#include "avi/AVIFormat.h"

TAVIMainHeader TAVIMainHeader::FromBytes(const uint8_t* p)
{
  TAVIMainHeader h;
  h.dwMicroSecPerFrame = GetLE32(p + 0);
  h.dwMaxBytesPerSec = GetLE32(p + 4);
  h.dwPaddingGranularity = GetLE32(p + 8);
  h.dwFlags = GetLE32(p + 12);
  h.dwTotalFrames = GetLE32(p + 16);
  h.dwInitialFrames = GetLE32(p + 20);
  h.dwStreams = GetLE32(p + 24);
  h.dwSuggestedBufferSize = GetLE32(p + 28);
  h.dwWidth = GetLE32(p + 32);
  h.dwHeight = GetLE32(p + 36);
  for (int i = 0; i < 4; ++i)
    h.dwReserved[i] = GetLE32(p + 40 + 4 * i);
  return h;
}

void TAVIMainHeader::ToBytes(uint8_t* p) const
{
  PutLE32(p + 0, dwMicroSecPerFrame);
  PutLE32(p + 4, dwMaxBytesPerSec);
  PutLE32(p + 8, dwPaddingGranularity);
  PutLE32(p + 12, dwFlags);
  PutLE32(p + 16, dwTotalFrames);
  PutLE32(p + 20, dwInitialFrames);
  PutLE32(p + 24, dwStreams);
  PutLE32(p + 28, dwSuggestedBufferSize);
  PutLE32(p + 32, dwWidth);
  PutLE32(p + 36, dwHeight);
  for (int i = 0; i < 4; ++i)
    PutLE32(p + 40 + 4 * i, dwReserved[i]);
}

TAVIStreamHeader TAVIStreamHeader::FromBytes(const uint8_t* p)
{
  TAVIStreamHeader h;
  h.fccType = GetLE32(p + 0);
  h.fccHandler = GetLE32(p + 4);
  h.dwFlags = GetLE32(p + 8);
  h.wPriority = GetLE16(p + 12);
  h.wLanguage = GetLE16(p + 14);
  h.dwInitialFrames = GetLE32(p + 16);
  h.dwScale = GetLE32(p + 20);
  h.dwRate = GetLE32(p + 24);
  h.dwStart = GetLE32(p + 28);
  h.dwLength = GetLE32(p + 32);
  h.dwSuggestedBufferSize = GetLE32(p + 36);
  h.dwQuality = GetLE32(p + 40);
  h.dwSampleSize = GetLE32(p + 44);
  h.rcFrameLeft = int16_t(GetLE16(p + 48));
  h.rcFrameTop = int16_t(GetLE16(p + 50));
  h.rcFrameRight = int16_t(GetLE16(p + 52));
  h.rcFrameBottom = int16_t(GetLE16(p + 54));
  return h;
}

void TAVIStreamHeader::ToBytes(uint8_t* p) const
{
  PutLE32(p + 0, fccType);
  PutLE32(p + 4, fccHandler);
  PutLE32(p + 8, dwFlags);
  PutLE16(p + 12, wPriority);
  PutLE16(p + 14, wLanguage);
  PutLE32(p + 16, dwInitialFrames);
  PutLE32(p + 20, dwScale);
  PutLE32(p + 24, dwRate);
  PutLE32(p + 28, dwStart);
  PutLE32(p + 32, dwLength);
  PutLE32(p + 36, dwSuggestedBufferSize);
  PutLE32(p + 40, dwQuality);
  PutLE32(p + 44, dwSampleSize);
  PutLE16(p + 48, uint16_t(rcFrameLeft));
  PutLE16(p + 50, uint16_t(rcFrameTop));
  PutLE16(p + 52, uint16_t(rcFrameRight));
  PutLE16(p + 54, uint16_t(rcFrameBottom));
}
