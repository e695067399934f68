#include "ui/MainForm.h"

#include "core/JoinCls.h"
#include "core/JoinDecisions.h"
#include "core/JoinReport.h"
#include "core/VideoUtils.h"
#include "ui/Application.h"
#include "ui/FileDlg.h"
#include "ui/JoinForm.h"
#include "core/SaveProjectCls.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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
  TJoinFileList files;
  for (const TVideoFileInfo* info : list)
    files.FileNames.push_back(info->FileName);
  files.FirstTypeName = list.front()->TypeName;
  files.FirstFrameRate = list.front()->FrameRate;
  files.FirstContainer = list.front()->CopyFormat.Container;
  const TJoinChoices choices = frmJoin->Choices();
  QElapsedTimer clock;
  clock.start();
  FJoinRunning = true;
  try {
    const TJoinOutcome outcome = JoinFiles(files, choices);
    FJoinRunning = false;
    const QFileInfo output(QFile::decodeName(QByteArray::fromStdString(choices.OutFileName)));
    const TJoinReport report = {Count(), output.fileName().toStdString(), output.size(), clock.elapsed() / 1000.0};
    QStringList notes;
    for (const std::string& note : outcome.SeamNotes)
      notes << QString::fromStdString(note);
    for (const std::string& warning : outcome.Warnings)
      notes << QString::fromStdString(warning);
    ShowJoinReport(QString::fromStdString(JoinReportText(outcome, report)), notes.join('\n'));
  } catch (const std::exception& e) {
    FJoinRunning = false;
    ShowJoinReport(QString::fromStdString(JoinFailureText(e.what())), {});
    if (!FCloseAfterJoin)
      ShowMessageBox("Join fails: " + QString::fromStdString(e.what()), mkWarning, QMessageBox::Ok);
  }
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
