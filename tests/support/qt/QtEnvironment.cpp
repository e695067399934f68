#include "support/qt/QtEnvironment.h"

#include "support/TestSupport.h"
#include "ui/Application.h"

#include <QLocale>
#include <QSettings>

#include <gtest/gtest.h>

#include <memory>

namespace {

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
    // Decimal points in expected texts do not depend on the machine's language.
    QLocale::setDefault(QLocale::c());
  }

  void TearDown() override
  {
    FApplication.reset();
    FSettingsDir.reset();
  }

  static QString Folder() { return QString::fromStdString(FSettingsDir->Path()); }

private:
  int FArgc = 1;
  char FName[15] = "reelweld-tests";
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
