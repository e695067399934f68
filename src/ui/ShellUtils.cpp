#include "ui/ShellUtils.h"

#include <QDesktopServices>
#include <QUrl>

void ShellOpenFile(const QString& FileName)
{
  QDesktopServices::openUrl(QUrl::fromLocalFile(FileName));
}

void ShellOpenUrl(const QString& Url)
{
  QDesktopServices::openUrl(QUrl(Url));
}
