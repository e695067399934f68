#pragma once

#include <QString>

// Asks the desktop to open a file with its associated application; false when no program could
// be started for it.
bool ShellOpenFile(const QString& FileName);
// Asks the desktop to open an address (a web page, a mail address).
void ShellOpenUrl(const QString& Url);
// The manual: beside the program in a build folder, in the install's documentation folder
// (DocFromProgram, relative to the program's folder) after installing. The first of the two
// that exists; the one beside the program when neither does.
QString FindManual(const QString& ProgramDir, const QString& DocFromProgram);
