#include "joinui/FakeList.h"

#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDialogs.h"
#include "ui/CompressorOptions.h"
#include "ui/EditLib.h"
#include "ui/JoinForm.h"
#include "ui/ProgressDlg.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

// Pictures of the join options dialog for a person to look at: scripts/screenshots.sh runs this
// program, which is no test, with the folder in REELWELD_SCREENSHOTS.
namespace {

using TCompressorOptionsMap = std::map<std::string, std::string>;

QString ShotFolder()
{
  return qEnvironmentVariable("REELWELD_SCREENSHOTS");
}

void Save(QWidget& Window, const QString& Name)
{
  for (int i = 0; i < 10; ++i)
    QApplication::processEvents();
  ASSERT_TRUE(Window.grab().save(ShotFolder() + "/" + Name + ".png"));
}

// Shows the dialog for the list, lets Arrange set it up, takes its picture and cancels it.
void Shoot(TfrmJoin& Form, TFakeList& Files, const QString& Name, std::function<void()> Arrange = {})
{
  const TJoinList list = Files.List();
  const TJoinFacts facts = ComputeJoinFacts(list);
  WhenModal([&] {
    if (Arrange)
      Arrange();
    Save(Form, Name);
    Form.reject();
  });
  Form.ShowJoinOptions(list, facts.CanJoinWORecomp, facts.DropAudio, facts.NoAudio);
}

} // namespace

TEST(JoinScreenshots, JoinOptionsDialogInItsStates)
{
  ASSERT_FALSE(ShotFolder().isEmpty()) << "REELWELD_SCREENSHOTS names no folder";
  TfrmJoin form;

  TFakeList same;
  Shoot(form, same.Add("AVI", 640, 480, 25).Add("AVI", 640, 480, 25), "join-ticked",
        [&] { form.edtOutFileName->setText("/home/user/Videos/holiday.avi"); });

  TFakeList oneSilent;
  Shoot(form, oneSilent.Add("AVI", 640, 480, 25).Add("AVI", 640, 480, 25, false), "join-without-sound", [&] {
    form.edtOutFileName->setText("/home/user/Videos/holiday.avi");
    form.cbxJoinWORecomp->setChecked(true);
  });

  TFakeList mixed;
  Shoot(form, mixed.Add("AVI", 640, 480, 25).Add("WMV", 352, 288, 29.97), "join-different-formats", [&] {
    form.edtOutFileName->setText("/home/user/Videos/mixed.avi");
    form.edtFrameWidth->SetValue(321);
  });

  TMessageBoxRecorder boxes;
  Shoot(form, mixed, "join-optimal-settings", [&] { form.Button1->click(); });

  Shoot(form, mixed, "join-mp4", [&] { form.edtOutFileName->setText("/home/user/Videos/mixed.mp4"); });
  Shoot(form, mixed, "join-webm-refused", [&] {
    form.edtOutFileName->setText("/home/user/Videos/mixed.mp4");
    form.edtOutFileName->setText("/home/user/Videos/mixed.webm");
  });

  for (const auto& [encoder, options] :
       {std::pair<std::string, TCompressorOptionsMap>{"mpeg4", {{"b", "800k"}}}, {"libx264", {}}, {"aac", {}}}) {
    TCompressorFilter filter{encoder, encoder == "aac", options};
    if (options.empty())
      filter.Options = DefaultEncoderOptions(encoder);
    TfrmCompressorOptions dialog(filter);
    dialog.show();
    Save(dialog, QString::fromStdString("compressor-options-" + encoder));
  }
}

// The main window's status bar after a join, a cancelled join and a failed one.
TEST(JoinScreenshots, StatusBarAfterAJoinACancelAndAFailure)
{
  if (ShotFolder().isEmpty())
    GTEST_SKIP() << "REELWELD_SCREENSHOTS is not set";
  SetProgressDialogFactory([] { return std::make_unique<TfrmProgress>(); });
  TTempDir dir;
  TMessageBoxRecorder boxes;
  TfrmMain main;
  CreateJoinOptionsDialog(&main);
  auto* join = main.findChild<TfrmJoin*>();
  main.resize(900, 320);
  main.show();
  const QString small = QString::fromStdString(MediaSmallAvi());
  const QString longer = QString::fromStdString(
      MakeMedia("shot-long.avi", "-f lavfi -i testsrc=size=640x480:rate=25:duration=60 -c:v mpeg4 -q:v 5"));
  const struct {
    QStringList Files;
    std::string Output;
    bool Cancel;
    QString Name;
  } shots[] = {
      {{small, small}, dir.File("holiday.avi"), false, "status-joined"},
      {{longer}, dir.File("partial.avi"), true, "status-cancelled"},
      {{small}, dir.File("missing/out.avi"), false, "status-failed"},
  };
  for (const auto& shot : shots) {
    main.ClearList();
    main.AddFileList(shot.Files);
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
      for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* progress = qobject_cast<TfrmProgress*>(window); progress != nullptr && progress->isVisible())
          progress->btnCancel->click();
    });
    if (shot.Cancel)
      cancel.start(300);
    WhenModal([&] {
      join->cbxJoinWORecomp->setChecked(!shot.Cancel);
      join->edtOutFileName->setText(QString::fromStdString(shot.Output));
      join->btnJoin->click();
    });
    main.acnJoinFileExecute();
    Save(main, shot.Name);
  }
  SetProgressDialogFactory({});
}
