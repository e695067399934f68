#include "ui/MainForm.h"

#include "core/JoinCls.h"
#include "core/JoinDecisions.h"
#include "core/JoinReport.h"
#include "core/VideoUtils.h"
#include "ui/Application.h"
#include "ui/FileDlg.h"
#include "ui/JoinForm.h"
#include "ui/JoinReportDlg.h"
#include "core/SaveProjectCls.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>

namespace {

// Made once at start-up and kept, with its settings, for every join.
QPointer<TfrmJoin> frmJoin;

TJoinList JoinListOf(const TfrmMain& Main)
{
  TJoinList list;
  for (int i = 0; i < Main.Count(); ++i)
    list.push_back(&Main.FileInfo(i));
  return list;
}

std::string LocalPath(const QString& FileName)
{
  return QFile::encodeName(FileName).toStdString();
}

// The folder of a chosen file, without a trailing separator except for the root.
QString FolderOf(const QString& FileName)
{
  return QFileInfo(FileName).absolutePath();
}

} // namespace

void CreateJoinOptionsDialog(TfrmMain* Owner)
{
  frmJoin = new TfrmJoin(Owner);
}

void TfrmMain::acnJoinFileExecute()
{
  if (Count() == 0)
    return;
  if (!frmJoin)
    CreateJoinOptionsDialog(this);
  const TJoinList list = JoinListOf(*this);
  const TJoinFacts facts = ComputeJoinFacts(list);
  if (!frmJoin->ShowJoinOptions(list, facts.CanJoinWORecomp, facts.DropAudio, facts.NoAudio))
    return;
  const TJoinChoices choices = frmJoin->Choices();
  // The report of the join before gives way.
  lblJoinReport->clear();
  lblJoinReport->setToolTip(QString());
  FJoinRunning = true;
  const TJoinEnd end = JoinAndReport(list, choices);
  FJoinRunning = false;
  QStringList lines;
  for (const std::string& line : JoinReportLines(end.Outcome, end.Report))
    lines << QString::fromStdString(line);
  ShowJoinReport(lines, QFile::decodeName(QByteArray::fromStdString(WrittenFile(end.Outcome, end.Report))));
  // A failure is never told only on the status line.
  if (!end.Report.Failure.empty() && !FCloseAfterJoin && !frmJoinReport->isVisible())
    ShowMessageBox("Join fails: " + QString::fromStdString(end.Report.Failure), mkWarning, QMessageBox::Ok);
  // The user asked to close while the join ran; it has stopped now.
  if (FCloseAfterJoin)
    close();
}

void TfrmMain::acnLoadProjectExecute()
{
  TFileOpenDialog dialog;
  dialog.OwnerHandle = this;
  dialog.MultiSelect = false;
  if (!LastProjectFolder().isEmpty())
    dialog.InitialDir = LastProjectFolder();
  dialog.Filter = "Project Files|*.qrw|All Files|*.*";
  if (!dialog.Execute())
    return;
  SetLastProjectFolder(FolderOf(dialog.FileName));
  TProjectSettings project;
  try {
    project.LoadFromFile(LocalPath(dialog.FileName));
  } catch (const std::exception& e) {
    // The list stays as it was.
    ShowException(e);
    return;
  }
  QStringList names;
  for (const std::string& file : project.Files())
    names << QFile::decodeName(QByteArray::fromStdString(file));
  ClearList();
  AddFileList(names);
  UpdateCommands();
  UpdateStatusBar();
}

void TfrmMain::acnSaveProjectExecute()
{
  TFileSaveDialog dialog;
  dialog.OwnerHandle = this;
  if (!LastProjectFolder().isEmpty())
    dialog.InitialDir = LastProjectFolder();
  dialog.Filter = "Project File|*.qrw";
  dialog.DefaultExt = "qrw";
  dialog.Title = "Select the project file name";
  if (!dialog.Execute())
    return;
  TProjectSettings project;
  TProjectSettings::TFileList files;
  for (int i = 0; i < Count(); ++i)
    files.push_back(FileInfo(i).FileName);
  project.SetFiles(files);
  try {
    project.SaveToFile(LocalPath(dialog.FileName));
  } catch (const std::exception& e) {
    ShowException(e);
    return;
  }
  SetLastProjectFolder(FolderOf(dialog.FileName));
}
