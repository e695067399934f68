#include "AVITestSupport.h"
#include "avi/Stitchbox2.h"
#include "support/JoinEngine.h"

#include "support/TestSupport.h"

#include <algorithm>
#include <cstring>

TBytes Le32(uint32_t value)
{
  TBytes bytes(4);
  PutLE32(bytes.data(), value);
  return bytes;
}

TBytes Chunk(const char* id, const TBytes& data)
{
  TBytes bytes(id, id + 4);
  const TBytes size = Le32(uint32_t(data.size()));
  bytes.insert(bytes.end(), size.begin(), size.end());
  bytes.insert(bytes.end(), data.begin(), data.end());
  if (data.size() & 1)
    bytes.push_back(0);
  return bytes;
}

TBytes List(const char* id, const char* type, std::initializer_list<TBytes> parts)
{
  TBytes body(type, type + 4);
  for (const TBytes& part : parts)
    body.insert(body.end(), part.begin(), part.end());
  TBytes bytes(id, id + 4);
  const TBytes size = Le32(uint32_t(body.size()));
  bytes.insert(bytes.end(), size.begin(), size.end());
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

TBytes StreamHeaderBytes(const TAVIStreamHeader& header)
{
  TBytes bytes(TAVIStreamHeader::ByteSize);
  header.ToBytes(bytes.data());
  return bytes;
}

TBytes MainHeaderBytes(const TAVIMainHeader& header)
{
  TBytes bytes(TAVIMainHeader::ByteSize);
  header.ToBytes(bytes.data());
  return bytes;
}

TBytes VideoFormat(int32_t width, int32_t height)
{
  TBytes bytes(40);
  PutLE32(bytes.data(), 40);
  PutLE32(bytes.data() + 4, uint32_t(width));
  PutLE32(bytes.data() + 8, uint32_t(height));
  return bytes;
}

TBytes AudioFormat(uint16_t blockAlign)
{
  TBytes bytes(18);
  PutLE16(bytes.data(), 1);
  PutLE16(bytes.data() + 12, blockAlign);
  return bytes;
}

TAVIStreamHeader MakeStreamHeader(const char* type, uint32_t scale, uint32_t rate, uint32_t sampleSize)
{
  TAVIStreamHeader header;
  header.fccType = GetLE32(reinterpret_cast<const uint8_t*>(type));
  header.dwScale = scale;
  header.dwRate = rate;
  header.dwSampleSize = sampleSize;
  return header;
}

std::vector<size_t> FindAll(const TBytes& bytes, const char* fourcc)
{
  std::vector<size_t> found;
  for (auto it = bytes.begin(); (it = std::search(it, bytes.end(), fourcc, fourcc + 4)) != bytes.end(); ++it)
    found.push_back(size_t(it - bytes.begin()));
  return found;
}

uint32_t At32(const TBytes& bytes, size_t position)
{
  return GetLE32(bytes.data() + position);
}

namespace {

const char* const Sources = "-f lavfi -i testsrc=size=640x480:rate=25:duration=2 "
                            "-f lavfi -i sine=frequency=440:duration=2 ";
const char* const Codecs = " -c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 128k -ar 44100 -ac 2";

} // namespace

std::string MediaAudioFirst()
{
  return MakeMedia("audio-first.avi", std::string(Sources) + "-map 1:a -map 0:v" + Codecs);
}

std::string MediaTwoAudio()
{
  return MakeMedia("two-audio.avi", std::string(Sources) + "-map 0:v -map 1:a -map 1:a" + Codecs);
}

std::string MediaNoVideo()
{
  return MakeMedia("no-video.avi", "-f lavfi -i sine=frequency=440:duration=1 -c:a libmp3lame -f avi");
}

std::string MakeAbsoluteIdx1Copy(const std::string& source, const std::string& target)
{
  TBytes bytes = ReadWholeFile(source);
  const size_t moviType = FindAll(bytes, "movi").front();
  const size_t idx1 = FindAll(bytes, "idx1").back();
  const uint32_t count = At32(bytes, idx1 + 4) / 16;
  for (uint32_t k = 0; k < count; ++k) {
    uint8_t* offset = bytes.data() + idx1 + 8 + 16 * k + 8;
    PutLE32(offset, GetLE32(offset) + uint32_t(moviType));
  }
  WriteWholeFile(target, bytes);
  return target;
}

TJoinOutcome StitchboxJoin(const std::vector<std::string>& files, const std::string& output, bool videoOnly,
                           bool keepSound)
{
  return RunJoinEngine<TStitchbox>(files, output, [&](TStitchbox& stitchbox) {
    stitchbox.VideoOnly = videoOnly;
    stitchbox.KeepSoundWithPicture = keepSound;
  });
}
