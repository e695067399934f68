#include "avi/AVIFormat.h"

namespace {

// Each record's fields in file order, listed once for reading and writing alike; every field
// follows the previous one without a gap.

template <class THeader, class TVisit> void MainHeaderFields(THeader& h, TVisit&& Visit)
{
  Visit(h.dwMicroSecPerFrame);
  Visit(h.dwMaxBytesPerSec);
  Visit(h.dwPaddingGranularity);
  Visit(h.dwFlags);
  Visit(h.dwTotalFrames);
  Visit(h.dwInitialFrames);
  Visit(h.dwStreams);
  Visit(h.dwSuggestedBufferSize);
  Visit(h.dwWidth);
  Visit(h.dwHeight);
  for (auto& reserved : h.dwReserved)
    Visit(reserved);
}

template <class THeader, class TVisit> void StreamHeaderFields(THeader& h, TVisit&& Visit)
{
  Visit(h.fccType);
  Visit(h.fccHandler);
  Visit(h.dwFlags);
  Visit(h.wPriority);
  Visit(h.wLanguage);
  Visit(h.dwInitialFrames);
  Visit(h.dwScale);
  Visit(h.dwRate);
  Visit(h.dwStart);
  Visit(h.dwLength);
  Visit(h.dwSuggestedBufferSize);
  Visit(h.dwQuality);
  Visit(h.dwSampleSize);
  Visit(h.rcFrameLeft);
  Visit(h.rcFrameTop);
  Visit(h.rcFrameRight);
  Visit(h.rcFrameBottom);
}

// Reads consecutive little-endian fields of 2 or 4 bytes, as wide as the field they go to.
class TFieldReader {
public:
  explicit TFieldReader(const uint8_t* p) : FPos(p) {}

  template <class T> void operator()(T& Field)
  {
    static_assert(sizeof(T) == 2 || sizeof(T) == 4);
    if constexpr (sizeof(T) == 2)
      Field = T(GetLE16(FPos));
    else
      Field = T(GetLE32(FPos));
    FPos += sizeof(T);
  }

private:
  const uint8_t* FPos;
};

// Writes consecutive little-endian fields of 2 or 4 bytes, as wide as the field they come from.
class TFieldWriter {
public:
  explicit TFieldWriter(uint8_t* p) : FPos(p) {}

  template <class T> void operator()(const T& Field)
  {
    static_assert(sizeof(T) == 2 || sizeof(T) == 4);
    if constexpr (sizeof(T) == 2)
      PutLE16(FPos, uint16_t(Field));
    else
      PutLE32(FPos, uint32_t(Field));
    FPos += sizeof(T);
  }

private:
  uint8_t* FPos;
};

} // namespace

TAVIMainHeader TAVIMainHeader::FromBytes(const uint8_t* p)
{
  TAVIMainHeader h;
  MainHeaderFields(h, TFieldReader(p));
  return h;
}

void TAVIMainHeader::ToBytes(uint8_t* p) const
{
  MainHeaderFields(*this, TFieldWriter(p));
}

TAVIStreamHeader TAVIStreamHeader::FromBytes(const uint8_t* p)
{
  TAVIStreamHeader h;
  StreamHeaderFields(h, TFieldReader(p));
  return h;
}

void TAVIStreamHeader::ToBytes(uint8_t* p) const
{
  StreamHeaderFields(*this, TFieldWriter(p));
}
