#include "avi/AVIWrite.h"
#include "AVITestSupport.h"
#include "avi/AVIRead.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TAVIStreamHeader VideoHeader()
{
  return MakeStreamHeader("vids", 1001, 30000);
}

// One 'vids' stream with the given format, `chunks` chunks of `chunkSize` bytes, closed.
TBytes WriteVideoFile(const std::string& name, uint8_t mode, const TBytes& format, int chunks, uint32_t chunkSize)
{
  TAVIFileWriter writer;
  writer.IndexMode = mode;
  writer.StartFile(name);
  writer.AddStream(0, VideoHeader(), uint32_t(format.size()), format.data());
  const TBytes data(chunkSize, 0xAB);
  for (int i = 0; i < chunks; ++i)
    writer.WriteChunk(0, data.data(), i == 0, chunkSize);
  writer.Close();
  return ReadWholeFile(name);
}

TEST(AVIWriter, LaysOutAOneFrameFileByteForByte)
{
  TTempDir dir;
  const TBytes file = WriteVideoFile(dir.File("out.avi"), 1, VideoFormat(320, 240), 1, 10);

  // The 32-bit fields of the file, by position.
  const std::pair<size_t, uint32_t> fields[] = {
      {0, ckRIFF}, {4, uint32_t(file.size() - 8)}, {12, ckLIST}, {16, 192}, {20, listHdrl}, {24, ckAvih},
      {88, ckLIST}, {100, ckStrh}, {164, ckStrf}, {168, 40}, {212, ckJUNK}, {216, 1816}, {2036, ckLIST},
      {2040, 4 + 18}, // the list type and one chunk
      {2044, listMovi}, {2048, MakeFourCC("00dc")}, {2052, 10},
      // 'JUNK' up to the next boundary, then the one 'idx1' entry with the absolute position.
      {2066, ckJUNK}, {4096, ckIdx1}, {4100, 16}, {4104, MakeFourCC("00dc")}, {4108, AVIIF_KEYFRAME},
      {4112, 2048}, {4116, 10},
  };
  for (const auto& [at, value] : fields)
    EXPECT_EQ(At32(file, at), value) << "at " << at;
  EXPECT_EQ(file.size(), 4120u);

  const TAVIMainHeader avih = TAVIMainHeader::FromBytes(file.data() + 32);
  EXPECT_EQ(avih.dwMicroSecPerFrame, 33367u);
  EXPECT_EQ(avih.dwFlags, AVIF_HASINDEX);
  EXPECT_EQ(avih.dwTotalFrames, 1u);
  EXPECT_EQ(avih.dwStreams, 1u);
  EXPECT_EQ(avih.dwSuggestedBufferSize, 1034u);
  EXPECT_EQ(avih.dwWidth, 320u);
  EXPECT_EQ(avih.dwHeight, 240u);
  const TAVIStreamHeader strh = TAVIStreamHeader::FromBytes(file.data() + 108);
  EXPECT_EQ(strh.dwLength, 1u);
  EXPECT_EQ(strh.dwSuggestedBufferSize, 1034u);
  EXPECT_EQ(strh.rcFrameRight, 320);
  EXPECT_EQ(strh.rcFrameBottom, 240);
  EXPECT_EQ(strh.dwRate, 30000u);
}

TEST(AVIWriter, PadsOddChunksAndKeepsTheirSize)
{
  TTempDir dir;
  const TBytes file = WriteVideoFile(dir.File("out.avi"), 1, VideoFormat(16, 16), 2, 3);
  EXPECT_EQ(At32(file, 2052), 3u);
  EXPECT_EQ(file[2059], 0);
  EXPECT_EQ(At32(file, 2060), MakeFourCC("00dc")); // the second chunk right after the pad byte
}

