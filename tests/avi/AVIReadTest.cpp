#include "avi/AVIRead.h"
#include "AVITestSupport.h"
#include "avi/AVIWrite.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TBytes Strl(const TAVIStreamHeader& header, const TBytes& format)
{
  return List("LIST", "strl", {Chunk("strh", StreamHeaderBytes(header)), Chunk("strf", format)});
}

TBytes Hdrl(const TBytes& strls)
{
  return List("LIST", "hdrl", {Chunk("avih", MainHeaderBytes(TAVIMainHeader())), strls});
}

TBytes Idx1Entry(const char* id, uint32_t flags, uint32_t offset, uint32_t size)
{
  return Cat({TBytes(id, id + 4), Le32(flags), Le32(offset), Le32(size)});
}

// A file with one 25 fps video stream, two 4-byte chunks in 'movi' and an 'idx1' counted from
// the 'movi' type field.
TBytes SmallAvi()
{
  const TBytes strl = Strl(MakeStreamHeader("vids", 1, 25), VideoFormat(16, 16));
  return List("RIFF", "AVI ",
              {Hdrl(strl), List("LIST", "movi", {Chunk("00dc", Le32(1)), Chunk("00dc", Le32(2))}),
               Chunk("idx1", Cat({Idx1Entry("00dc", 0x10, 4, 4), Idx1Entry("00dc", 0, 16, 4)}))});
}

std::string OpenError(const std::string& name, bool headersOnly)
{
  return ErrorOf([&] { TAVIFileReader().Open(name, headersOnly); });
}

