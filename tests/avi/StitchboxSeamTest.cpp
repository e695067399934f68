#include "AVITestSupport.h"
#include "avi/AVIRead.h"
#include "avi/AVIWrite.h"
#include "support/SeamCheck.h"
#include "support/TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// A clip whose sound starts Delay seconds after its picture, told by the sound's dwStart (the
// AVI muxer of ffmpeg keeps no delay of its own); its flash and beep meet at 0.5 s.
std::string LateClip(const std::string& name, TSeamClipRecipe recipe, double delay)
{
  recipe.AudioDelay = delay;
  recipe.FlashTimes = {0.5};
  const std::string made = MakeSeamClip("made-" + name, recipe);
  TBytes bytes = ReadWholeFile(made);
  const size_t strh = FindAll(bytes, "auds").front();
  const uint32_t scale = At32(bytes, strh + 20), rate = At32(bytes, strh + 24);
  PutLE32(bytes.data() + strh + 28, uint32_t(std::lround(delay * rate / scale))); // dwStart
  const std::string file = made.substr(0, made.rfind('/') + 1) + name;
  WriteWholeFile(file, bytes);
  return file;
}

// The header lengths and the index of the output agree with each other and with the picture.
void ExpectCountsAgree(const std::string& output, double tolerance)
{
  TAVIFileReader reader;
  reader.Open(output, false);
  ASSERT_EQ(reader.StreamCount(), 2);
  const TAVIStream& video = reader.Streams(0);
  const TAVIStream& audio = reader.Streams(1);
  EXPECT_EQ(video.Header.dwLength, video.EntryCount());
  EXPECT_EQ(reader.MainHeader.dwTotalFrames, video.EntryCount());
  EXPECT_EQ(audio.Header.dwLength,
            audio.Header.dwSampleSize != 0 ? audio.TotalBytes / audio.Header.dwSampleSize : audio.EntryCount());
  const double picture = double(video.Header.dwLength) * video.Header.dwScale / video.Header.dwRate;
  const double sound = double(audio.Header.dwLength) * audio.Header.dwScale / audio.Header.dwRate;
  EXPECT_NEAR(sound, picture, tolerance);
}

struct TSoundKind {
  const char* Name;
  const char* AudioArgs;
  double Tolerance; // of each seam's offset
};

class StitchboxSoundKinds : public testing::TestWithParam<TSoundKind> {};

TEST_P(StitchboxSoundKinds, KeepEachInputsSoundWithItsPictureAndSayWhatWasMended)
{
  const TSoundKind& kind = GetParam();
  TSeamClipRecipe recipe;
  recipe.AudioArgs = kind.AudioArgs;
  const std::string prefix = std::string(kind.Name) + "-";
  auto clip = [&](const char* name, double audioSeconds) {
    TSeamClipRecipe s = recipe;
    s.AudioSeconds = audioSeconds;
    return MakeSeamClip(prefix + name + ".avi", s);
  };
  TSeamClipRecipe late = recipe;
  late.AudioSeconds = 1.5;
  const std::vector<std::string> inputs = {clip("even", 2), clip("short", 1.5), clip("long", 2.4),
                                           LateClip(prefix + "late.avi", late, 0.24), clip("even", 2)};
  TTempDir dir;
  const std::string output = dir.File("joined.avi");
  const TJoinOutcome outcome = StitchboxJoin(inputs, output);

  const auto seams = MeasureSeams(output);
  ASSERT_EQ(seams.size(), inputs.size());
  for (const TSeamOffset& seam : seams)
    EXPECT_LE(std::fabs(seam.Offset), kind.Tolerance) << "flash at " << seam.FlashTime;
  EXPECT_TRUE(DecodesCleanly(output));
  ExpectCountsAgree(output, 0.03);
  TAVIFileReader reader;
  reader.Open(output, true);
  EXPECT_EQ(outcome.FramesWritten, reader.VideoStream->Header.dwLength);
  ASSERT_EQ(outcome.SeamNotes.size(), 3u);
  EXPECT_EQ(outcome.SeamNotes[0].rfind(prefix + "short.avi: the sound is 0.50 s shorter than the picture; 0.5", 0), 0u)
      << outcome.SeamNotes[0];
  EXPECT_NE(outcome.SeamNotes[1].find("longer than the picture; 0."), std::string::npos) << outcome.SeamNotes[1];
  EXPECT_NE(outcome.SeamNotes[1].find(" of sound left out at 00:0"), std::string::npos) << outcome.SeamNotes[1];
  EXPECT_NE(outcome.SeamNotes[2].find("the sound starts 0.24 s after the picture; 0.24 s of silence added at 00:0"),
            std::string::npos)
      << outcome.SeamNotes[2];

  if (std::string(kind.Name) == "pcm") { // sound as long as the picture is copied byte for byte
    StitchboxJoin({inputs[0], inputs[0]}, output);
    const std::string plainOutput = dir.File("plain.avi");
    StitchboxJoin({inputs[0], inputs[0]}, plainOutput, false, false);
    EXPECT_EQ(ReadWholeFile(output), ReadWholeFile(plainOutput));
  }

  // The plain join drifts by the short and long sound, and says nothing.
  const TJoinOutcome plain = StitchboxJoin(inputs, output, false, false);
  EXPECT_FALSE(WorstSeamOffset(MeasureSeams(output)) <= 0.3); // NaN: a beep left the clip
  EXPECT_TRUE(plain.SeamNotes.empty());
}

