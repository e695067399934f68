#include "joinui/FakeList.h"

#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDialogs.h"
#include "ui/CompressorOptions.h"
#include "ui/EditLib.h"
#include "ui/JoinForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

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