TEST(AVIReader, RefusesMalformedFilesWithTheirMessages)
{
  TTempDir dir;
  const TBytes video = Strl(MakeStreamHeader("vids", 1, 25), VideoFormat(16, 16));
  const TBytes movi = List("LIST", "movi", {});
  struct TCase {
    const char* Name;
    TBytes Bytes;
    const char* Message;
  } cases[] = {
      {"avix", List("RIFF", "AVIX", {Hdrl(video), movi}), "The file has unknown format"},
      {"tiny", TBytes{'R', 'I', 'F', 'F'}, "The file has unknown format"},
      {"no-hdrl", List("RIFF", "AVI ", {movi}), "The header is not found"},
      {"no-movi", List("RIFF", "AVI ", {Hdrl(video)}), "The data is not found"},
      {"no-avih", List("RIFF", "AVI ", {List("LIST", "hdrl", {video}), movi}), "The main header is not found"},
      {"no-strh", List("RIFF", "AVI ", {Hdrl(List("LIST", "strl", {Chunk("strf", VideoFormat(16, 16))})), movi}),
       "The stream header is not found"},
      {"no-strf",
       List("RIFF", "AVI ",
            {Hdrl(List("LIST", "strl", {Chunk("strh", StreamHeaderBytes(MakeStreamHeader("vids", 1, 25)))})), movi}),
       "The stream format is not found"},
      {"zero-rate", List("RIFF", "AVI ", {Hdrl(Strl(MakeStreamHeader("vids", 1, 0), VideoFormat(16, 16))), movi}),
       "The stream has a scale or rate of 0"},
      {"zero-scale", List("RIFF", "AVI ", {Hdrl(Strl(MakeStreamHeader("auds", 0, 1), AudioFormat(4))), movi}),
       "The stream has a scale or rate of 0"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteWholeFile(dir.File(c.Name), c.Bytes);
    // headers only, too; the message names the file
    EXPECT_EQ(OpenError(dir.File(c.Name), true), std::string(c.Message) + " (" + dir.File(c.Name) + ")");
  }

  WriteWholeFile(dir.File("no-index"), List("RIFF", "AVI ", {Hdrl(video), movi}));
  EXPECT_EQ(OpenError(dir.File("no-index"), true), "");
  EXPECT_EQ(OpenError(dir.File("no-index"), false), "The index is not found (" + dir.File("no-index") + ")");
}

TEST(AVIReader, ReadsHandMadeFilesAndTheirChunks)
{
  TTempDir dir;
  const std::string name = dir.File("small.avi");
  WriteWholeFile(name, SmallAvi());
  TAVIFileReader reader;
  reader.Open(name, false);
  ASSERT_EQ(reader.StreamCount(), 1);
  TAVIStream& video = reader.Streams(0);
  EXPECT_EQ(reader.VideoStream, &video);
  EXPECT_EQ(reader.AudioStream, nullptr);
  ASSERT_EQ(video.EntryCount(), 2u);
  TAVIIndexEntry entry;
  EXPECT_TRUE(video.GetEntry(1, entry));
  EXPECT_FALSE(entry.KeyFrame);
  EXPECT_EQ(entry.StreamPos, 4u);
  EXPECT_FALSE(video.GetEntry(2, entry));
  EXPECT_EQ(video.EntryStreamPos(2), -1);
  EXPECT_DOUBLE_EQ(video.EntryTime(1), 0.04);
  EXPECT_EQ(video.EntryTime(2), -1);
  uint8_t data[4];
  ASSERT_TRUE(video.ReadChunk(1, data));
  EXPECT_EQ(GetLE32(data), 2u);
  EXPECT_FALSE(video.ReadChunk(2, data));

  // The same reader serves the next file, and an index with no entries is no error.
  TBytes bytes = SmallAvi();
  PutLE32(bytes.data() + FindAll(bytes, "idx1").front() + 4, 0);
  bytes.resize(bytes.size() - 32);
  PutLE32(bytes.data() + 4, uint32_t(bytes.size() - 8));
  WriteWholeFile(name, bytes);
  reader.Open(name, false);
  EXPECT_EQ(reader.Streams(0).EntryCount(), 0u);
}

TEST(AVIReader, NamesStreamsByHexadecimalPrefixes)
{
  TTempDir dir;
  TBytes strls;
  for (int i = 0; i < 17; ++i) {
    const TBytes strl = Strl(MakeStreamHeader("vids", 1, 25), VideoFormat(16, 16));
    strls.insert(strls.end(), strl.begin(), strl.end());
  }
  const std::string name = dir.File("many.avi");
  WriteWholeFile(name, List("RIFF", "AVI ",
                            {Hdrl(strls), List("LIST", "movi", {Chunk("0Adc", Le32(1)), Chunk("10dc", Le32(2))}),
                             Chunk("idx1", Cat({Idx1Entry("0Adc", 0x10, 4, 4), Idx1Entry("10dc", 0x10, 16, 4),
                                                Idx1Entry("0adc", 0x10, 4, 4), Idx1Entry("rec ", 0, 4, 4)}))}));
  TAVIFileReader reader;
  reader.Open(name, false);
  ASSERT_EQ(reader.StreamCount(), 17);
  EXPECT_EQ(reader.Streams(10).ChunkPrefix, "0A");
  EXPECT_EQ(reader.Streams(10).EntryCount(), 1u);
  EXPECT_EQ(reader.Streams(16).EntryCount(), 1u);
  EXPECT_EQ(reader.Streams(1).EntryCount(), 0u);
  EXPECT_EQ(reader.Streams(0).EntryCount(), 0u);
}

TEST(AVIReader, TimesAudioBySamplesOrByChunks)
{
  TTempDir dir;
  TAVIStreamHeader frameVideo = MakeStreamHeader("vids", 1, 25);
  frameVideo.rcFrameLeft = 2;
  frameVideo.rcFrameRight = 162;
  frameVideo.rcFrameBottom = 120;
  const std::string name = dir.File("audio.avi");
  WriteWholeFile(
      name,
      List("RIFF", "AVI ",
           {Hdrl(Cat({Strl(frameVideo, VideoFormat(0, 0)), Strl(MakeStreamHeader("auds", 1, 44100), AudioFormat(4)),
                      Strl(MakeStreamHeader("auds", 1152, 44100), AudioFormat(4))})),
            List("LIST", "movi", {})}));
  TAVIFileReader reader;
  reader.Open(name, true);
  EXPECT_EQ(reader.Streams(0).Width, 160);
  EXPECT_EQ(reader.Streams(0).Height, 120);
  EXPECT_EQ(reader.AudioStream, &reader.Streams(1));

  TAVIStream& pcm = reader.Streams(1);
  EXPECT_EQ(pcm.Header.dwSampleSize, 4u);
  pcm.AddEntry(4 * 44100, true, 0);
  pcm.AddEntry(16, true, 0);
  EXPECT_DOUBLE_EQ(pcm.EntryTime(1), 1.0);

  TAVIStream& mp3 = reader.Streams(2);
  EXPECT_EQ(mp3.Header.dwSampleSize, 0u);
  for (int i = 0; i <= 100; ++i)
    mp3.AddEntry(417, true, 0);
  EXPECT_DOUBLE_EQ(mp3.EntryTime(100), 100 * 1152 / 44100.0);
}

// Every entry of every stream of an ffmpeg-made file, in the order NextChunk hands them out.
std::vector<std::pair<int, TAVIIndexEntry>> HandOut(const std::string& name)
{
  TAVIFileReader reader;
  reader.Open(name, false);
  reader.ResetCursors();
  std::vector<std::pair<int, TAVIIndexEntry>> all;
  double last = 0;
  for (;;) {
    int stream;
    uint32_t index = 0;
    reader.NextChunk(stream, index);
    if (stream < 0)
      break;
    TAVIIndexEntry entry;
    EXPECT_TRUE(reader.Streams(stream).GetEntry(index, entry));
    const double time = reader.Streams(stream).EntryTime(index);
    EXPECT_GE(time, last);
    last = time;
    all.emplace_back(stream, entry);
  }
  return all;
}

TEST(AVIReader, HandsOutEveryChunkInTimeOrderWhateverTheIdx1Base)
{
  TTempDir dir;
  const auto relative = HandOut(MediaAviMpeg4Mp3());
  const auto absolute = HandOut(MakeAbsoluteIdx1Copy(MediaAviMpeg4Mp3(), dir.File("absolute.avi")));
  TAVIFileReader reader;
  reader.Open(MediaAviMpeg4Mp3(), true);
  ASSERT_EQ(relative.size(), reader.Idx1Size / 16); // ffmpeg indexes only the two streams' chunks
  ASSERT_EQ(absolute.size(), relative.size());
  // At time 0 the lower stream number goes first.
  EXPECT_EQ(relative[0].first, 0);
  EXPECT_EQ(relative[1].first, 1);
  const TBytes file = ReadWholeFile(MediaAviMpeg4Mp3());
  for (size_t i = 0; i < relative.size(); ++i) {
    EXPECT_EQ(absolute[i].second.Offset, relative[i].second.Offset);
    const uint32_t id = At32(file, relative[i].second.Offset - 8);
    EXPECT_EQ(id, relative[i].first == 0 ? MakeFourCC("00dc") : MakeFourCC("01wb"));
    EXPECT_EQ(At32(file, relative[i].second.Offset - 4), relative[i].second.Size);
  }
}

// A file written with both kinds of index, every 'idx1' entry overwritten when asked.
std::string BothIndexes(const TTempDir& dir, const std::string& name, bool spoilIdx1)
{
  const std::string path = dir.File(name);
  TAVIFileWriter writer;
  writer.StartFile(path);
  const TBytes video = VideoFormat(16, 16);
  writer.AddStream(0, MakeStreamHeader("vids", 1, 25), 40, video.data());
  for (int i = 0; i < 10; ++i)
    writer.WriteChunk(0, video.data(), true, 8);
  writer.Close();
  TBytes bytes = ReadWholeFile(path);
  if (spoilIdx1) {
    const size_t idx1 = FindAll(bytes, "idx1").back();
    std::fill(bytes.begin() + idx1 + 8, bytes.end(), 0);
  }
  WriteWholeFile(path, bytes);
  return path;
}

TEST(AVIReader, PrefersTheOpenDMLIndexAndFollowsOneWithoutASuperIndex)
{
  TTempDir dir;
  TAVIFileReader reader;
  reader.Open(BothIndexes(dir, "spoilt-idx1.avi", true), false);
  EXPECT_TRUE(reader.HasOpenDMLIndex);
  EXPECT_EQ(reader.Streams(0).EntryCount(), 10u);

  // A super index that is itself a standard index of chunks (its type too).
  const std::string direct = BothIndexes(dir, "direct.avi", false);
  TBytes bytes = ReadWholeFile(direct);
  const size_t indx = FindAll(bytes, "indx").front(), ix00 = FindAll(bytes, "ix00").front();
  std::copy(bytes.begin() + long(ix00) + 8, bytes.begin() + long(ix00) + 32 + 80, bytes.begin() + long(indx) + 8);
  WriteWholeFile(direct, bytes);
  reader.Open(direct, false);
  EXPECT_EQ(reader.Streams(0).EntryCount(), 10u);
}

TEST(AVIReader, ReadsOpenDMLIndexesOnlyAsFarAsTheirKindAndSizeAllow)
{
  TTempDir dir;
  struct TCase {
    const char* Name;
    const char* Chunk; // the index whose header is spoilt
    size_t Offset;     // of the field within the chunk
    uint32_t Value, Bytes;
    const char* Message; // empty: read, with the file's ten entries
  } cases[] = {
      {"super-type", "indx", 11, 7, 1, "Unsupported type of super index: 7"},
      {"chunk-type", "ix00", 11, 5, 1, "Unsupported type of chunk index: 5"},
      {"field-index", "ix00", 10, 1, 1, "Unsupported type of chunk index: 1, sub-type 1"},
      {"wide-entries", "ix00", 8, 3, 2, "Unsupported type of chunk index: 1, 3 longs per entry"},
      {"field-super", "indx", 10, 1, 1, "Unsupported type of super index: 0, sub-type 1"},
      {"narrow-super", "indx", 8, 2, 2, "Unsupported type of super index: 0, 2 longs per entry"},
      // more entries than the chunk holds: the following bytes are no entries
      {"inflated-count", "ix00", 12, 1000000, 4, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string name = BothIndexes(dir, c.Name, true);
    TBytes bytes = ReadWholeFile(name);
    const size_t at = FindAll(bytes, c.Chunk).front() + c.Offset;
    for (uint32_t i = 0; i < c.Bytes; ++i)
      bytes[at + i] = uint8_t(c.Value >> (8 * i));
    // A long run of entries' look-alikes after the index, which must stay unread.
    bytes.resize(bytes.size() + 4096, 0x11);
    WriteWholeFile(name, bytes);
    if (*c.Message != 0) {
      EXPECT_EQ(OpenError(name, false), std::string(c.Message) + " (" + name + ")");
      continue;
    }
    TAVIFileReader reader;
    reader.Open(name, false);
    EXPECT_EQ(reader.Streams(0).EntryCount(), 10u);
  }
  // The headers alone are read without the standard indexes.
  EXPECT_EQ(OpenError(dir.File("chunk-type"), true), "");
}

TEST(AVIReader, TakesAShortStreamHeaderAsFarAsItGoes)
{
  TTempDir dir;
  TBytes strh = StreamHeaderBytes(MakeStreamHeader("vids", 1, 25));
  strh.resize(48); // without the frame rectangle
  const std::string name = dir.File("short-strh.avi");
  WriteWholeFile(name, List("RIFF", "AVI ",
                            {Hdrl(List("LIST", "strl", {Chunk("strh", strh), Chunk("strf", VideoFormat(0, 0))})),
                             List("LIST", "movi", {})}));
  TAVIFileReader reader;
  reader.Open(name, true);
  const TAVIStream& video = reader.Streams(0);
  EXPECT_EQ(video.Header.dwRate, 25u);
  EXPECT_EQ(video.Header.rcFrameLeft, 0);
  EXPECT_EQ(video.Header.rcFrameRight, 0);
  EXPECT_EQ(video.Width, 0); // not the 'strf' chunk's id and size
  EXPECT_EQ(video.Height, 0);
  EXPECT_EQ(video.Format.size(), 40u);
}

} // namespace
