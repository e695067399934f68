#pragma once

#include <QString>

// Asks the desktop to open a file with its associated application; the result is not examined.
void ShellOpenFile(const QString& FileName);
// Asks the desktop to open an address (a web page, a mail address).
void ShellOpenUrl(const QString& Url);
