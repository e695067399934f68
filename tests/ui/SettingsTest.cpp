#include "ui/Settings.h"
#include "support/TestSupport.h"
#include "support/qt/PrintQString.h"
#include "support/qt/QtEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

const QString Key = "\\Software\\Quillon\\reelweld";
const QString FormKey = Key + "\\forms\\frmMain";

QSettings Store()
{
  return QSettings(QSettings::IniFormat, QSettings::UserScope, "Quillon", "reelweld");
}

QStringList StoredFormValues()
{
  QSettings store(QSettings::IniFormat, QSettings::UserScope, "Quillon", "reelweld");
  store.beginGroup("Software/Quillon/reelweld/forms/frmMain");
  return store.childKeys();
}

class Settings : public testing::Test {
protected:
  void SetUp() override { ClearSettings(); }
  void TearDown() override
  {
    QDir(SettingsFolder() + "/Quillon/reelweld.ini").removeRecursively();
    ClearSettings();
  }
};

} // namespace

TEST_F(Settings, StringsAreStoredUnderTheKeyPathAndMissingOnesReadEmpty)
{
  EXPECT_EQ(ReadSettingString(Key, "LastOpenFolder"), "");
  WriteSettingString(Key, "LastOpenFolder", "/home/u/Videos, old");
  WriteSettingString(Key, "LastSaveFolder", "");
  EXPECT_EQ(ReadSettingString(Key, "LastOpenFolder"), "/home/u/Videos, old");
  EXPECT_EQ(Store().value("Software/Quillon/reelweld/LastOpenFolder").toString(), "/home/u/Videos, old");
  EXPECT_TRUE(Store().contains("Software/Quillon/reelweld/LastSaveFolder"));
}

TEST_F(Settings, PlacementOfANormalWindowRoundTrips)
{
  QWidget window;
  window.setGeometry(100, 120, 500, 300);
  SaveFormPlacement(FormKey, window);
  EXPECT_EQ(StoredFormValues().size(), 5);
  EXPECT_EQ(Store().value("Software/Quillon/reelweld/forms/frmMain/WindowState").toInt(), 0);

  QWidget restored;
  restored.setGeometry(0, 0, 50, 50);
  LoadFormPlacement(FormKey, restored, false);
  EXPECT_EQ(restored.pos(), window.pos());
  EXPECT_EQ(restored.size(), QSize(500, 300));
  EXPECT_FALSE(restored.windowState() & Qt::WindowMaximized);

  QWidget positionOnly;
  positionOnly.setGeometry(0, 0, 50, 50);
  LoadFormPlacement(FormKey, positionOnly, true);
  EXPECT_EQ(positionOnly.pos(), window.pos());
  EXPECT_EQ(positionOnly.size(), QSize(50, 50));
}

TEST_F(Settings, MaximisedKeepsTheNormalBoundsAndMinimisedWritesNothing)
{
  QWidget window;
  window.setGeometry(100, 120, 500, 300);
  SaveFormPlacement(FormKey, window);

  window.setGeometry(0, 0, 900, 700);
  window.setWindowState(Qt::WindowMaximized);
  SaveFormPlacement(FormKey, window);
  QWidget restored;
  LoadFormPlacement(FormKey, restored, false);
  EXPECT_EQ(restored.size(), QSize(500, 300));
  EXPECT_TRUE(restored.windowState() & Qt::WindowMaximized);

  ClearSettings();
  window.setWindowState(Qt::WindowMinimized);
  SaveFormPlacement(FormKey, window);
  EXPECT_TRUE(StoredFormValues().isEmpty());
}

TEST_F(Settings, EachStoredValueIsAppliedOnItsOwnAndStrayStatesAreIgnored)
{
  Store().setValue("Software/Quillon/reelweld/forms/frmMain/Left", 77);
  Store().setValue("Software/Quillon/reelweld/forms/frmMain/WindowState", 2);
  QWidget window;
  window.setGeometry(10, 20, 300, 200);
  LoadFormPlacement(FormKey, window, false);
  EXPECT_EQ(window.x(), 77);
  EXPECT_EQ(window.size(), QSize(300, 200));
  EXPECT_EQ(window.windowState(), Qt::WindowNoState);
}

TEST_F(Settings, FailuresCarryTheValueName)
{
  Store().setValue("Software/Quillon/reelweld/forms/frmMain/Top", "high");
  QWidget window;
  EXPECT_EQ(ErrorOf([&] { LoadFormPlacement(FormKey, window, false); }), "Invalid data type for 'Top'");
  Store().setValue("Software/Quillon/reelweld/forms/frmMain/Top", QStringList{"a", "b"});
  EXPECT_EQ(ErrorOf([&] { LoadFormPlacement(FormKey, window, false); }), "Invalid data type for 'Top'");

  // A folder where the settings file belongs can be neither read nor written.
  QFile::remove(SettingsFolder() + "/Quillon/reelweld.ini");
  ASSERT_TRUE(QDir().mkpath(SettingsFolder() + "/Quillon/reelweld.ini"));
  EXPECT_EQ(ErrorOf([] { WriteSettingString(Key, "LastOpenFolder", "/x"); }), "Failed to set data for 'LastOpenFolder'");
  EXPECT_EQ(ErrorOf([] { ReadSettingString(Key, "LastOpenFolder"); }), "Failed to get data for 'LastOpenFolder'");
}
