#include "ui/ShellUtils.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

bool ShellOpenFile(const QString& FileName)
{
  return QDesktopServices::openUrl(QUrl::fromLocalFile(FileName));
}

void ShellOpenUrl(const QString& Url)
{
  QDesktopServices::openUrl(QUrl(Url));
}

QString FindManual(const QString& ProgramDir, const QString& DocFromProgram)
{
  const QString beside = ProgramDir + "/manual.html";
  const QString installed = QDir::cleanPath(ProgramDir + "/" + DocFromProgram + "/manual.html");
  return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
}
