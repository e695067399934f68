#include "core/VideoUtils.h"
#include "support/PacketProbe.h"
#include "support/TestSupport.h"
#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDialogs.h"
#include "ui/EditLib.h"
#include "ui/JoinForm.h"
#include "ui/JoinReportDlg.h"
#include "ui/ProgressDlg.h"
#include "core/SaveProjectCls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace {

QString Q(const std::string& Text)
{
  return QString::fromStdString(Text);
}

std::string SmallMp4()
{
  return MakeMedia("joinui-small.mp4", "-f lavfi -i testsrc=size=176x144:rate=15:duration=1 -f lavfi -i "
                                       "sine=duration=1 -c:v mpeg4 -c:a aac -shortest");
}

// The desktop program as main() sets it up: the main window, its join dialog, real progress
// dialogs; every message box is answered and recorded.
class JoinCommand : public testing::Test {
protected:
  JoinCommand()
  {
    SetProgressDialogFactory([] { return std::make_unique<TfrmProgress>(); });
    CreateJoinOptionsDialog(&Main);
    Join = Main.findChild<TfrmJoin*>();
  }
  ~JoinCommand() override { SetProgressDialogFactory({}); }

  // Runs the Join command; Fill sets the dialog up, then Join is pressed.
  void RunJoin(std::function<void()> Fill)
  {
    WhenModal([this, Fill] {
      Fill();
      Join->btnJoin->click();
    });
    Main.acnJoinFileExecute();
  }

  // Recompression into the given frame size with the MPEG-4 encoder.
  void ChooseRecompression(int Width, int Height)
  {
    Join->edtFrameWidth->SetValue(Width);
    Join->edtFrameHeight->SetValue(Height);
    Join->cbxVideoCompression->setCurrentIndex(Join->cbxVideoCompression->findText("(mpeg4)", Qt::MatchEndsWith));
  }

  // Recompresses a long clip into Output, slowly enough to be met under way: OnProgress is
  // called with the progress dialog every 50 ms while it is up.
  void RunLongJoin(const std::string& Output, const std::function<void(TfrmProgress&)>& OnProgress)
  {
    Main.AddFileList({Q(MakeMedia("joinui-long.avi", "-f lavfi -i testsrc=size=640x480:rate=25:duration=60 -c:v "
                                                     "mpeg4 -q:v 5"))});
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
      for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* progress = qobject_cast<TfrmProgress*>(window); progress != nullptr && progress->isVisible())
          OnProgress(*progress);
    });
    timer.start(50);
    RunJoin([&] {
      Join->cbxJoinWORecomp->setChecked(false);
      Join->edtOutFileName->setText(Q(Output));
      ChooseRecompression(640, 480);
    });
  }

  std::vector<std::string> ListedFiles() const
  {
    std::vector<std::string> files;
    for (int i = 0; i < Main.Count(); ++i)
      files.push_back(Main.FileInfo(i).FileName);
    return files;
  }

  TTempDir Dir;
  TMessageBoxRecorder Boxes;
  TfrmMain Main;
  TfrmJoin* Join = nullptr;
};

} // namespace

TEST_F(JoinCommand, JoinsAviFilesOfOneFormatWithoutRecompression)
{
  Main.AddFileList({Q(MediaSmallAvi()), Q(MediaSmallAvi())});
  ASSERT_NE(Join, nullptr);
  const std::string output = Dir.File("joined.avi");
  RunJoin([&] {
    EXPECT_TRUE(Join->cbxJoinWORecomp->isChecked());
    Join->edtOutFileName->setText(Q(output));
  });
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_TRUE(DecodesCleanly(output));
  EXPECT_EQ(CountFrames(output, "v"), 20);
  EXPECT_GT(CountFrames(output, "a"), 0);
  // The status line says what was done, until the next join; the report adds where.
  const QString report = Main.lblJoinReport->text();
  EXPECT_TRUE(report.startsWith("Joined 2 files into joined.avi (") && report.contains(", 00:02) in ") &&
              report.contains(", without recompression"))
      << report.toStdString();
  Main.SelectEntry(1);
  Main.statusBar()->showMessage("a menu's hint"); // as a menu shows it, and takes it away
  Main.statusBar()->clearMessage();
  EXPECT_EQ(Main.lblJoinReport->text(), report);
  ASSERT_TRUE(Main.frmJoinReport->isVisible());
  EXPECT_EQ(Main.frmJoinReport->lblHeadline->text(), report);
  EXPECT_TRUE(Main.frmJoinReport->edtDetails->toPlainText().startsWith("Folder: " + Q(Dir.Path()) + "\n"));
  EXPECT_TRUE(Main.frmJoinReport->btnPlay->isEnabled());
  EXPECT_EQ(Main.frmJoinReport->Output(), Q(output));
}

