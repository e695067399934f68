#include "AVITestSupport.h"
#include "avi/AVIRead.h"
#include "avi/Stitchbox2.h"
#include "platform/FileIO.h"
#include "support/ProgressRecorder.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::string JoinError(const std::vector<std::string>& files, const std::string& output)
{
  return ErrorOf([&] { StitchboxJoin(files, output); });
}

// Chunks of the output per stream, as our reader sees them.
std::vector<uint32_t> EntryCounts(const std::string& name)
{
  TAVIFileReader reader;
  reader.Open(name, false);
  std::vector<uint32_t> counts;
  for (int i = 0; i < reader.StreamCount(); ++i)
    counts.push_back(reader.Streams(i).EntryCount());
  return counts;
}

// A copy of `source` with the `entry`-th 'idx1' entry's offset and size replaced.
std::string SpoilIdx1Entry(const std::string& source, const std::string& target, uint32_t entry, uint32_t offset,
                           uint32_t size)
{
  TBytes bytes = ReadWholeFile(source);
  const size_t at = FindAll(bytes, "idx1").back() + 8 + 16 * entry;
  PutLE32(bytes.data() + at + 8, offset);
  PutLE32(bytes.data() + at + 12, size);
  WriteWholeFile(target, bytes);
  return target;
}

TEST(Stitchbox, JoinsInputsOfEveryLayoutIntoOneDecodableFile)
{
  TTempDir dir;
  const std::vector<std::string> inputs = {MediaAviMpeg4Mp3(),
                                           MakeAbsoluteIdx1Copy(MediaAviMpeg4Mp3(), dir.File("absolute.avi")),
                                           MediaAudioFirst(), MediaTwoAudio(), MediaAviMpeg4Mp3()};
  int64_t video = 0, audio = 0;
  for (const std::string& input : inputs) {
    video += CountFrames(input, "v");
    audio += CountFrames(input, "a");
  }
  const std::string output = dir.File("joined.avi");
  StitchboxJoin(inputs, output, false, false); // every chunk, as the plain join copies them

  EXPECT_TRUE(DecodesCleanly(output));
  EXPECT_EQ(CountFrames(output, "v"), video);
  EXPECT_EQ(CountFrames(output, "a"), audio);
  const TBytes bytes = ReadWholeFile(output);
  EXPECT_TRUE(FindAll(bytes, "indx").empty()); // small inputs: 'idx1' alone
  TAVIFileReader reader;
  reader.Open(output, true);
  ASSERT_EQ(reader.StreamCount(), 2);
  EXPECT_EQ(reader.VideoStream, &reader.Streams(0));
  EXPECT_EQ(reader.Streams(0).Header.dwLength, reader.MainHeader.dwTotalFrames);
  EXPECT_EQ(reader.MainHeader.dwWidth, 640u);
}

TEST(Stitchbox, LeavesSoundOutWhenAskedAndStillReportsEveryEntry)
{
  TTempDir dir;
  const std::string output = dir.File("silent.avi");
  TProgressRecorder recorder;
  StitchboxJoin({MediaTwoAudio(), MediaTwoAudio()}, output, true);

  EXPECT_TRUE(DecodesCleanly(output));
  EXPECT_EQ(CountFrames(output, "v"), 2 * CountFrames(MediaTwoAudio(), "v"));
  EXPECT_EQ(CountFrames(output, "a"), -1);
  EXPECT_TRUE(FindAll(ReadWholeFile(output), "01wb").empty());
  TAVIFileReader reader;
  reader.Open(MediaTwoAudio(), false);
  const size_t entries =
      reader.Streams(0).EntryCount() + reader.Streams(1).EntryCount() + reader.Streams(2).EntryCount();
  EXPECT_EQ(recorder.State->Reports.size(), 2 * entries);
}

