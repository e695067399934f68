#include "platform/FileIO.h"
#include "platform/ProgressSeam.h"
#include "remux/RemuxWeld.h"
#include "support/EditList.h"
#include "support/PacketProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    TRemuxWelder welder;
    welder.Files = {Clip("cancel1.mp4"), Clip("cancel2.mp4"), Clip("cancel3.mp4")};
    welder.OutputFileName = Dir.File("cancelled." + ext);
    ASSERT_NO_THROW(welder.Execute());
    EXPECT_TRUE(welder.Outcome.Cancelled) << ext;
    EXPECT_GT(welder.Outcome.FramesWritten, 0) << ext;
    EXPECT_LT(welder.Outcome.FramesWritten, 150) << ext;
    std::string errors;
    EXPECT_TRUE(DecodesCleanly(welder.OutputFileName, &errors)) << ext << errors;
    EXPECT_EQ(CountFrames(welder.OutputFileName, "v"), welder.Outcome.FramesWritten) << ext;
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
    TRemuxWelder welder;
    welder.Files = {Clip("cancel1.mp4"), c.Input};
    welder.OutputFileName = Dir.File("never.mp4");
    try {
      welder.Execute();
      ADD_FAILURE() << c.Input << " was joined";
    } catch (const std::exception& e) {
      EXPECT_EQ(std::string(e.what()), c.Message);
    }
    EXPECT_FALSE(FileExists(welder.OutputFileName));
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
  TRemuxWelder welder;
  welder.Files = {Clip("cancel1.mp4"), cut, Clip("cancel2.mp4")};
  welder.OutputFileName = Dir.File("mended.mp4");
  ASSERT_NO_THROW(welder.Execute());
  std::string errors;
  EXPECT_TRUE(DecodesCleanly(welder.OutputFileName, &errors)) << errors;
}

TEST_F(RemuxWeld, PicturesAnEditListHidesAtALaterFilesStartAreCutAwayOrNamed)
{
  // Cut without recompression: the pictures before the cut stay in the file, for the later ones
  // are decoded from them, and its edit list hides them. H.264 is encoded anew up to the next key
  // frame; other pictures are shown, and the join says so.
  struct TCase {
    const char* Encoder;
    const char* Args;
    bool Cut;
  };
  for (const TCase& c : {TCase{"libx264", "-preset veryfast -bf 2 -g 25", true},
                         TCase{"libx265", "-preset ultrafast -tag:v hvc1 -x265-params log-level=none", false}}) {
    if (!HasEncoder(c.Encoder))
      continue;
    const std::string whole = MakeMedia(std::string("whole-") + c.Encoder + ".mp4",
                                        std::string("-f lavfi -i testsrc=s=160x120:r=25:d=2 -f lavfi -i sine=r=48000:d=2 -c:v ") +
                                            c.Encoder + " " + c.Args + " -c:a aac");
    const std::string cut =
        MakeMedia(std::string("edit-list-") + c.Encoder + ".mp4", "-ss 0.3 -i " + ShellQuote(whole) + " -c copy");
    TRemuxWelder welder;
    welder.Files = {whole, cut, cut};
    welder.OutputFileName = Dir.File(std::string("edited-") + c.Encoder + ".mp4");
    ASSERT_NO_THROW(welder.Execute()) << c.Encoder;
    EXPECT_TRUE(welder.Outcome.SeamNotes.empty()) << c.Encoder; // no sound is cut at a seam
    std::string errors;
    EXPECT_TRUE(DecodesCleanly(welder.OutputFileName, &errors)) << errors;
    const double shown = Probe(cut).VideoLength;
    const double joined = Probe(welder.OutputFileName).VideoLength;
    if (c.Cut) {
      EXPECT_TRUE(welder.Outcome.Warnings.empty()) << welder.Outcome.Warnings.front();
      EXPECT_NEAR(joined, 2 + 2 * shown, 0.041);
    } else {
      ASSERT_EQ(welder.Outcome.Warnings.size(), 2u);
      EXPECT_EQ(welder.Outcome.Warnings[1].rfind("edit-list-libx265.mp4: 0.", 0), 0u) << welder.Outcome.Warnings[1];
      EXPECT_GT(joined, 2 + 2 * shown + 0.2);
    }
  }
}

TEST_F(RemuxWeld, AFileCutAtItsEndByItsEditListGivesWhatPlayersShowOfIt)
{
  const std::string whole = Clip("cancel1.mp4");
  const std::string cut = MakeMedia("end-cut.mp4", "-i " + ShellQuote(whole) + " -c copy");
  static const bool shortened = ShortenEditLists(cut, 1.2);
  ASSERT_TRUE(shortened);
  TRemuxWelder welder;
  welder.Files = {whole, cut, whole};
  welder.OutputFileName = Dir.File("end-cut.mp4");
  ASSERT_NO_THROW(welder.Execute());
  std::string errors;
  EXPECT_TRUE(DecodesCleanly(welder.OutputFileName, &errors)) << errors;
  // The pictures behind the cut are left out, those that shown ones are decoded from as well.
  const TProbe joined = Probe(welder.OutputFileName);
  EXPECT_NEAR(joined.VideoLength, 2 + 1.2 + 2, 0.041);
  EXPECT_EQ(joined.VideoHashes.size(), size_t(50 + 30 + 50));
}

TEST_F(RemuxWeld, AFailureWhileFinishingTheOutputNamesItAndTheReason)
{
  TRemuxWelder whole;
  whole.Files = {Clip("cancel1.mp4"), Clip("cancel2.mp4")};
  whole.OutputFileName = Dir.File("whole.mkv");
  ASSERT_NO_THROW(whole.Execute());
  // A file size limit just short of the whole stands for a disk that fills up as the index at
  // the end is written.
  const rlim_t room = rlim_t(ReadWholeFile(whole.OutputFileName).size() - 16);
  const std::string out = Dir.File("full.mkv"), message = Dir.File("message.txt");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{room, room};
    setrlimit(RLIMIT_FSIZE, &limit);
    TRemuxWelder welder;
    welder.Files = whole.Files;
    welder.OutputFileName = out;
    try {
      welder.Execute();
    } catch (const std::exception& e) {
      const std::string text = e.what();
      WriteWholeFile(message, std::vector<uint8_t>(text.begin(), text.end()));
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "the join fails";
  const std::vector<uint8_t> text = ReadWholeFile(message);
  EXPECT_EQ(std::string(text.begin(), text.end()), "Unable to write " + out + " (File too large) while finishing it");
}
