#pragma once

#include <QString>

// The Qt test binaries share one application object (the desktop program's), a private settings
// folder and the "C" number format, set up before their first test.

// The settings folder of this test run (QSettings points there).
QString SettingsFolder();
// Removes every stored setting.
void ClearSettings();