// A file whose index is in front describes its whole length even when its end is missing.
TEST_F(JoinCommand, ReportsAnInputThatIsCutShort)
{
  const std::string whole = MakeMedia("joinui-4s.mp4", "-f lavfi -i testsrc=size=176x144:rate=15:duration=4 -f lavfi "
                                                       "-i sine=duration=4 -c:v mpeg4 -c:a aac -shortest -movflags "
                                                       "+faststart");
  const std::string damaged = Dir.File("damaged.mp4");
  const std::vector<uint8_t> bytes = ReadWholeFile(whole);
  WriteWholeFile(damaged, std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 3));
  Main.AddFileList({Q(whole), Q(damaged), Q(whole)});
  ASSERT_EQ(Main.Count(), 3);
  const std::string output = Dir.File("joined.mp4");
  RunJoin([&] { Join->edtOutFileName->setText(Q(output)); });
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_TRUE(Main.lblJoinReport->text().startsWith("Joined 3 files into joined.mp4 ("));
  const QString details = Main.frmJoinReport->edtDetails->toPlainText();
  EXPECT_TRUE(details.contains(QRegularExpression("\\ndamaged\\.mp4: only 00:0[0-2]\\.\\d\\d of its 00:04 could be read "
                                                  "\\(the file is cut short\\)")))
      << details.toStdString();
  EXPECT_FALSE(details.contains("joinui-4s.mp4: only")) << details.toStdString();
}

TEST_F(JoinCommand, RecompressesAnAviAndAnMp4)
{
  Main.AddFileList({Q(MediaSmallAvi()), Q(SmallMp4())});
  const std::string output = Dir.File("mixed.avi");
  RunJoin([&] {
    EXPECT_FALSE(Join->cbxJoinWORecomp->isEnabled());
    EXPECT_FALSE(Join->cbxJoinWORecomp->isChecked());
    EXPECT_EQ(Join->lblNotes->text(), "<-- impossible because the selected files have different formats");
    Join->edtOutFileName->setText(Q(output));
    Join->cbxFameRate->setCurrentText("25.00");
    ChooseRecompression(160, 120);
  });
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_TRUE(DecodesCleanly(output));
  EXPECT_EQ(ProbeEntries(output, "stream=codec_name,width,height -select_streams v:0"), "mpeg4,160,120\n");
  EXPECT_NEAR(double(CountFrames(output, "v")), 50, 2);
}

TEST_F(JoinCommand, CopiesMp4FilesOfOneFormatAndNamesTheFileThatDiffers)
{
  const std::string larger = MakeMedia("joinui-larger.mp4", "-f lavfi -i testsrc=size=320x240:rate=15:duration=1 "
                                                            "-f lavfi -i sine=duration=1 -c:v mpeg4 -c:a aac -shortest");
  Main.AddFileList({Q(SmallMp4()), Q(larger)});
  WhenModal([this] {
    EXPECT_FALSE(Join->cbxJoinWORecomp->isEnabled());
    EXPECT_EQ(Join->lblNotes->text().toStdString(), "<-- impossible: joinui-larger.mp4: 320x240 MPEG4; the first file is 176x144 MPEG4");
    Join->reject();
  });
  Main.acnJoinFileExecute();

  Main.ClearList();
  Main.AddFileList({Q(SmallMp4()), Q(SmallMp4())});
  const std::string output = Dir.File("joined.mp4");
  RunJoin([&] {
    EXPECT_TRUE(Join->cbxJoinWORecomp->isEnabled());
    EXPECT_TRUE(Join->cbxJoinWORecomp->isChecked());
    EXPECT_EQ(Join->lblNotes->text(), "");
    Join->edtOutFileName->setText(Q(output));
  });
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_TRUE(DecodesCleanly(output));
  EXPECT_EQ(CountFrames(output, "v"), 2 * CountFrames(SmallMp4(), "v"));
}

TEST_F(JoinCommand, CancelShowsNothingAndKeepsThePartialOutput)
{
  const std::string output = Dir.File("partial.avi");
  // Presses Cancel on the progress dialog once it is up.
  RunLongJoin(output, [](TfrmProgress& progress) { progress.btnCancel->click(); });
  EXPECT_TRUE(Boxes.Shown.empty());
  const QString report = Main.lblJoinReport->text();
  EXPECT_TRUE(report.startsWith("Cancelled")) << report.toStdString();
  EXPECT_EQ(Main.frmJoinReport->lblHeadline->text(), report);
  if (QFile::exists(Q(output))) {
    EXPECT_TRUE(report.endsWith(" is kept in partial.avi")) << report.toStdString();
    EXPECT_TRUE(DecodesCleanly(output));
    EXPECT_LT(CountFrames(output, "v"), 1500);
  }
}