TEST(Stitchbox, ReportsProgressInVideoFramesThroughItsOwnDialog)
{
  TTempDir dir;
  TProgressRecorder recorder;
  StitchboxJoin({MediaAviMpeg4Mp3(), MediaAviMpeg4Mp3()}, dir.File("out.avi"));
  const auto& state = *recorder.State;
  EXPECT_EQ(state.Caption, "Joining...");
  EXPECT_EQ(state.Text, "The selected file is being joined. Please wait...");
  EXPECT_TRUE(state.Shown);
  EXPECT_EQ(state.DialogsMade, 1);
  EXPECT_EQ(state.DialogsAlive, 0);

  TAVIFileReader reader;
  reader.Open(MediaAviMpeg4Mp3(), false);
  const uint32_t frames = reader.VideoStream->EntryCount();
  ASSERT_EQ(frames, reader.VideoStream->Header.dwLength);
  const size_t entries = frames + reader.AudioStream->EntryCount();
  ASSERT_EQ(state.Reports.size(), 2 * entries);
  EXPECT_EQ(state.Reports.back(), 100.0);
  EXPECT_EQ(state.Reports[entries - 1], 50.0); // the first input's last entry is audio
  EXPECT_TRUE(std::is_sorted(state.Reports.begin(), state.Reports.end()));
  for (double report : state.Reports)
    EXPECT_EQ(report, double(int(report)));                      // whole percent
  EXPECT_EQ(state.CancelQueries, int(state.Reports.size()) + 2); // and one before each input
}

TEST(Stitchbox, CancelLeavesACompleteFileOfTheChunksCopiedSoFar)
{
  TTempDir dir;
  const auto one = EntryCounts(MediaAviMpeg4Mp3());
  // Before the first frame, and within the second of three inputs.
  for (const int cancelAt : {0, int(one[0] + one[1]) + 50}) {
    SCOPED_TRACE(cancelAt);
    TProgressRecorder recorder(cancelAt);
    const std::string output = dir.File("cancelled.avi");
    const TJoinOutcome outcome = StitchboxJoin({MediaAviMpeg4Mp3(), MediaAviMpeg4Mp3(), MediaAviMpeg4Mp3()}, output);
    EXPECT_TRUE(outcome.Cancelled);
    EXPECT_EQ(int(recorder.State->Reports.size()), cancelAt);
    EXPECT_EQ(recorder.State->DialogsAlive, 0);
    const auto counts = EntryCounts(output); // still a finished file
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_EQ(int(counts[0] + counts[1]), cancelAt);
    EXPECT_EQ(outcome.FramesWritten, counts[0]);
    if (cancelAt != 0) {
      EXPECT_TRUE(DecodesCleanly(output));
    }
  }
}

// Refused before anything is written: an input without its index, or without video.
TEST(Stitchbox, AnInputThatCannotBeJoinedIsRefusedBeforeAnythingIsWritten)
{
  TTempDir dir;
  TBytes bytes = ReadWholeFile(MediaAviMpeg4Mp3());
  std::copy_n("JUNK", 4, bytes.begin() + long(FindAll(bytes, "idx1").back()));
  WriteWholeFile(dir.File("no-index.avi"), bytes);
  const std::string output = dir.File("out.avi");
  EXPECT_EQ(JoinError({MediaAviMpeg4Mp3(), dir.File("no-index.avi")}, output),
            "The index is not found (" + dir.File("no-index.avi") + ")");
  EXPECT_FALSE(FileExists(output));
  EXPECT_EQ(JoinError({MediaNoVideo()}, dir.File("none.avi")), "The video stream is not found (" + MediaNoVideo() + ")");
  EXPECT_FALSE(FileExists(dir.File("none.avi")));
}

