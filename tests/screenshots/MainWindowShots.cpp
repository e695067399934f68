#include "support/TestSupport.h"
#include "support/qt/QtEnvironment.h"
#include "ui/About.h"
#include "ui/FileListView.h"
#include "ui/MainForm.h"
#include "ui/ProgressDlg.h"

#include <QAction>
#include <QApplication>
#include <QIcon>

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
