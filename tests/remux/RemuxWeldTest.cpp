#include "remux/RemuxWeld.h"
#include "platform/FileIO.h"
#include "platform/ProgressSeam.h"
#include "support/EditList.h"
#include "support/JoinEngine.h"
#include "support/PacketProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Cancels at the given report, as the progress dialog's button does.
class TCancelAt : public TProgressDialog {
public:
  TCancelAt(int At, int& Reports) : FAt(At), FReports(Reports) {}
  void SetCaption(const std::string&) override {}
  void SetText(const std::string&) override {}
  void Show() override {}
  void SetProgress(double) override { ++FReports; }
  bool IsCancelled() override { return FAt != 0 && FReports >= FAt; }

private:
  int FAt;
  int& FReports;
};

class RemuxWeld : public testing::Test {
protected:
  void SetUp() override
  {
    SetProgressDialogFactory([this] { return std::make_unique<TCancelAt>(CancelAt, Reports); });
  }
  void TearDown() override { SetProgressDialogFactory({}); }

  std::string Clip(const std::string& name)
  {
    return MakeMedia(name, "-f lavfi -i testsrc=s=160x120:r=25:d=2 -f lavfi -i sine=r=48000:d=2 -c:v libx264 "
                           "-preset veryfast -bf 2 -c:a aac");
  }

  int CancelAt = 0;
  int Reports = 0;
  TTempDir Dir;
};

} // namespace

TEST_F(RemuxWeld, CancelKeepsAPlayableFileOfWhatWasCopied)
{
  for (const std::string ext : {"mp4", "mkv"}) {
    CancelAt = 3;
    Reports = 0;
    const std::string output = Dir.File("cancelled." + ext);
    const TJoinOutcome outcome =
        RunJoinEngine<TRemuxWelder>({Clip("cancel1.mp4"), Clip("cancel2.mp4"), Clip("cancel3.mp4")}, output);
    EXPECT_TRUE(outcome.Cancelled) << ext;
    EXPECT_GT(outcome.FramesWritten, 0) << ext;
    EXPECT_LT(outcome.FramesWritten, 150) << ext;
    EXPECT_TRUE(DecodesCleanly(output)) << ext;
    EXPECT_EQ(CountFrames(output, "v"), outcome.FramesWritten) << ext;
  }
}

TEST_F(RemuxWeld, AnInputItCannotReadIsNamedBeforeTheOutputIsTouched)
{
  const std::string text = Dir.File("notes.mp4");
  WriteWholeFile(text, std::vector<uint8_t>(200, 'x'));
  const std::string fifo = Dir.File("pipe.mp4");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string Input;
    std::string Message;
  } cases[] = {
      {text, "Unable to open " + text + " (Invalid data found when processing input)"},
      {Dir.File("missing.mp4"), "Unable to open " + Dir.File("missing.mp4") + " (No such file or directory)"},
      {fifo, fifo + " is not a regular file"},
  };
  for (const auto& c : cases) {
    const std::string output = Dir.File("never.mp4");
    EXPECT_EQ(ErrorOf([&] { RunJoinEngine<TRemuxWelder>({Clip("cancel1.mp4"), c.Input}, output); }), c.Message);
    EXPECT_FALSE(FileExists(output));
  }
}

TEST_F(RemuxWeld, AFileCutShortLosesItsTornLastPacketNotTheOutputsHealth)
{
  // Index in front, so that the cut leaves a readable file whose last packets reach past its end.
  const std::string whole = MakeMedia("faststart.mp4", "-f lavfi -i testsrc=s=160x120:r=25:d=2 -f lavfi -i "
                                                       "sine=r=48000:d=2 -c:v libx264 -preset veryfast -bf 2 "
                                                       "-c:a aac -movflags +faststart");
  std::vector<uint8_t> bytes = ReadWholeFile(whole);
  bytes.resize(bytes.size() / 2);
  const std::string cut = Dir.File("cut.mp4");
  WriteWholeFile(cut, bytes);
  RunJoinEngine<TRemuxWelder>({Clip("cancel1.mp4"), cut, Clip("cancel2.mp4")}, Dir.File("mended.mp4"));
  EXPECT_TRUE(DecodesCleanly(Dir.File("mended.mp4")));
}

