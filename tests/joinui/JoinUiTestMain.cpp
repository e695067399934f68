#include "JoinUiTest.h"

#include "support/TestSupport.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QSettings>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// One application object, a private settings folder and the "C" number format for the binary.
class TQtEnvironment : public testing::Environment {
public:
  void SetUp() override
  {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    FSettingsDir = std::make_unique<TTempDir>();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(FSettingsDir->Path()));
    FApplication = std::make_unique<QApplication>(FArgc, FArgv);
    QApplication::setApplicationName("Quillon Reelweld");
    QLocale::setDefault(QLocale::c());
  }

  void TearDown() override
  {
    FApplication.reset();
    FSettingsDir.reset();
  }

private:
  int FArgc = 1;
  char FName[13] = "tests_joinui";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<QApplication> FApplication;
  std::unique_ptr<TTempDir> FSettingsDir;
};

[[maybe_unused]] testing::Environment* const QtEnvironment = testing::AddGlobalTestEnvironment(new TQtEnvironment);

} // namespace

TMessageBoxRecorder::TMessageBoxRecorder(QMessageBox::StandardButton Answer) : Answer(Answer)
{
  TfrmMain::SetMessageBoxHandler([this](const QString& Text, TMessageKind Kind, QMessageBox::StandardButtons Buttons) {
    Shown.push_back({Text, Kind, Buttons});
    return this->Answer;
  });
}

TMessageBoxRecorder::~TMessageBoxRecorder()
{
  TfrmMain::SetMessageBoxHandler({});
}

void WhenModal(std::function<void()> Action)
{
  // Polls, because the modal loop starts only after the caller's code has set things up; waits
  // for a window other than the one that is modal now.
  QPointer<QWidget> before = QApplication::activeModalWidget();
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, before, Action] {
    QWidget* active = QApplication::activeModalWidget();
    if (active == nullptr || active == before)
      return;
    timer->stop();
    timer->deleteLater();
    Action();
  });
  timer->start(10);
}

void AnswerFileDialog(const QString& Text)
{
  WhenModal([Text] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(Text);
    QMetaObject::invokeMethod(dialog, "accept");
  });
}

TFakeList& TFakeList::Add(const std::string& Type, uint16_t Width, uint16_t Height, double Rate, bool HasAudio)
{
  TVideoFileInfo& info = FInfos.emplace_back();
  info.FileName = "/v/" + std::to_string(FInfos.size()) + ".avi";
  info.TypeName = Type;
  info.Width = Width;
  info.Height = Height;
  info.FrameRate = Rate;
  info.HasAudio = HasAudio;
  return *this;
}

TJoinList TFakeList::List()
{
  std::vector<TVideoFileInfo*> entries;
  for (TVideoFileInfo& info : FInfos)
    entries.push_back(&info);
  MarkDifferences(entries);
  return TJoinList(entries.begin(), entries.end());
}