INSTANTIATE_TEST_SUITE_P(, StitchboxSoundKinds,
                         testing::Values(TSoundKind{"pcm", "-c:a pcm_s16le", 0.020},
                                         TSoundKind{"mp3", "-c:a libmp3lame -b:a 128k", 0.045}),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TSeamFormat {
  const char* Name;
  const char* AudioArgs;
  int SampleRate;
  uint32_t SoundChunk = 0; // bytes: the sound is stored by bytes, in chunks of this size
};

// A copy of an AVI file whose constant-rate sound is stored as many older writers store MP3: a
// stream of bytes (one byte a sample, at the average rate) in chunks that ignore its frames.
std::string ByteChunkedCopy(const std::string& source, uint32_t chunkSize)
{
  const std::string target = source.substr(0, source.size() - 4) + "-bytes.avi";
  TAVIFileReader reader;
  reader.Open(source, false);
  TAVIStream& video = *reader.VideoStream;
  TAVIStream& audio = *reader.AudioStream;
  std::vector<uint8_t> format = audio.Format;
  const uint32_t bytesPerSecond = At32(format, 8);
  format[12] = 1, format[13] = 0; // nBlockAlign
  TAVIStreamHeader header = audio.Header;
  header.dwScale = 1, header.dwRate = bytesPerSecond, header.dwSampleSize = 1;
  TAVIFileWriter writer;
  writer.IndexMode = 1;
  writer.StartFile(target);
  writer.AddStream(0, video.Header, uint32_t(video.Format.size()), video.Format.data());
  writer.AddStream(1, header, uint32_t(format.size()), format.data());
  std::vector<uint8_t> sound, chunk;
  TAVIIndexEntry entry;
  for (uint32_t i = 0; audio.GetEntry(i, entry); ++i) {
    chunk.resize(entry.Size);
    EXPECT_TRUE(audio.ReadChunk(i, chunk.data()));
    sound.insert(sound.end(), chunk.begin(), chunk.end());
  }
  // Sound a little ahead of each picture, as such writers interleave it.
  size_t written = 0;
  const auto writeSoundUpTo = [&](size_t end) {
    for (; written < std::min(end, sound.size()); written += chunkSize)
      writer.WriteChunk(1, sound.data() + written, true, uint32_t(std::min<size_t>(chunkSize, sound.size() - written)));
  };
  for (uint32_t i = 0; video.GetEntry(i, entry); ++i) {
    chunk.resize(entry.Size);
    EXPECT_TRUE(video.ReadChunk(i, chunk.data()));
    writer.WriteChunk(0, chunk.data(), entry.KeyFrame, entry.Size);
    writeSoundUpTo((i + 2) * bytesPerSecond / 25);
  }
  writeSoundUpTo(sound.size());
  writer.Close();
  return target;
}

class StitchboxManySeams : public testing::TestWithParam<TSeamFormat> {};

// Short, long and even sound in turn, over 2, 5 and 10 seams: every beep stays with its flash as
// the first clip's does (an MP3 encoder's start-up delays them all alike), the error of one seam
// does not carry into the next, and no note speaks of what was not done.
TEST_P(StitchboxManySeams, KeepEveryBeepWithItsFlash)
{
  const TSeamFormat& format = GetParam();
  TSeamClipRecipe recipe;
  recipe.AudioArgs = format.AudioArgs;
  recipe.SampleRate = format.SampleRate;
  recipe.Size = "64x48";
  recipe.Seconds = 1;
  std::vector<std::string> clips;
  for (const double seconds : {0.6, 1.3, 1.0}) {
    recipe.AudioSeconds = seconds;
    clips.push_back(MakeSeamClip(std::string(format.Name) + "-" + std::to_string(int(seconds * 10)) + ".avi", recipe));
    if (format.SoundChunk != 0)
      clips.back() = ByteChunkedCopy(clips.back(), format.SoundChunk);
  }
  TTempDir dir;
  const std::string output = dir.File("joined.avi");
  for (const size_t seamCount : {2u, 5u, 10u}) {
    SCOPED_TRACE(seamCount);
    std::vector<std::string> inputs;
    for (size_t i = 0; i <= seamCount; ++i)
      inputs.push_back(clips[i % clips.size()]);
    const TJoinOutcome outcome = StitchboxJoin(inputs, output);
    const auto seams = MeasureSeams(output);
    ASSERT_EQ(seams.size(), inputs.size());
    for (const TSeamOffset& seam : seams)
      EXPECT_LE(std::fabs(seam.Offset - seams[0].Offset), 0.030) << "flash at " << seam.FlashTime;
    EXPECT_TRUE(DecodesCleanly(output));
    for (const std::string& note : outcome.SeamNotes)
      EXPECT_EQ(note.find(" 0.00 s"), std::string::npos) << note;
  }
}

INSTANTIATE_TEST_SUITE_P(, StitchboxManySeams,
                         testing::Values(TSeamFormat{"pcm", "-c:a pcm_s16le", 48000},
                                         TSeamFormat{"mp3cbr44", "-c:a libmp3lame -b:a 128k", 44100},
                                         TSeamFormat{"mp3vbr48", "-c:a libmp3lame -q:a 4", 48000},
                                         TSeamFormat{"mp3cbr32", "-c:a libmp3lame -b:a 96k", 32000},
                                         TSeamFormat{"mp3bytes", "-c:a libmp3lame -b:a 128k", 44100, 1000},
                                         TSeamFormat{"mp2", "-c:a mp2 -b:a 192k", 48000},
                                         TSeamFormat{"ac3", "-c:a ac3 -b:a 192k", 48000},
                                         TSeamFormat{"ac3bytes", "-c:a ac3 -b:a 192k", 44100, 1000}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(StitchboxSeams, MakeSilenceInTheInputsOwnCoding)
{
  for (const char* args : {"-c:a mp2 -b:a 192k", "-c:a ac3 -b:a 192k", "-c:a adpcm_ms", "-c:a adpcm_ima_wav",
                           "-c:a pcm_u8"}) {
    SCOPED_TRACE(args);
    TSeamClipRecipe recipe;
    recipe.AudioArgs = args;
    recipe.SampleRate = 44100;
    recipe.Seconds = 1;
    const std::string name = std::string(args).substr(5, 8);
    const std::string even = MakeSeamClip(name + "-even.avi", recipe);
    recipe.AudioSeconds = 0.6;
    const std::string shorter = MakeSeamClip(name + "-short.avi", recipe);
    TTempDir dir;
    const std::string output = dir.File("joined.avi");
    const TJoinOutcome outcome = StitchboxJoin({shorter, even, shorter, even}, output);
    const auto seams = MeasureSeams(output);
    ASSERT_EQ(seams.size(), 4u);
    EXPECT_LE(WorstSeamOffset(seams), 0.045);
    EXPECT_TRUE(DecodesCleanly(output));
    ASSERT_GE(outcome.SeamNotes.size(), 2u);
    EXPECT_NE(outcome.SeamNotes[0].find(" of silence added at "), std::string::npos) << outcome.SeamNotes[0];
  }
}

TEST(StitchboxSeams, GiveSilenceToInputsWithoutSoundBeforeTheFirstThatHasIt)
{
  TSeamClipRecipe mute;
  mute.AudioArgs = "";
  TSeamClipRecipe sound;
  sound.AudioArgs = "-c:a libmp3lame -b:a 128k";
  const std::vector<std::string> inputs = {MakeSeamClip("mute.avi", mute), MakeSeamClip("mp3-even.avi", sound)};
  TTempDir dir;
  const std::string output = dir.File("joined.avi");
  for (bool keepSound : {true, false}) {
    SCOPED_TRACE(keepSound);
    const TJoinOutcome outcome = StitchboxJoin(inputs, output, false, keepSound);
    EXPECT_EQ(CountFrames(output, "v"), 2 * CountFrames(inputs[1], "v"));
    EXPECT_EQ(CountFrames(output, "a") > CountFrames(inputs[1], "a"), keepSound);
    if (keepSound) {
      ASSERT_EQ(outcome.SeamNotes.size(), 1u);
      EXPECT_EQ(outcome.SeamNotes[0].rfind("mute.avi: it has no sound; 1.99 s of silence added at 00:00.00"), 0u)
          << outcome.SeamNotes[0]; // whole frames of 24 ms
      const auto seams = MeasureSeams(output);
      ASSERT_EQ(seams.size(), 2u);
      EXPECT_LE(std::fabs(seams[1].Offset), 0.045);
    }
  }
}

} // namespace

namespace {

TEST(StitchboxSeams, AreReportedByTheCommandLineUnlessThePlainJoinIsAskedFor)
{
  TSeamClipRecipe recipe;
  const std::string even = MakeSeamClip("pcm-even.avi", recipe);
  recipe.AudioSeconds = 1.5;
  const std::string shorter = MakeSeamClip("pcm-short.avi", recipe);
  TTempDir dir;
  const std::string output = dir.File("joined.avi");
  for (const char* option : {"", "--no-sync"}) {
    SCOPED_TRACE(option);
    const auto result = RunCliJoin(std::string("--copy -y ") + option, output, {shorter, even});
    EXPECT_EQ(result.ExitCode, 0) << result.Errors;
    const std::string note = "pcm-short.avi: the sound is 0.50 s shorter than the picture; 0.50 s of silence "
                             "added at 00:01.50\n";
    EXPECT_EQ(result.Errors.find(note) != std::string::npos, *option == 0) << result.Errors;
    EXPECT_EQ(WorstSeamOffset(MeasureSeams(output)) <= 0.02, *option == 0);
  }
}

} // namespace