TEST(Stitchbox, AnIndexEntryOutsideTheFileEndsThatInputOnly)
{
  TTempDir dir;
  const std::string plain = MediaAviMpeg4Mp3();
  const auto plainCounts = EntryCounts(plain);
  for (const auto& [offset, size] : {std::pair{0x7FFFFFF0u, 16u}, std::pair{4u, 0x7FFFFFFFu}}) {
    SCOPED_TRACE(offset);
    const std::string spoilt = SpoilIdx1Entry(plain, dir.File("spoilt.avi"), 100, offset, size);
    const std::string output = dir.File("out.avi");
    StitchboxJoin({spoilt, plain}, output, false, false);
    EXPECT_TRUE(DecodesCleanly(output));
    const auto counts = EntryCounts(output);
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_EQ(counts[0] + counts[1], 100 + plainCounts[0] + plainCounts[1]);
  }
}

TEST(Stitchbox, ChoosesOpenDMLIndexesFrom900MiBOfInput)
{
  TTempDir dir;
  const std::string plain = MediaAviMpeg4Mp3();
  const uint64_t plainSize = std::filesystem::file_size(plain);
  for (uint64_t total : {943718399ull, 943718400ull}) {
    SCOPED_TRACE(total);
    // Bytes after the RIFF chunk count in the file size but are never read.
    const std::string padded = dir.File("padded.avi");
    std::filesystem::copy_file(plain, padded, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(padded, total - plainSize);
    const std::string output = dir.File("out.avi");
    StitchboxJoin({plain, padded}, output);
    const TBytes bytes = ReadWholeFile(output);
    EXPECT_EQ(FindAll(bytes, "indx").size(), total < 943718400 ? 0u : 2u);
    EXPECT_EQ(FindAll(bytes, "idx1").size(), 1u);
    EXPECT_TRUE(DecodesCleanly(output));
  }
}

TEST(Stitchbox, ReplacesAnExistingOutputThroughTheCommandLine)
{
  TTempDir dir;
  const std::string output = dir.File("out.avi");
  WriteWholeFile(output, TBytes(100000, 7));
  const auto result = RunCliJoin("--copy --video-only -y", output, {MediaAviMpeg4Mp3(), MediaAudioFirst()});
  EXPECT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_TRUE(DecodesCleanly(output));
  EXPECT_EQ(CountFrames(output, "v"), CountFrames(MediaAviMpeg4Mp3(), "v") + CountFrames(MediaAudioFirst(), "v"));
  EXPECT_EQ(CountFrames(output, "a"), -1);
}

TEST(Stitchbox, AnInputThatShrinksWhileCopiedEndsTheJoinWithWhatItStillHeld)
{
  TTempDir dir;
  const std::string plain = MediaAviMpeg4Mp3();
  const std::string shrinking = dir.File("shrinking.avi");
  std::filesystem::copy_file(plain, shrinking);
  const auto counts = EntryCounts(plain);
  // Cut to half its size within the second input, while its chunks wait in the output's buffer,
  // as another program might while the join reads it.
  TProgressRecorder recorder;
  recorder.State->OnReport = [&](size_t report) {
    if (report == counts[0] + counts[1] + 20)
      std::filesystem::resize_file(shrinking, std::filesystem::file_size(shrinking) / 2);
  };
  TStitchbox stitchbox;
  stitchbox.Files = {plain, shrinking};
  stitchbox.OutputFileName = dir.File("out.avi");
  EXPECT_EQ(ErrorOf([&] { stitchbox.Execute(); }), "Unable to read file (" + shrinking + ")");

  EXPECT_TRUE(DecodesCleanly(stitchbox.OutputFileName)); // no chunk of zeros
  TAVIFileReader reader;
  reader.Open(stitchbox.OutputFileName, false);
  const uint32_t frames = reader.VideoStream->EntryCount();
  EXPECT_EQ(int64_t(frames), stitchbox.Outcome.FramesWritten);
  EXPECT_EQ(reader.VideoStream->Header.dwLength, frames);
  EXPECT_GE(frames, counts[0]);
  EXPECT_LT(frames, 2 * counts[0]);
  // Each input holds one empty chunk, which a decoder does not count, near its start.
  EXPECT_EQ(CountFrames(stitchbox.OutputFileName, "v"), 2 * CountFrames(plain, "v") - (2 * counts[0] - frames));
}

struct TRiffChunk {
  uint32_t Form;
  int64_t Position, Size;
};

// The top-level RIFF chunks of a file too large to read whole.
std::vector<TRiffChunk> RiffChunks(const std::string& name)
{
  TFile file = TFile::OpenRead(name, TShareMode::DenyNone);
  std::vector<TRiffChunk> chunks;
  for (int64_t pos = 0; pos < file.Size();) {
    uint8_t header[12];
    file.Seek(pos, TSeekOrigin::Begin);
    if (file.Read(header, 12) != 12 || GetLE32(header) != ckRIFF)
      break;
    chunks.push_back({GetLE32(header + 8), pos, GetLE32(header + 4)});
    pos += 8 + int64_t(GetLE32(header + 4));
  }
  return chunks;
}

TEST(StitchboxLarge, JoinsOpenDMLInputsPastOneGiBIntoFurtherRiffChunks)
{
  TTempDir dir;
  // Raw video passes 1 GiB within seconds; ffmpeg then writes OpenDML indexes itself.
  const std::string big = MakeMedia("large-raw.avi", "-f lavfi -i color=c=blue:size=1920x1080:rate=25:duration=7.2 "
                                                     "-f lavfi -i sine=frequency=440:duration=7.2 "
                                                     "-c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le -f avi");
  {
    TAVIFileReader input;
    input.Open(big, true);
    ASSERT_TRUE(input.HasOpenDMLIndex);
  }
  const std::string output = dir.File("large.avi");
  StitchboxJoin({big}, output);

  const auto riffs = RiffChunks(output);
  ASSERT_GE(riffs.size(), 2u);
  EXPECT_EQ(riffs[0].Form, formAVI);
  EXPECT_EQ(riffs[1].Form, formAVIX);
  EXPECT_LT(riffs[0].Size, int64_t(1) << 30);
  EXPECT_EQ(riffs.back().Position + 8 + riffs.back().Size, int64_t(std::filesystem::file_size(output)));

  const int64_t frames = CountFrames(big, "v");
  EXPECT_EQ(CountFrames(output, "v"), frames);
  EXPECT_EQ(CountFrames(output, "a"), CountFrames(big, "a"));
  EXPECT_TRUE(DecodesCleanly(output));

  TAVIFileReader reader;
  reader.Open(output, false);
  ASSERT_TRUE(reader.HasOpenDMLIndex);
  EXPECT_EQ(int64_t(reader.Streams(0).EntryCount()), frames);
  EXPECT_EQ(int64_t(reader.Streams(0).Header.dwLength), frames);
  // 'avih' counts the first RIFF's frames, which 'idx1' covers; 'dmlh' counts them all.
  uint32_t firstRiffFrames = 0;
  TAVIIndexEntry entry;
  for (uint32_t i = 0; reader.Streams(0).GetEntry(i, entry); ++i)
    if (int64_t(entry.Offset) < riffs[1].Position)
      ++firstRiffFrames;
  EXPECT_EQ(reader.MainHeader.dwTotalFrames, firstRiffFrames);
  EXPECT_LT(firstRiffFrames, frames);
  TFile file = TFile::OpenRead(output, TShareMode::DenyNone);
  TBytes idx1(reader.Idx1Size);
  file.Seek(reader.Idx1Pos, TSeekOrigin::Begin);
  ASSERT_EQ(file.Read(idx1.data(), reader.Idx1Size), int32_t(reader.Idx1Size));
  EXPECT_EQ(FindAll(idx1, "00dc").size(), firstRiffFrames);
  const TBytes head = [&] {
    TBytes bytes(1 << 20);
    file.Seek(0, TSeekOrigin::Begin);
    bytes.resize(size_t(file.Read(bytes.data(), uint32_t(bytes.size()))));
    return bytes;
  }();
  const size_t dmlh = FindAll(head, "dmlh").front();
  EXPECT_EQ(int64_t(At32(head, dmlh + 8)), frames);
}

} // namespace