// Header lists ending 1 to 7 bytes before the 'movi' header's place, or past it, leave no room
// for a filler chunk; the data then starts one boundary later.
TEST(AVIWriter, StartsTheDataOnABoundaryWhateverTheHeaderLength)
{
  TTempDir dir;
  for (uint32_t end : {2030u, 2034u, 2036u, 2038u, 2046u}) {
    SCOPED_TRACE(end);
    const TBytes format = [&] {
      TBytes bytes = VideoFormat(16, 16);
      bytes.resize(40 + (end - 212)); // the header list ends at 212 with a 40-byte format
      return bytes;
    }();
    // Sizes that put the data's end 3 bytes below a boundary also move 'idx1' on by one.
    const TBytes file = WriteVideoFile(dir.File("out.avi"), 1, format, 1, 2048 - 8 - 3);
    const auto data = FindAll(file, "00dc");
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(data.front() % 2048, 0u);
    const auto idx1 = FindAll(file, "idx1");
    ASSERT_EQ(idx1.size(), 1u);
    EXPECT_EQ(idx1.front() % 2048, 0u);

    TAVIFileReader reader;
    reader.Open(dir.File("out.avi"), false);
    ASSERT_EQ(reader.StreamCount(), 1);
    TAVIIndexEntry entry;
    ASSERT_TRUE(reader.Streams(0).GetEntry(0, entry));
    EXPECT_EQ(entry.Offset, data.front() + 8);
  }
}

TEST(AVIWriter, WritesOpenDMLIndexesThatTheReaderFollows)
{
  TTempDir dir;
  const std::string name = dir.File("odml.avi");
  TAVIFileWriter writer;
  writer.IndexMode = 2;
  writer.StartFile(name);
  const TBytes video = VideoFormat(16, 16), audio = AudioFormat(4);
  writer.AddStream(0, VideoHeader(), uint32_t(video.size()), video.data());
  writer.AddStream(1, MakeStreamHeader("auds", 1, 44100, 4), uint32_t(audio.size()), audio.data());
  const TBytes data(400, 1);
  for (int i = 0; i < 8001; ++i) {
    writer.WriteChunk(0, data.data(), i % 10 == 0, 5);
    if (i < 441)
      writer.WriteChunk(1, data.data(), true, 400);
  }
  writer.Close();

  const TBytes file = ReadWholeFile(name);
  EXPECT_TRUE(FindAll(file, "idx1").empty());
  EXPECT_EQ(TAVIMainHeader::FromBytes(file.data() + 32).dwFlags, AVIF_HASINDEX);
  // The 8000th video chunk is followed directly by its standard index.
  const auto ix00 = FindAll(file, "ix00");
  ASSERT_EQ(ix00.size(), 2u);
  EXPECT_EQ(At32(file, ix00[0] + 4), 24u + 64000);
  EXPECT_EQ(At32(file, ix00[0] + 12), 8000u);
  EXPECT_EQ(At32(file, ix00[0] + 16), MakeFourCC("00dc"));
  EXPECT_EQ(At32(file, ix00[0] - 14), MakeFourCC("00dc")); // 5 data bytes and a pad byte before
  EXPECT_EQ(At32(file, ix00[1] + 12), 1u);
  EXPECT_EQ(FindAll(file, "ix01").size(), 1u);
  EXPECT_EQ(FindAll(file, "dmlh").size(), 1u);

  TAVIFileReader reader;
  reader.Open(name, false);
  ASSERT_TRUE(reader.HasOpenDMLIndex);
  ASSERT_EQ(reader.Streams(0).EntryCount(), 8001u);
  ASSERT_EQ(reader.Streams(1).EntryCount(), 441u);
  EXPECT_EQ(reader.Streams(1).Header.dwLength, 441u * 100); // 400-byte chunks of 4-byte samples
  EXPECT_EQ(reader.Streams(0).Header.dwLength, 8001u);
  TAVIIndexEntry entry;
  ASSERT_TRUE(reader.Streams(0).GetEntry(1, entry));
  EXPECT_FALSE(entry.KeyFrame);
  EXPECT_EQ(entry.Size, 5u);
  ASSERT_TRUE(reader.Streams(0).GetEntry(8000, entry));
  EXPECT_TRUE(entry.KeyFrame);
  TBytes chunk(400);
  ASSERT_TRUE(reader.Streams(1).ReadChunk(440, chunk.data()));
  EXPECT_EQ(chunk, data);
}

