#include "ui/FileDlg.h"

#include <QFileDialog>

QStringList FilterToNameFilters(const QString& Filter)
{
  QStringList parts = Filter.split('|');
  if (!parts.isEmpty() && parts.last().isEmpty())
    parts.removeLast();
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    // "*.*" means every file on the system these filters come from, also names without a dot.
    for (QString& pattern : patterns)
      if (pattern == "*.*")
        pattern = "*";
    filters << parts[i] + " (" + patterns.join(' ') + ")";
  }
  return filters;
}

void TFileCommonDialog::Prepare(QFileDialog& Dialog) const
{
  if (!InitialDir.isEmpty())
    Dialog.setDirectory(InitialDir);
  if (!Title.isEmpty())
    Dialog.setWindowTitle(Title);
  const QStringList filters = FilterToNameFilters(Filter);
  if (!filters.isEmpty()) {
    Dialog.setNameFilters(filters);
    Dialog.selectNameFilter(filters.value(std::max(FilterIndex, 1) - 1, filters.first()));
  }
}

bool TFileOpenDialog::Execute()
{
  if (MultiSelect)
    Flags |= OFN_ALLOWMULTISELECT;
  else
    Flags &= ~OFN_ALLOWMULTISELECT;
  QFileDialog dialog(OwnerHandle);
  Prepare(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (MultiSelect)
    dialog.setFileMode(QFileDialog::ExistingFiles);
  else
    dialog.setFileMode(Flags & OFN_FILEMUSTEXIST ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return false;
  const QStringList chosen = dialog.selectedFiles();
  FileName = chosen.first();
  if (MultiSelect)
    Files = chosen;
  return true;
}

bool TFileSaveDialog::Execute()
{
  QFileDialog dialog(OwnerHandle);
  Prepare(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!DefaultExt.isEmpty())
    dialog.setDefaultSuffix(DefaultExt);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !(Flags & OFN_OVERWRITEPROMPT));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return false;
  FileName = dialog.selectedFiles().first();
  return true;
}
