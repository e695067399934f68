#include "support/EditList.h"

#include "support/TestSupport.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

uint32_t Get32(const std::vector<uint8_t>& bytes, size_t at)
{
  return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

uint64_t Get64(const std::vector<uint8_t>& bytes, size_t at)
{
  return uint64_t(Get32(bytes, at)) << 32 | Get32(bytes, at + 4);
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
  for (int i = 0; i < 4; ++i)
    bytes[at + size_t(i)] = uint8_t(value >> (24 - 8 * i));
}

void Put64(std::vector<uint8_t>& bytes, size_t at, uint64_t value)
{
  Put32(bytes, at, uint32_t(value >> 32));
  Put32(bytes, at + 4, uint32_t(value));
}

struct TEditPatch {
  std::vector<uint8_t>& Bytes;
  uint32_t TimeScale = 0; // the movie's, from mvhd, in which edits count
  double Seconds = 0;
  bool Patched = false;

  // Walks the boxes in [begin, end), descending into the containers on the way to elst.
  void Walk(size_t begin, size_t end)
  {
    for (size_t at = begin; at + 8 <= end;) {
      uint64_t size = Get32(Bytes, at);
      size_t header = 8;
      if (size == 1 && at + 16 <= end) {
        size = Get64(Bytes, at + 8);
        header = 16;
      } else if (size == 0) {
        size = end - at;
      }
      if (size < header || size > end - at)
        return;
      const std::string type(reinterpret_cast<const char*>(&Bytes[at + 4]), 4);
      if (type == "moov" || type == "trak" || type == "edts")
        Walk(at + header, at + size_t(size));
      else if (type == "mvhd" && size >= header + 24)
        TimeScale = Bytes[at + header] == 1 ? Get32(Bytes, at + header + 20) : Get32(Bytes, at + header + 12);
      else if (type == "elst" && TimeScale != 0)
        Shorten(at + header, at + size_t(size));
      at += size_t(size);
    }
  }

  void Shorten(size_t body, size_t end)
  {
    const bool wide = Bytes[body] == 1;
    const size_t field = body + 8; // version, flags, entry count, then the first segment's duration
    if (Get32(Bytes, body + 4) == 0 || field + (wide ? 8 : 4) > end)
      return;
    const uint64_t limit = uint64_t(std::llround(Seconds * TimeScale));
    const uint64_t duration = wide ? Get64(Bytes, field) : Get32(Bytes, field);
    if (duration <= limit)
      return;
    if (wide)
      Put64(Bytes, field, limit);
    else
      Put32(Bytes, field, uint32_t(limit));
    Patched = true;
  }
};

} // namespace

bool ShortenEditLists(const std::string& fileName, double seconds)
{
  std::vector<uint8_t> bytes = ReadWholeFile(fileName);
  TEditPatch patch{bytes};
  patch.Seconds = seconds;
  patch.Walk(0, bytes.size());
  if (patch.Patched)
    WriteWholeFile(fileName, bytes);
  return patch.Patched;
}