TEST(AVIWriter, NamesChunksByDeclarationOrderAndLeavesOutUnusedIndexes)
{
  TTempDir dir;
  const std::string name = dir.File("out.avi");
  TAVIFileWriter writer;
  writer.IndexMode = 1;
  writer.StartFile(name);
  const TBytes video = VideoFormat(16, 16), audio = AudioFormat(4);
  writer.AddStream(5, MakeStreamHeader("auds", 1, 44100, 4), uint32_t(audio.size()), audio.data());
  writer.AddStream(3, VideoHeader(), uint32_t(video.size()), video.data());
  writer.WriteChunk(5, audio.data(), true, 4);
  writer.WriteChunk(3, video.data(), true, 8);
  writer.Close();
  const TBytes file = ReadWholeFile(name);
  EXPECT_EQ(FindAll(file, "00wb").size(), 2u); // the chunk and its 'idx1' entry
  EXPECT_EQ(FindAll(file, "01dc").size(), 2u);
  EXPECT_TRUE(FindAll(file, "indx").empty());
  EXPECT_TRUE(FindAll(file, "odml").empty());
  EXPECT_TRUE(FindAll(file, "ix0").empty());
}

TEST(AVIWriter, RefusesMisuseWithItsMessages)
{
  TTempDir dir;
  TAVIFileWriter writer;
  writer.StartFile(dir.File("out.avi"));
  const TBytes video = VideoFormat(16, 16);
  EXPECT_EQ(ErrorOf([&] { writer.AddStream(100, VideoHeader(), 40, video.data()); }), "Abnormal stream id (must be 0..99)");
  EXPECT_EQ(ErrorOf([&] { writer.AddStream(-1, VideoHeader(), 40, video.data()); }), "Abnormal stream id (must be 0..99)");
  EXPECT_EQ(ErrorOf([&] { writer.AddStream(0, VideoHeader(), 39, video.data()); }), "Invalid video format");
  EXPECT_EQ(ErrorOf([&] { writer.AddStream(0, VideoHeader(), 40, video.data()); }), "Not unique stream id");
  EXPECT_EQ(ErrorOf([&] { writer.WriteChunk(1, video.data(), true, 4); }), "Not initialized stream id");
  EXPECT_EQ(ErrorOf([&] { writer.WriteChunk(100, video.data(), true, 4); }), "Not initialized stream id");
  writer.WriteChunk(0, video.data(), true, 4);
  EXPECT_EQ(ErrorOf([&] { writer.AddStream(1, VideoHeader(), 40, video.data()); }), "Headers was already closed");
  writer.Close();
}

TEST(AVIWriter, ClosesAFileWithoutChunksIntoAValidFile)
{
  TTempDir dir;
  const std::string name = dir.File("empty.avi");
  for (uint8_t mode : {1, 2, 3}) {
    SCOPED_TRACE(int(mode));
    const TBytes file = WriteVideoFile(name, mode, VideoFormat(16, 16), 0, 0);
    EXPECT_EQ(At32(file, 4), file.size() - 8);
    TAVIFileReader reader;
    reader.Open(name, false);
    EXPECT_EQ(reader.Streams(0).EntryCount(), 0u);
    EXPECT_EQ(reader.MoviPos % 2048, 0);
  }
}

} // namespace

namespace {

TEST(AVIWriter, LeavesAFinishedFileAfterTheSuperIndexOverflows)
{
  TTempDir dir;
  const std::string name = dir.File("full.avi");
  TAVIFileWriter writer;
  writer.IndexMode = 2;
  writer.StdIndexEntries = 1; // one standard index per chunk: 2044 chunks fill the super index
  writer.StartFile(name);
  const TBytes format = VideoFormat(16, 16);
  writer.AddStream(0, VideoHeader(), uint32_t(format.size()), format.data());
  int written = 0;
  EXPECT_EQ(ErrorOf([&] {
              for (; written < 3000; ++written)
                writer.WriteChunk(0, format.data(), true, 8);
            }),
            "ODML index overflow");
  EXPECT_EQ(written, 2043); // the 2044th chunk was written, indexed, and then refused more
  EXPECT_NO_THROW(writer.Close());

  TAVIFileReader reader;
  reader.Open(name, false);
  EXPECT_EQ(reader.Streams(0).EntryCount(), 2044u);
  EXPECT_EQ(reader.Streams(0).Header.dwLength, 2044u);
  const TBytes bytes = ReadWholeFile(name);
  EXPECT_EQ(At32(bytes, 4), bytes.size() - 8); // the RIFF size was patched
}

} // namespace
