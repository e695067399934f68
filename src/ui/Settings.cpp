#include "ui/Settings.h"

#include "platform/Exceptions.h"

#include <QSettings>
#include <QWidget>

#include <optional>

namespace {

// The registry key path as a group of the settings file: "\A\B" and "A\B" both become "A/B".
class TSettingsKey {
public:
  explicit TSettingsKey(const QString& Path)
      : FSettings(QSettings::IniFormat, QSettings::UserScope, "Quillon", "reelweld")
  {
    QString group = Path;
    group.replace('\\', '/');
    while (group.startsWith('/'))
      group.remove(0, 1);
    FSettings.beginGroup(group);
  }

  void CheckRead(const QString& Name) const
  {
    if (FSettings.status() != QSettings::NoError)
      throw Exception("Failed to get data for '" + Name.toStdString() + "'");
  }

  std::optional<QString> ReadString(const QString& Name) const
  {
    CheckRead(Name);
    if (!FSettings.contains(Name))
      return std::nullopt;
    const QVariant value = FSettings.value(Name);
    if (value.typeId() != QMetaType::QString)
      throw Exception("Invalid data type for '" + Name.toStdString() + "'");
    return value.toString();
  }

  // Integers come back as text from the file, as numbers while the store still holds them.
  std::optional<int32_t> ReadInteger(const QString& Name) const
  {
    CheckRead(Name);
    if (!FSettings.contains(Name))
      return std::nullopt;
    const QVariant value = FSettings.value(Name);
    bool ok = false;
    int32_t number = 0;
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::Int ||
        value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::UInt)
      number = value.toInt(&ok);
    if (!ok)
      throw Exception("Invalid data type for '" + Name.toStdString() + "'");
    return number;
  }

  void Write(const QString& Name, const QVariant& Value)
  {
    FSettings.setValue(Name, Value);
    FSettings.sync();
    if (FSettings.status() != QSettings::NoError)
      throw Exception("Failed to set data for '" + Name.toStdString() + "'");
  }

private:
  QSettings FSettings;
};

} // namespace

QString ReadSettingString(const QString& Path, const QString& Name)
{
  return TSettingsKey(Path).ReadString(Name).value_or(QString());
}

void WriteSettingString(const QString& Path, const QString& Name, const QString& Text)
{
  TSettingsKey(Path).Write(Name, Text);
}

void LoadFormPlacement(const QString& Path, QWidget& Window, bool PositionOnly)
{
  const TSettingsKey key(Path);
  if (const auto top = key.ReadInteger("Top"))
    Window.move(Window.x(), *top);
  if (const auto left = key.ReadInteger("Left"))
    Window.move(*left, Window.y());
  if (PositionOnly)
    return;
  if (const auto width = key.ReadInteger("Width"))
    Window.resize(*width, Window.height());
  if (const auto height = key.ReadInteger("Height"))
    Window.resize(Window.width(), *height);
  if (const auto state = key.ReadInteger("WindowState")) {
    if (*state == 0)
      Window.setWindowState(Window.windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    else if (*state == 1)
      Window.setWindowState((Window.windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
  }
}

void SaveFormPlacement(const QString& Path, const QWidget& Window)
{
  if (Window.isMinimized())
    return;
  TSettingsKey key(Path);
  if (Window.isMaximized()) {
    key.Write("WindowState", 1);
    return;
  }
  key.Write("Top", Window.y());
  key.Write("Left", Window.x());
  key.Write("Width", Window.width());
  key.Write("Height", Window.height());
  key.Write("WindowState", 0);
}
