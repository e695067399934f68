#include "support/TestSupport.h"
#include "support/qt/QtEnvironment.h"
#include "ui/About.h"
#include "support/qt/ModalDialogs.h"
#include "ui/FileListView.h"
#include "ui/JoinForm.h"
#include "ui/JoinReportDlg.h"
#include "ui/MainForm.h"
#include "ui/ProgressDlg.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

// Pictures of the windows for a person to look at: scripts/screenshots.sh runs this program,
// which is no test, with the folder in REELWELD_SCREENSHOTS.
namespace {

QString ShotFolder()
{
  return qEnvironmentVariable("REELWELD_SCREENSHOTS");
}

void Save(QWidget& Window, const QString& Name)
{
  Window.show();
  for (int i = 0; i < 10; ++i)
    QApplication::processEvents();
  ASSERT_TRUE(Window.grab().save(ShotFolder() + "/" + Name + ".png"));
}

} // namespace

TEST(Screenshots, MainWindowAboutBoxAndProgressDialog)
{
  ASSERT_FALSE(ShotFolder().isEmpty()) << "REELWELD_SCREENSHOTS names no folder";
  ClearSettings();
  QApplication::setWindowIcon(QIcon(":/icons/reelweld.png"));
  TfrmMain form;
  form.setWindowTitle("Quillon Reelweld");
  form.AddFileList({QString::fromStdString(MediaAviMpeg4Mp3()),
                    QString::fromStdString(MakeMedia("small.avi", "-f lavfi -i testsrc=size=320x240:rate=30:duration=2 "
                                                                  "-c:v mpeg4 -q:v 5")),
                    QString::fromStdString(MediaMpeg1System())});
  form.UpdateCommands();
  form.UpdateStatusBar();
  form.miHighlightDifferents->setChecked(true);
  Save(form, "main-window");

  TAboutForm about(ProductInfo, &form);
  Save(about, "about-box");

  TfrmProgress progress;
  double now = 0;
  progress.SetClock([&now] { return now; });
  progress.SetCaption("Joining...");
  progress.SetText("Joining 3 files into joined.avi");
  progress.Show();
  progress.SetProgress(30);
  now = 10;
  progress.SetProgress(42.5);
  Save(progress, "progress-dialog");
}

// A copy join of three phone clips, the middle one cut short: the report, and the main window's
// status line after it.
TEST(Screenshots, JoinReport)
{
  ASSERT_FALSE(ShotFolder().isEmpty()) << "REELWELD_SCREENSHOTS names no folder";
  ClearSettings();
  TTempDir dir;
  const std::string whole = MakeMedia("phone-4s.mp4", "-f lavfi -i testsrc=size=320x240:rate=30:duration=4 -f lavfi -i "
                                                      "sine=duration=4 -c:v libx264 -c:a aac -shortest -movflags "
                                                      "+faststart");
  const std::vector<uint8_t> bytes = ReadWholeFile(whole);
  const std::string damaged = dir.File("damaged.mp4");
  WriteWholeFile(damaged, std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 3));
  TfrmMain form;
  form.setWindowTitle("Quillon Reelweld");
  CreateJoinOptionsDialog(&form);
  form.AddFileList({QString::fromStdString(whole), QString::fromStdString(damaged), QString::fromStdString(whole)});
  form.UpdateCommands();
  form.UpdateStatusBar();
  form.show();
  auto* join = form.findChild<TfrmJoin*>();
  ASSERT_NE(join, nullptr);
  WhenModal([&] {
    join->edtOutFileName->setText(QString::fromStdString(dir.File("holiday.mp4")));
    join->btnJoin->click();
  });
  form.acnJoinFileExecute();
  Save(*form.frmJoinReport, "join-report");
  Save(form, "main-window-after-join");
}

// Two phone clips, the second with a French sound track and subtitles besides: the main window,
// the join dialog's note, and the report of a join under a name whose container cannot hold them.
TEST(Screenshots, ClipsThatDifferInAStream)
{
  ASSERT_FALSE(ShotFolder().isEmpty()) << "REELWELD_SCREENSHOTS names no folder";
  ClearSettings();
  TTempDir dir;
  const std::string clip = MakeMedia("clip1.mp4", "-f lavfi -i testsrc=size=320x240:rate=30:duration=3 -f lavfi -i "
                                                  "sine=duration=3 -c:v libx264 -c:a aac -metadata:s:a:0 language=eng");
  const std::string srt = dir.File("cues.srt");
  const std::string cues = "1\n00:00:00,500 --> 00:00:02,000\nBonjour\n";
  WriteWholeFile(srt, std::vector<uint8_t>(cues.begin(), cues.end()));
  const std::string dubbed = MakeMedia("clip2.mp4", "-i " + ShellQuote(clip) + " -f lavfi -i sine=f=500:duration=3 -i " +
                                                    ShellQuote(srt) + " -map 0 -map 1 -map 2 -c:v copy -c:a aac "
                                                    "-c:s mov_text -metadata:s:a:1 language=fre");
  TfrmMain form;
  form.setWindowTitle("Quillon Reelweld");
  CreateJoinOptionsDialog(&form);
  form.AddFileList({QString::fromStdString(clip), QString::fromStdString(dubbed)});
  form.UpdateCommands();
  form.UpdateStatusBar();
  form.miHighlightDifferents->setChecked(true);
  form.show();
  Save(form, "main-window-second-sound");
  auto* join = form.findChild<TfrmJoin*>();
  ASSERT_NE(join, nullptr);
  WhenModal([&] {
    join->edtOutFileName->setText(QString::fromStdString(dir.File("holiday.mkv")));
    Save(*join, "join-second-sound");
    join->edtOutFileName->setText(QString::fromStdString(dir.File("holiday.avi")));
    join->btnJoin->click();
  });
  form.acnJoinFileExecute();
  Save(*form.frmJoinReport, "join-report-written-as");
}