TEST_F(RemuxWeld, PicturesAnEditListHidesAreCutAwayOrNamed)
{
  // Cut without recompression, at a later file's start or at its end, a file keeps the pictures
  // its edit list hides where shown ones are decoded from them. H.264 is encoded anew up to the
  // next key frame, when that is an IDR picture, or from the one before; other pictures are
  // shown, and the join says why.
  struct TCase {
    const char* Name;
    const char* Encoder;
    std::string Args;
    bool AtEnd;
    const char* Warning; // after the length; empty when cut
  };
  const std::string x264 = "-preset veryfast -bf 2 -g 25";
  const std::string x265 = "-preset ultrafast -tag:v hvc1 -x265-params log-level=none";
  for (const TCase& c :
       {TCase{"start", "libx264", x264, false, ""},
        TCase{"open-gop", "libx264", x264 + " -x264-params open-gop=1", false,
              " s of pictures its edit list hides at its start are shown, with their sound (re-encoding its first "
              "pictures failed: its next key frame is no IDR picture)"},
        TCase{"hevc", "libx265", x265, false,
              " s of pictures its edit list hides at its start are shown, with their sound (HEVC pictures are not "
              "re-encoded)"},
        TCase{"end", "libx264", x264, true, ""},
        TCase{"hevc-end", "libx265", x265, true,
              " s of pictures its edit list hides at its end are shown (HEVC pictures are not re-encoded)"}}) {
    if (!HasEncoder(c.Encoder))
      continue;
    const std::string whole =
        MakeMedia(std::string("whole-") + c.Name + ".mp4",
                  std::string("-f lavfi -i testsrc=s=160x120:r=25:d=2 -f lavfi -i sine=r=48000:d=2 -c:v ") + c.Encoder +
                      " " + c.Args + " -c:a aac");
    const std::string cut = MakeMedia(std::string("edit-list-") + c.Name + ".mp4",
                                      (c.AtEnd ? "-i " : "-ss 0.3 -i ") + ShellQuote(whole) + " -c copy");
    ASSERT_TRUE(!c.AtEnd || ShortenEditLists(cut, 1.2));
    const std::string output = Dir.File(std::string("edited-") + c.Name + ".mp4");
    const TJoinOutcome outcome = RunJoinEngine<TRemuxWelder>({whole, cut, cut}, output);
    EXPECT_TRUE(DecodesCleanly(output));
    const double shown = Probe(cut).VideoLength;
    const TProbe joined = Probe(output);
    // No sound is cut at a seam; the pictures shown at an end have none.
    EXPECT_EQ(outcome.SeamNotes.empty(), !c.AtEnd || *c.Warning == 0) << c.Name;
    if (*c.Warning == 0) {
      EXPECT_TRUE(outcome.Warnings.empty()) << outcome.Warnings.front();
      EXPECT_NEAR(joined.VideoLength, 2 + 2 * shown, 0.041) << c.Name;
      EXPECT_NEAR(double(joined.VideoHashes.size()), 50 + 2 * shown * 25, 1) << c.Name;
    } else {
      ASSERT_EQ(outcome.Warnings.size(), 2u) << c.Name;
      const std::string& warning = outcome.Warnings[1];
      EXPECT_TRUE(warning.starts_with(std::string("edit-list-") + c.Name + ".mp4: 0.") && warning.ends_with(c.Warning))
          << warning;
      EXPECT_GT(joined.VideoLength, 2 + 2 * shown + 0.041) << c.Name;
    }
  }
}

TEST_F(RemuxWeld, CancelWhilePicturesAreEncodedAnewLeavesTheOutputAsItWas)
{
  const std::string whole = Clip("cancel1.mp4");
  const std::string cut = MakeMedia("edit-list-cancel.mp4", "-ss 0.3 -i " + ShellQuote(whole) + " -c copy");
  const std::string out = Dir.File("kept.mp4");
  WriteWholeFile(out, {'o', 'l', 'd'});
  CancelAt = 1; // the first report comes as the pictures after the cut are encoded anew
  const TJoinOutcome outcome = RunJoinEngine<TRemuxWelder>({whole, cut}, out);
  EXPECT_TRUE(outcome.Cancelled);
  EXPECT_EQ(outcome.FramesWritten, 0);
  EXPECT_EQ(ReadWholeFile(out), std::vector<uint8_t>({'o', 'l', 'd'}));
}

TEST_F(RemuxWeld, AFailureWhileFinishingTheOutputNamesItAndTheReason)
{
  const std::vector<std::string> files = {Clip("cancel1.mp4"), Clip("cancel2.mp4")};
  RunJoinEngine<TRemuxWelder>(files, Dir.File("whole.mkv"));
  // A file size limit just short of the whole stands for a disk that fills up as the index at
  // the end is written.
  const uint64_t room = ReadWholeFile(Dir.File("whole.mkv")).size() - 16;
  const std::string out = Dir.File("full.mkv");
  EXPECT_EQ(ErrorOfWithRoom(room, [&] { RunJoinEngine<TRemuxWelder>(files, out); }),
            "Unable to write " + out + " (File too large) while finishing it");
}