// Closing the window during a join asks; Yes cancels the join and the window closes after it.
TEST_F(JoinCommand, ClosingTheWindowDuringAJoinAsksAndCancelsIt)
{
  Main.show();
  Boxes.Answer = QMessageBox::Yes;
  // The test's application must outlive the window it closes.
  const bool quits = QGuiApplication::quitOnLastWindowClosed();
  QGuiApplication::setQuitOnLastWindowClosed(false);
  bool closed = false;
  RunLongJoin(Dir.File("closed.avi"), [&](TfrmProgress&) {
    if (!std::exchange(closed, true))
      Main.close();
  });
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "A join is running. Do you want to cancel it and close the program?");
  EXPECT_EQ(Boxes.Shown[0].Kind, mkConfirm);
  QGuiApplication::setQuitOnLastWindowClosed(quits);
  EXPECT_TRUE(Main.lblJoinReport->text().startsWith("Cancelled"));
  EXPECT_FALSE(Main.isVisible());
}

TEST_F(JoinCommand, FailureIsShownInTheReportOrAsJoinFailsAndCancelStartsNothing)
{
  Main.AddFileList({Q(MediaSmallAvi())});
  const std::string damaged = Dir.File("damaged.avi");
  const std::vector<uint8_t> bytes = ReadWholeFile(MediaSmallAvi());
  WriteWholeFile(damaged, std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() * 2 / 3));
  Main.AddFileList({Q(damaged)});
  RunJoin([&] { Join->edtOutFileName->setText(Q(Dir.File("out.avi"))); });
  EXPECT_TRUE(Boxes.Shown.empty());
  EXPECT_TRUE(Main.frmJoinReport->isVisible());
  EXPECT_TRUE(Main.frmJoinReport->lblHeadline->text().startsWith("Join failed: ")) << Main.frmJoinReport->lblHeadline->text().toStdString();
  EXPECT_TRUE(Main.frmJoinReport->lblHeadline->text().contains("damaged.avi"));
  EXPECT_FALSE(Main.frmJoinReport->btnPlay->isEnabled());

  // Without the report window, a failure still has its box.
  Main.frmJoinReport->cbxDontShowAgain->setChecked(true);
  Main.frmJoinReport->hide();
  RunJoin([&] { Join->edtOutFileName->setText(Q(Dir.File("again.avi"))); });
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_FALSE(Main.frmJoinReport->isVisible());
  EXPECT_TRUE(Boxes.Shown[0].Text.startsWith("Join fails: ")) << Boxes.Shown[0].Text.toStdString();
  EXPECT_EQ(Main.lblJoinReport->text(), "Join failed: " + Boxes.Shown[0].Text.mid(12).replace('\n', ' '));
  EXPECT_GT(Boxes.Shown[0].Text.size(), QString("Join fails: ").size());
  EXPECT_EQ(Boxes.Shown[0].Kind, mkWarning);
  EXPECT_EQ(Boxes.Shown[0].Buttons, QMessageBox::Ok);

  WhenModal([&] {
    Join->edtOutFileName->setText(Q(Dir.File("never.avi")));
    Join->btnCancel->click();
  });
  Main.acnJoinFileExecute();
  EXPECT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_FALSE(QFile::exists(Q(Dir.File("never.avi"))));
}

TEST_F(JoinCommand, ProjectsKeepTheListInItsOrder)
{
  const std::string first = Dir.File("b.avi");
  const std::string second = Dir.File("a.avi");
  RunCommand("cp " + ShellQuote(MediaSmallAvi()) + " " + ShellQuote(first) + " && cp " + ShellQuote(MediaSmallAvi()) +
             " " + ShellQuote(second));
  Main.AddFileList({Q(first), Q(second)});
  AnswerFileDialog(Q(Dir.File("project")));
  Main.acnSaveProjectExecute();
  const auto saved = ReadWholeFile(Dir.File("project.qrw"));
  EXPECT_EQ(std::string(saved.begin(), saved.end()), ProjectToText({first, second}));
  EXPECT_EQ(Main.LastProjectFolder(), Q(Dir.Path()));

  Main.ClearList();
  Main.AddFileList({Q(SmallMp4())});
  AnswerFileDialog(Q(Dir.File("project.qrw")));
  Main.acnLoadProjectExecute();
  EXPECT_EQ(ListedFiles(), (std::vector<std::string>{first, second}));
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(JoinCommand, CorruptedProjectLeavesTheListAlone)
{
  Main.AddFileList({Q(MediaSmallAvi())});
  const std::string bad = Dir.File("bad.qrw");
  const std::string text =
      "object TProjectSettings\r\n  Files.Strings = (\r\n    '/v/x.avi')\r\n  Count = 1\r\nend\r\n";
  WriteWholeFile(bad, std::vector<uint8_t>(text.begin(), text.end()));
  AnswerFileDialog(Q(bad));
  Main.acnLoadProjectExecute();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "The project file is corrupted.");
  EXPECT_EQ(Boxes.Shown[0].Kind, mkError);
  EXPECT_EQ(ListedFiles(), std::vector<std::string>{MediaSmallAvi()});
  // The folder is remembered even though the load failed.
  EXPECT_EQ(Main.LastProjectFolder(), Q(Dir.Path()));
}
