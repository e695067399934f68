#include "ui/MainForm.h"

#include "core/DescribeFiles.h"

#include "core/FileListTexts.h"
#include "core/JoinDecisions.h"
#include "core/VideoUtils.h"
#include "ui/About.h"
#include "ui/Application.h"
#include "ui/FileDlg.h"
#include "ui/FileListView.h"
#include "ui/JoinReportDlg.h"
#include "ui/ProgressDlg.h"
#include "ui/Settings.h"
#include "ui/ShellUtils.h"
#include "ui/base/ProdInfo.h"

#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QCollator>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>
#include <exception>
#include <thread>

namespace {

TfrmMain* MainInstance = nullptr;

TMessageBoxHandler& MessageBoxHandler()
{
  static TMessageBoxHandler handler;
  return handler;
}

QString RegistryKey()
{
  return QString::fromStdString(ProductInfo.RegistryKey);
}

QString FormKey()
{
  return RegistryKey() + "\\forms\\frmMain";
}

// Case-insensitive order of full paths in the user's locale.
void SortFileNames(QStringList& Names)
{
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::stable_sort(Names.begin(), Names.end(),
                   [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
}

// Undoes a BeginListUpdate and whatever else a flow must do also when it raises.
template <typename TAction> class TFinally {
public:
  explicit TFinally(TAction Action) : FAction(std::move(Action)) {}
  ~TFinally() { FAction(); }
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;

private:
  TAction FAction;
};

// A command's failure ends in the application's error box here rather than unwinding through
// Qt's event dispatch, which does not expect it.
template <typename TMethod> auto Guarded(TfrmMain* Form, TMethod Method)
{
  return [Form, Method] {
    try {
      (Form->*Method)();
    } catch (const std::exception& error) {
      ShowException(error);
    }
  };
}

// The classic kinds first, then what FFmpeg reads for video today.
const char* const VideoFilesFilter =
    "Video Files|*.mpeg;*.mpg;*.avi;*.wmv;*.rm;*.ram;*.mp4;*.m4v;*.mov;*.mkv;*.webm;*.ts;*.m2ts;*.mts;*.flv;*.3gp;"
    "*.3g2;*.vob;*.dv;*.ogv;*.asf;*.m2v;*.mpv;*.divx;*.f4v;*.mxf;*.nut;*.y4m|All Files|*.*";

// Describing a damaged file can take seconds: files are described on workers, every core at
// once, while the window goes on repainting and answering.
std::vector<TFileDescription> DescribeOffThread(const std::vector<std::string>& FileNames)
{
  std::vector<TFileDescription> descriptions;
  QEventLoop loop;
  std::thread worker([&] {
    descriptions = DescribeFiles(FileNames);
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  return descriptions;
}

} // namespace

TfrmMain::TfrmMain(QWidget* Parent) : QMainWindow(Parent)
{
  MainInstance = this;
  setObjectName("frmMain");
  // Wide enough that all seven columns show at their first widths.
  setGeometry(272, 138, 720, 354);
  setAcceptDrops(true);

  lvwFiles = new TFileListView;
  auto* client = new QWidget;
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 2, 0, 0); // the spacer below the tool bar
  layout->addWidget(lvwFiles);
  setCentralWidget(client);
  for (QLabel*& panel : FStatusPanels) {
    panel = new QLabel;
    panel->setFixedWidth(50);
    statusBar()->addWidget(panel);
  }
  // A widget of its own, which menu hints cover for a moment but do not wipe.
  lblJoinReport = new QLabel;
  statusBar()->addWidget(lblJoinReport, 1);
  frmJoinReport = new TfrmJoinReport(this);
  connect(frmJoinReport->btnPlay, &QPushButton::clicked, this, [this] { OpenWithDesktop(frmJoinReport->Output()); });
  connect(frmJoinReport->btnOpenFolder, &QPushButton::clicked, this,
          [this] { OpenWithDesktop(QFileInfo(frmJoinReport->Output()).absolutePath()); });

  CreateActions();
  CreateMenus();
  CreateToolBar();

  connect(lvwFiles, &QTreeWidget::itemSelectionChanged, this, &TfrmMain::ListChanged);
  connect(lvwFiles, &QTreeWidget::itemDoubleClicked, this, [this] { acnPlay->trigger(); });
  connect(lvwFiles, &TFileListView::EndDrag, this, &TfrmMain::lvwFilesEndDrag);
  connect(lvwFiles, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& Pos) { PopupMenu->exec(lvwFiles->viewport()->mapToGlobal(Pos)); });

  try {
    LoadSettings();
  } catch (const std::exception& error) {
    ShowException(error);
  }
  UpdateCommands();
  UpdateStatusBar();
}

TfrmMain::~TfrmMain()
{
  try {
    SaveSettings();
  } catch (const std::exception& error) {
    ShowException(error);
  }
  MainInstance = nullptr;
}

TfrmMain* TfrmMain::Instance()
{
  return MainInstance;
}

void TfrmMain::LoadSettings()
{
  LoadFormPlacement(FormKey(), *this, false);
  FLastOpenFolder = ReadSettingString(RegistryKey(), "LastOpenFolder");
  FLastSaveFolder = ReadSettingString(RegistryKey(), "LastSaveFolder");
  FLastProjectFolder = ReadSettingString(RegistryKey(), "LastProjectFolder");
  frmJoinReport->cbxDontShowAgain->setChecked(ReadSettingString(RegistryKey(), "ShowJoinReport") == "0");
}

void TfrmMain::SaveSettings()
{
  SaveFormPlacement(FormKey(), *this);
  WriteSettingString(RegistryKey(), "LastOpenFolder", FLastOpenFolder);
  WriteSettingString(RegistryKey(), "LastSaveFolder", FLastSaveFolder);
  WriteSettingString(RegistryKey(), "LastProjectFolder", FLastProjectFolder);
  WriteSettingString(RegistryKey(), "ShowJoinReport", frmJoinReport->cbxDontShowAgain->isChecked() ? "0" : "1");
}

QAction* TfrmMain::NewAction(const QString& Caption, const QString& Icon, const QKeySequence& Shortcut)
{
  auto* action = new QAction(Caption, this);
  action->setToolTip(Caption);
  action->setStatusTip(Caption);
  if (!Icon.isEmpty())
    action->setIcon(QIcon(":/icons/" + Icon + ".png"));
  action->setShortcut(Shortcut);
  // Shortcuts work wherever the action is shown, also for those only in the context menu.
  addAction(action);
  return action;
}

void TfrmMain::CreateActions()
{
  acnAddFiles = NewAction("Add Files", "addfiles", QKeySequence("Ctrl+O"));
  acnJoinFile = NewAction("Join Files", "joinfiles", QKeySequence("Ctrl+S"));
  acnLoadProject = NewAction("Load Project...");
  acnSaveProject = NewAction("Save Project...");
  miExit = NewAction("Exit");
  acnMoveUp = NewAction("Move Up", "moveup", QKeySequence("Ctrl+Up"));
  acnMoveDown = NewAction("Move Down", "movedown", QKeySequence("Ctrl+Down"));
  acnClear = NewAction("Clear", "clear");
  miHighlightDifferents = NewAction("Highlight Differents");
  miHighlightDifferents->setCheckable(true);
  miHelpTopics = NewAction("Help Topics", {}, QKeySequence(Qt::Key_F1));
  miAbout = NewAction("About");
  acnPlay = NewAction("Play", "play");
  acnPlay->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  acnDelete = NewAction("Delete", {}, QKeySequence(Qt::Key_Delete));

  connect(acnAddFiles, &QAction::triggered, this, Guarded(this, &TfrmMain::acnAddFilesExecute));
  connect(acnJoinFile, &QAction::triggered, this, Guarded(this, &TfrmMain::acnJoinFileExecute));
  connect(acnLoadProject, &QAction::triggered, this, Guarded(this, &TfrmMain::acnLoadProjectExecute));
  connect(acnSaveProject, &QAction::triggered, this, Guarded(this, &TfrmMain::acnSaveProjectExecute));
  connect(miExit, &QAction::triggered, this, &QWidget::close);
  connect(acnMoveUp, &QAction::triggered, this, Guarded(this, &TfrmMain::acnMoveUpExecute));
  connect(acnMoveDown, &QAction::triggered, this, Guarded(this, &TfrmMain::acnMoveDownExecute));
  connect(acnClear, &QAction::triggered, this, Guarded(this, &TfrmMain::acnClearExecute));
  connect(miHighlightDifferents, &QAction::toggled, lvwFiles, &TFileListView::SetHighlightDifferents);
  connect(miHelpTopics, &QAction::triggered, this, Guarded(this, &TfrmMain::miHelpTopicsClick));
  connect(miAbout, &QAction::triggered, this, Guarded(this, &TfrmMain::miAboutClick));
  connect(acnPlay, &QAction::triggered, this, Guarded(this, &TfrmMain::acnPlayExecute));
  connect(acnDelete, &QAction::triggered, this, Guarded(this, &TfrmMain::acnDeleteExecute));
}

void TfrmMain::CreateMenus()
{
  QMenu* file = menuBar()->addMenu("&File");
  file->addAction(acnAddFiles);
  file->addSeparator();
  file->addAction(acnJoinFile);
  file->addSeparator();
  file->addAction(acnLoadProject);
  file->addAction(acnSaveProject);
  file->addSeparator();
  file->addAction(miExit);
  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->addAction(acnMoveUp);
  edit->addAction(acnMoveDown);
  edit->addSeparator();
  edit->addAction(acnClear);
  menuBar()->addMenu("&View")->addAction(miHighlightDifferents);
  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction(miHelpTopics);
  help->addSeparator();
  help->addAction(miAbout);

  PopupMenu = new QMenu(this);
  PopupMenu->addAction(acnPlay);
  PopupMenu->setDefaultAction(acnPlay);
  PopupMenu->addSeparator();
  PopupMenu->addAction(acnMoveUp);
  PopupMenu->addAction(acnMoveDown);
  PopupMenu->addSeparator();
  PopupMenu->addAction(acnDelete);
}

void TfrmMain::CreateToolBar()
{
  QToolBar* toolBar = addToolBar("ToolBar");
  toolBar->setObjectName("ToolBar");
  toolBar->setMovable(false);
  toolBar->setFloatable(false);
  toolBar->setIconSize(QSize(24, 24));
  toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  toolBar->addAction(acnAddFiles);
  toolBar->addSeparator();
  toolBar->addAction(acnPlay);
  toolBar->addAction(acnMoveUp);
  toolBar->addAction(acnMoveDown);
  toolBar->addSeparator();
  toolBar->addAction(acnJoinFile);
  toolBar->addSeparator();
  toolBar->addAction(acnClear);
  for (QAction* action : toolBar->actions())
    if (QWidget* button = toolBar->widgetForAction(action); button && !action->isSeparator())
      button->setFixedSize(34, 30);
}

int TfrmMain::Count() const
{
  return lvwFiles->topLevelItemCount();
}

TVideoFileInfo& TfrmMain::FileInfo(int Index) const
{
  return lvwFiles->Entry(Index)->Info();
}

QString TfrmMain::Caption(int Index) const
{
  return lvwFiles->Entry(Index)->text(0);
}

int TfrmMain::SelectedIndex() const
{
  const QList<QTreeWidgetItem*> selected = lvwFiles->selectedItems();
  return selected.isEmpty() ? -1 : lvwFiles->indexOfTopLevelItem(selected.first());
}

void TfrmMain::SelectEntry(int Index)
{
  QTreeWidgetItem* item = lvwFiles->topLevelItem(Index);
  if (!item)
    return;
  lvwFiles->setCurrentItem(item);
  item->setSelected(true);
  lvwFiles->scrollToItem(item);
  lvwFiles->setFocus();
}

QString TfrmMain::StatusText(int Panel) const
{
  return FStatusPanels[Panel]->text();
}

void TfrmMain::BeginListUpdate()
{
  ++FUpdating;
  lvwFiles->setUpdatesEnabled(false);
}

void TfrmMain::EndListUpdate()
{
  if (--FUpdating == 0)
    lvwFiles->setUpdatesEnabled(true);
}

void TfrmMain::ListChanged()
{
  if (FUpdating == 0) {
    UpdateCommands();
    UpdateStatusBar();
  }
}

void TfrmMain::AddFile(std::unique_ptr<TVideoFileInfo> Info)
{
  const std::string decimalPoint = QLocale().decimalPoint().toStdString();
  const std::string cells[] = {
      FileNameCellText(Info->FileName), FormatDuration(Info->Duration),         TypeCellText(*Info),
      FrameSizeCellText(*Info),         FrameRateCellText(*Info, decimalPoint), AudioCellText(*Info),
      FolderCellText(Info->FileName)};
  auto* item = new TFileListItem(std::move(Info));
  for (int c = 0; c < 7; ++c)
    item->setText(c, QString::fromStdString(cells[c]));
  lvwFiles->addTopLevelItem(item);
}

void TfrmMain::AddFileList(const QStringList& Names)
{
  QApplication::setOverrideCursor(Qt::WaitCursor);
  BeginListUpdate();
  const TFinally always([this] {
    UpdateAllDifferences();
    QApplication::restoreOverrideCursor();
    EndListUpdate();
    AutoSizeColumns();
  });
  // A few files per core at a time, so that the count in the status bar moves.
  const int batch = int(std::max(2u, 2 * std::thread::hardware_concurrency()));
  const int n = int(Names.size());
  for (int first = 0; first < n; first += batch) {
    SetStatusPanel(0, QString("%1/%2 files added").arg(first).arg(n), 0);
    SetStatusPanel(1, QString(), 0);
    QCoreApplication::processEvents();
    std::vector<std::string> names;
    for (int i = first; i < std::min(n, first + batch); ++i)
      names.push_back(Names[i].toStdString());
    std::vector<TFileDescription> described = DescribeOffThread(names);
    for (size_t k = 0; k < described.size(); ++k) {
      const int i = first + int(k);
      SetStatusPanel(0, QString("%1/%2 files added").arg(i).arg(n), 0);
      if (described[k].Info) {
        AddFile(std::move(described[k].Info));
        continue;
      }
      const QString text = "Unable to add file " + Names[i] + ": " + QString::fromStdString(described[k].Error) + ".";
      if (i == n - 1) {
        ShowMessageBox(text, mkWarning, QMessageBox::Ok);
      } else if (ShowMessageBox(text + "\nDo you want to continue add other files?", mkWarning,
                                QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
      }
    }
  }
}

void TfrmMain::ClearList()
{
  BeginListUpdate();
  const TFinally always([this] { EndListUpdate(); });
  lvwFiles->clear();
}

void TfrmMain::UpdateAllDifferences()
{
  std::vector<TVideoFileInfo*> infos;
  for (int i = 0; i < Count(); ++i)
    infos.push_back(&FileInfo(i));
  if (!infos.empty())
    MarkDifferences(infos);
  lvwFiles->viewport()->update();
}

void TfrmMain::MoveEntry(int Index, int Target)
{
  if (Index < 0 || Index >= Count())
    return;
  // The flags follow the entry that stands first, whatever its file is called.
  const QTreeWidgetItem* first = lvwFiles->topLevelItem(0);
  Target = std::clamp(Target, 0, Count() - 1);
  if (Target == Index)
    return;
  {
    BeginListUpdate();
    const TFinally always([this] { EndListUpdate(); });
    QTreeWidgetItem* item = lvwFiles->takeTopLevelItem(Index);
    lvwFiles->insertTopLevelItem(Target, item);
    lvwFiles->clearSelection();
    SelectEntry(Target);
  }
  if (lvwFiles->topLevelItem(0) != first)
    UpdateAllDifferences();
}

void TfrmMain::lvwFilesEndDrag()
{
  const int selected = SelectedIndex();
  const int target = lvwFiles->DropTarget();
  if (selected < 0 || target < 0)
    return;
  MoveEntry(selected, target);
  lvwFiles->SetDropTarget(-1);
  UpdateCommands();
  UpdateStatusBar();
}

void TfrmMain::UpdateCommands()
{
  const int count = Count();
  const int selected = SelectedIndex();
  acnClear->setEnabled(count > 0);
  acnJoinFile->setEnabled(count > 0);
  acnPlay->setEnabled(selected >= 0);
  acnDelete->setEnabled(selected >= 0);
  acnMoveUp->setEnabled(selected > 0);
  acnMoveDown->setEnabled(selected >= 0 && selected < count - 1);
}

double TfrmMain::TotalDuration() const
{
  double total = 0;
  for (int i = 0; i < Count(); ++i)
    total += FileInfo(i).Duration;
  return total;
}

void TfrmMain::UpdateStatusBar()
{
  const int selected = SelectedIndex();
  const QString total = "Total duration: " + QString::fromStdString(FormatDuration(TotalDuration()));
  if (selected >= 0) {
    SetStatusPanel(0, Caption(selected), 50);
    SetStatusPanel(1, total, 50);
  } else if (Count() > 0) {
    SetStatusPanel(0, QString::number(Count()) + " 檔案(s)", 50);
    SetStatusPanel(1, total, 50);
  } else {
    SetStatusPanel(0, "還沒選擇檔案" + QString(16, ' '), 50);
    SetStatusPanel(1, QString(), 50);
  }
}

void TfrmMain::ShowJoinReport(const QStringList& Lines, const QString& Output)
{
  lblJoinReport->setText(Lines.value(0));
  lblJoinReport->setToolTip(Lines.join('\n'));
  if (!frmJoinReport->cbxDontShowAgain->isChecked())
    frmJoinReport->ShowReport(Lines, Output);
}

void TfrmMain::SetStatusPanel(int Panel, const QString& Text, int MinWidth)
{
  QLabel* label = FStatusPanels[Panel];
  label->setText(Text);
  label->setFixedWidth(std::max(MinWidth, label->fontMetrics().horizontalAdvance(Text) + 10));
}

int TfrmMain::ColumnTextWidth(int Column) const
{
  const QFontMetrics metrics(lvwFiles->font());
  int width = metrics.horizontalAdvance(lvwFiles->headerItem()->text(Column));
  for (int i = 0; i < Count(); ++i)
    width = std::max(width, metrics.horizontalAdvance(lvwFiles->topLevelItem(i)->text(Column)));
  return width;
}

void TfrmMain::AutoSizeColumns()
{
  const int columns = lvwFiles->columnCount();
  std::vector<int> widths(columns);
  int total = 0;
  for (int c = 0; c < columns; ++c)
    total += widths[c] = ColumnTextWidth(c) + 20;
  // Long names and folders give up room first, so that every column stays in sight; the
  // cut texts end in an ellipsis and the window can be widened.
  const int excess = total - lvwFiles->viewport()->width();
  if (excess > 0) {
    const int name = 0, folder = columns - 1;
    const int nameCut = excess * widths[name] / (widths[name] + widths[folder]);
    widths[name] = std::max(80, widths[name] - nameCut);
    widths[folder] = std::max(80, widths[folder] - (excess - nameCut));
  }
  for (int c = 0; c < columns; ++c)
    lvwFiles->setColumnWidth(c, widths[c]);
}

void TfrmMain::acnAddFilesExecute()
{
  TFileOpenDialog dialog;
  dialog.OwnerHandle = this;
  dialog.MultiSelect = true;
  dialog.InitialDir = FLastOpenFolder;
  dialog.Filter = VideoFilesFilter;
  if (!dialog.Execute())
    return;
  FLastOpenFolder = QString::fromStdString(FolderCellText(dialog.FileName.toStdString()));
  QStringList names = dialog.Files;
  SortFileNames(names);
  AddFileList(names);
  UpdateCommands();
  UpdateStatusBar();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* Event)
{
  if (Event->mimeData()->hasUrls())
    Event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* Event)
{
  QStringList names;
  for (const QUrl& url : Event->mimeData()->urls())
    if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
      names << url.toLocalFile();
  Event->acceptProposedAction();
  SortFileNames(names);
  AddFileList(names);
  UpdateCommands();
  UpdateStatusBar();
}

void TfrmMain::MoveSelectedBy(int Step)
{
  const int selected = SelectedIndex();
  if (selected < 0)
    return;
  MoveEntry(selected, selected + Step);
  UpdateCommands();
  UpdateStatusBar();
}

void TfrmMain::acnMoveUpExecute()
{
  MoveSelectedBy(-1);
}

void TfrmMain::acnMoveDownExecute()
{
  MoveSelectedBy(1);
}

void TfrmMain::acnDeleteExecute()
{
  int selected = SelectedIndex();
  if (selected < 0)
    return;
  {
    BeginListUpdate();
    const TFinally always([this] { EndListUpdate(); });
    delete lvwFiles->takeTopLevelItem(selected);
    if (selected == 0)
      UpdateAllDifferences();
    selected = std::min(selected, Count() - 1);
    if (selected >= 0)
      SelectEntry(selected);
  }
  UpdateCommands();
  UpdateStatusBar();
  AutoSizeColumns();
}

void TfrmMain::acnClearExecute()
{
  if (ShowMessageBox("Are you sure you want to remove all files from the list?", mkConfirm,
                     QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  ClearList();
  UpdateCommands();
  UpdateStatusBar();
}

void TfrmMain::acnPlayExecute()
{
  const int selected = SelectedIndex();
  if (selected >= 0)
    OpenWithDesktop(QFile::decodeName(QByteArray::fromStdString(FileInfo(selected).FileName)));
}

void TfrmMain::miHelpTopicsClick()
{
  OpenWithDesktop(FindManual(QCoreApplication::applicationDirPath(), REELWELD_DOC_FROM_BIN));
}

void TfrmMain::OpenWithDesktop(const QString& FileName)
{
  if (!QFileInfo::exists(FileName))
    ShowMessageBox("Unable to open " + FileName + ": the file does not exist", mkWarning, QMessageBox::Ok);
  else if (!ShellOpenFile(FileName))
    ShowMessageBox("No program can open " + FileName, mkWarning, QMessageBox::Ok);
}

void TfrmMain::closeEvent(QCloseEvent* Event)
{
  if (!FJoinRunning)
    return QMainWindow::closeEvent(Event);
  Event->ignore();
  if (FCloseAfterJoin || ShowMessageBox("A join is running. Do you want to cancel it and close the program?",
                                        mkConfirm, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  FCloseAfterJoin = true;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* progress = qobject_cast<TfrmProgress*>(window))
      progress->reject();
}

void TfrmMain::miAboutClick()
{
  ShowAboutBox(ProductInfo, this);
}

QMessageBox::StandardButton TfrmMain::ShowMessageBox(const QString& Text, TMessageKind Kind,
                                                     QMessageBox::StandardButtons Buttons)
{
  if (MessageBoxHandler())
    return MessageBoxHandler()(Text, Kind, Buttons);
  static const struct {
    QMessageBox::Icon Icon;
    const char* Caption;
  } looks[] = {{QMessageBox::Warning, "Warning"},
               {QMessageBox::Question, "Confirm"},
               {QMessageBox::Critical, nullptr},
               {QMessageBox::Information, "Information"}};
  const auto& look = looks[Kind];
  const QString caption = look.Caption ? QString(look.Caption) : QGuiApplication::applicationDisplayName();
  QMessageBox box(look.Icon, caption, Text, Buttons, MainInstance);
  return QMessageBox::StandardButton(box.exec());
}

void TfrmMain::SetMessageBoxHandler(TMessageBoxHandler Handler)
{
  MessageBoxHandler() = std::move(Handler);
}
