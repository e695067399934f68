#pragma once

#include <QString>

class QWidget;

// The per-user settings, in one ini file of the user's configuration folder (tests point
// QSettings::setPath at a folder of their own). Paths are registry-style key paths such as
// "\Software\Quillon\reelweld\forms\frmMain"; each function opens the store, does its work and
// closes it. Failures raise Exception: "Invalid data type for '%s'", "Failed to get data for
// '%s'", "Failed to set data for '%s'".

// The value, or empty when it does not exist.
QString ReadSettingString(const QString& Path, const QString& Name);
void WriteSettingString(const QString& Path, const QString& Name, const QString& Text);
// "Top", "Left" and, unless PositionOnly, "Width", "Height" and "WindowState" (0 normal,
// 1 maximised), each applied only when present.
void LoadFormPlacement(const QString& Path, QWidget& Window, bool PositionOnly);
// Normal: the bounds and WindowState 0; maximised: only WindowState 1; minimised: nothing.
void SaveFormPlacement(const QString& Path, const QWidget& Window);
