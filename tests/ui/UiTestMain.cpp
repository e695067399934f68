#include "UiTest.h"

#include "ui/Application.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QSettings>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The program's application object and one settings folder for the whole test binary.
class TQtEnvironment : public testing::Environment {
public:
  void SetUp() override
  {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    FSettingsDir = std::make_unique<TTempDir>();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(FSettingsDir->Path()));
    FApplication = std::make_unique<TReelweldApplication>(FArgc, FArgv);
    QApplication::setApplicationName("Quillon Reelweld");
  }

  void TearDown() override
  {
    FApplication.reset();
    FSettingsDir.reset();
  }

  static QString Folder() { return QString::fromStdString(FSettingsDir->Path()); }

private:
  int FArgc = 1;
  char FName[9] = "tests_ui";
  char* FArgv[2] = {FName, nullptr};
  std::unique_ptr<TReelweldApplication> FApplication;
  static inline std::unique_ptr<TTempDir> FSettingsDir;
};

[[maybe_unused]] testing::Environment* const QtEnvironment = testing::AddGlobalTestEnvironment(new TQtEnvironment);

} // namespace

QString SettingsFolder()
{
  return TQtEnvironment::Folder();
}

void ClearSettings()
{
  QSettings(QSettings::IniFormat, QSettings::UserScope, "Quillon", "reelweld").clear();
}

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
