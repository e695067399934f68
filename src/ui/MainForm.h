#pragma once

#include <QKeySequence>
#include <QMainWindow>
#include <QMessageBox>
#include <QStringList>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QTreeWidgetItem;
class TFileListView;
class TfrmJoinReport;
struct TVideoFileInfo;

// The kinds of message box the program shows.
enum TMessageKind {
  mkWarning,     // caption "Warning", warning icon
  mkConfirm,     // caption "Confirm", question icon
  mkError,       // the application's error box: caption = application title, error icon
  mkInformation, // caption "Information", information icon (the join options dialog's notes)
};

// Answers message boxes instead of the user (tests install one).
using TMessageBoxHandler = std::function<QMessageBox::StandardButton(const QString& Text, TMessageKind Kind,
                                                                     QMessageBox::StandardButtons Buttons)>;

// The main window: the ordered list of input files and the commands over it.
class TfrmMain : public QMainWindow {
  Q_OBJECT

public:
  explicit TfrmMain(QWidget* Parent = nullptr);
  ~TfrmMain() override;

  // The one main window of the program, or null.
  static TfrmMain* Instance();

  // The list, in join order; entry 0 is the reference of the difference flags.
  int Count() const;
  TVideoFileInfo& FileInfo(int Index) const;
  QString Caption(int Index) const;
  // Describes and appends the files in the given order, asking about each file that fails.
  void AddFileList(const QStringList& Names);
  void ClearList();
  int SelectedIndex() const; // -1 when nothing is selected
  void SelectEntry(int Index);
  void MoveEntry(int Index, int Target);
  void UpdateCommands();
  void UpdateStatusBar();
  QString StatusText(int Panel) const;

  const QString& LastOpenFolder() const { return FLastOpenFolder; }
  void SetLastOpenFolder(const QString& Folder) { FLastOpenFolder = Folder; }
  const QString& LastSaveFolder() const { return FLastSaveFolder; }
  void SetLastSaveFolder(const QString& Folder) { FLastSaveFolder = Folder; }
  const QString& LastProjectFolder() const { return FLastProjectFolder; }
  void SetLastProjectFolder(const QString& Folder) { FLastProjectFolder = Folder; }

  // Every message box of the program goes through here; modal, centred on the main window.
  static QMessageBox::StandardButton ShowMessageBox(const QString& Text, TMessageKind Kind,
                                                    QMessageBox::StandardButtons Buttons);
  // An empty handler restores the real message boxes.
  static void SetMessageBoxHandler(TMessageBoxHandler Handler);

  QAction* acnAddFiles = nullptr;
  QAction* acnJoinFile = nullptr;
  QAction* acnLoadProject = nullptr;
  QAction* acnSaveProject = nullptr;
  QAction* acnMoveUp = nullptr;
  QAction* acnMoveDown = nullptr;
  QAction* acnClear = nullptr;
  QAction* acnPlay = nullptr;
  QAction* acnDelete = nullptr;
  QAction* miExit = nullptr;
  QAction* miHighlightDifferents = nullptr;
  QAction* miHelpTopics = nullptr;
  QAction* miAbout = nullptr;

  TFileListView* lvwFiles = nullptr;
  QLabel* lblJoinReport = nullptr; // the last join's headline, until the next join
  TfrmJoinReport* frmJoinReport = nullptr;
  QMenu* PopupMenu = nullptr;

  // Defined in MainFormJoin.cpp.
  void acnJoinFileExecute();
  void acnLoadProjectExecute();
  void acnSaveProjectExecute();

  void acnAddFilesExecute();
  // Moves the selected entry Step places down the list (up when negative).
  void MoveSelectedBy(int Step);
  void acnMoveUpExecute();
  void acnMoveDownExecute();
  void acnClearExecute();
  void acnPlayExecute();
  void acnDeleteExecute();
  void miHelpTopicsClick();
  void miAboutClick();
  void lvwFilesEndDrag();

protected:
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;
  // While a join runs, asks whether to cancel it; the window closes once the join has stopped.
  void closeEvent(QCloseEvent* Event) override;

private:
  QAction* NewAction(const QString& Caption, const QString& Icon = {}, const QKeySequence& Shortcut = {});
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void LoadSettings();
  void SaveSettings();
  void AddFile(std::unique_ptr<TVideoFileInfo> Info);
  void UpdateAllDifferences();
  int ColumnTextWidth(int Column) const;
  void AutoSizeColumns();
  double TotalDuration() const;
  void SetStatusPanel(int Panel, const QString& Text, int MinWidth);
  // What the last join did: the headline on the status line, the whole in the report window
  // unless the user asked not to see it. Output is the file written, or empty.
  void ShowJoinReport(const QStringList& Lines, const QString& Output);
  // Opens a file with the desktop's program for it, or says why it cannot.
  void OpenWithDesktop(const QString& FileName);
  void BeginListUpdate();
  void EndListUpdate();
  void ListChanged();

  QLabel* FStatusPanels[2] = {};
  int FUpdating = 0; // nesting depth of BeginListUpdate
  bool FJoinRunning = false;
  bool FCloseAfterJoin = false;
  QString FLastOpenFolder;
  QString FLastSaveFolder;
  QString FLastProjectFolder;
};

// Creates the join options dialog, hidden, owned by the main window; called once at start-up.
void CreateJoinOptionsDialog(TfrmMain* Owner);
