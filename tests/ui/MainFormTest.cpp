#include "core/VideoUtils.h"
#include "support/TestSupport.h"
#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDialogs.h"
#include "support/qt/PrintQString.h"
#include "support/qt/QtEnvironment.h"
#include "ui/FileListView.h"

#include <filesystem>
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

namespace {

QString Q(const std::string& Text)
{
  return QString::fromStdString(Text);
}

// Three files that differ from one another: the second only in frame size, the third in type.
struct TMedia {
  QString Big = Q(MediaAviMpeg4Mp3());
  QString Small = Q(MakeMedia("small.avi", "-f lavfi -i testsrc=size=320x240:rate=25:duration=3 -f lavfi -i "
                                           "sine=frequency=440:duration=3 -c:v mpeg4 -q:v 5 -c:a libmp3lame "
                                           "-b:a 128k -ar 44100 -ac 2"));
  QString Mpeg = Q(MediaMpeg1System());
  QString Broken = Q(MakeBroken());

  static std::string MakeBroken()
  {
    static TTempDir dir;
    WriteWholeFile(dir.File("broken.avi"), std::vector<uint8_t>(64, 'x'));
    return dir.File("broken.avi");
  }
};

const TMedia& Media()
{
  static const TMedia media;
  return media;
}

class MainForm : public testing::Test {
protected:
  void SetUp() override
  {
    ClearSettings();
    Form = std::make_unique<TfrmMain>();
  }
  void TearDown() override
  {
    Form.reset();
    ClearSettings();
  }

  TFileListView& List() const { return *Form->lvwFiles; }
  QStringList Captions() const
  {
    QStringList captions;
    for (int i = 0; i < Form->Count(); ++i)
      captions << Form->Caption(i);
    return captions;
  }
  QString Tip(int Row, int Column) const { return List().Entry(Row)->data(Column, Qt::ToolTipRole).toString(); }

  bool Highlighted(int Row, int Column) const
  {
    return List().Entry(Row)->data(Column, Qt::ForegroundRole) == QVariant(HighlightColor);
  }
  // The three media files, the big AVI first.
  void AddThree() { Form->AddFileList({Media().Big, Media().Small, Media().Mpeg}); }

  TMessageBoxRecorder Boxes{QMessageBox::Yes};
  std::unique_ptr<TfrmMain> Form;
};

} // namespace

TEST_F(MainForm, AFileThatCannotBeDescribedIsReportedAndTheAnswerDecidesTheRest)
{
  QStringList statusAtWarning;
  TfrmMain::SetMessageBoxHandler([&](const QString& Text, TMessageKind Kind, QMessageBox::StandardButtons Buttons) {
    statusAtWarning << Form->StatusText(0);
    Boxes.Shown.push_back({Text, Kind, Buttons});
    return Boxes.Answer;
  });
  Form->AddFileList({Media().Big, Media().Broken, Media().Small});
  EXPECT_EQ(Form->Count(), 2);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(statusAtWarning, QStringList({"1/3 files added"}));
  EXPECT_EQ(Boxes.Shown[0].Kind, mkWarning);
  EXPECT_EQ(Boxes.Shown[0].Buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(Boxes.Shown[0].Text.startsWith("Unable to add file " + Media().Broken + ": "));
  EXPECT_TRUE(Boxes.Shown[0].Text.endsWith(".\nDo you want to continue add other files?"));

  Form->ClearList();
  Boxes.Answer = QMessageBox::No;
  Form->AddFileList({Media().Big, Media().Broken, Media().Small});
  EXPECT_EQ(Form->Count(), 1);

  // The last file failing: the same text, without the question, with OK alone.
  Form->ClearList();
  Boxes.Shown.clear();
  Form->AddFileList({Media().Big, Media().Broken});
  EXPECT_EQ(Form->Count(), 1);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Buttons, QMessageBox::Ok);
  EXPECT_FALSE(Boxes.Shown[0].Text.contains("Do you want"));
  EXPECT_TRUE(Boxes.Shown[0].Text.endsWith("."));
}

TEST_F(MainForm, EntriesOwnTheirDescriptionAndShowItsCells)
{
  AddThree();
  ASSERT_EQ(Form->Count(), 3);
  EXPECT_EQ(Form->FileInfo(0).FileName, Media().Big.toStdString());
  QTreeWidgetItem* big = List().Entry(0);
  EXPECT_EQ(big->text(0), "mpeg4-mp3.avi");
  EXPECT_TRUE(big->text(2).startsWith("AVI:"));
  EXPECT_EQ(big->text(3), "640x480");
  EXPECT_EQ(big->text(5), "44KHz Stereo");
  EXPECT_EQ(List().Entry(2)->text(2), "MPEG1");
  EXPECT_EQ(big->text(6), QFileInfo(Media().Big).absolutePath());
  // Columns fit their widest text; the name and the folder give up room when the window is narrow.
  for (int c = 1; c < 6; ++c)
    EXPECT_GE(List().columnWidth(c), QFontMetrics(List().font()).horizontalAdvance(big->text(c)) + 20) << c;
}

TEST_F(MainForm, ChosenAndDroppedFilesAreAddedInPathOrder)
{
  TTempDir dir;
  const QString a = Q(dir.File("a.avi")), b = Q(dir.File("B.avi"));
  QFile::copy(Media().Small, a);
  QFile::copy(Media().Small, b);

  // Today's kinds are offered after the classic ones, so that typed MP4 names are not dropped.
  WhenModal([] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    const QString videos = dialog->nameFilters().value(0);
    EXPECT_TRUE(videos.startsWith("Video Files (*.mpeg *.mpg *.avi *.wmv *.rm *.ram *.mp4 ")) << videos.toStdString();
    for (const char* kind : {"*.mkv", "*.mov", "*.webm", "*.ts", "*.m2ts", "*.mts", "*.flv", "*.3gp", "*.vob", "*.ogv"})
      EXPECT_TRUE(videos.contains(QString(kind) + " ") || videos.contains(QString(kind) + ")")) << kind;
    dialog->reject();
  });
  Form->acnAddFilesExecute();
  EXPECT_EQ(Form->Count(), 0);

  AnswerFileDialog("\"B.avi\" \"a.avi\"");
  Form->SetLastOpenFolder(Q(dir.Path()));
  Form->acnAddFilesExecute();
  EXPECT_EQ(Captions(), QStringList({"a.avi", "B.avi"}));
  EXPECT_EQ(Form->LastOpenFolder(), Q(dir.Path()));

  Form->ClearList();
  Form->SetLastOpenFolder("/elsewhere");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(b), QUrl::fromLocalFile(Q(dir.Path())), QUrl::fromLocalFile(a)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(Form.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(Form.get(), &drop);
  EXPECT_EQ(Captions(), QStringList({"a.avi", "B.avi"}));
  EXPECT_EQ(Form->LastOpenFolder(), "/elsewhere");
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(MainForm, DifferingCellsAreHighlightedAgainstTheFirstEntry)
{
  AddThree();
  EXPECT_FALSE(Highlighted(1, 3)); // highlight off
  Form->miHighlightDifferents->trigger();
  for (int c = 0; c < 7; ++c) {
    EXPECT_FALSE(Highlighted(0, c)) << c;
    EXPECT_EQ(Highlighted(1, c), c == 3) << c;
  }
  EXPECT_TRUE(Highlighted(2, 2));
  EXPECT_TRUE(Highlighted(2, 3));
  EXPECT_FALSE(Highlighted(2, 0));
  EXPECT_FALSE(Highlighted(2, 6));
  EXPECT_TRUE(Form->FileInfo(2).VideoDiffers);
  // Each marked cell says in its tip what differs, and only those.
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 7; ++c)
      EXPECT_EQ(Tip(r, c).isEmpty(), !Highlighted(r, c)) << r << " " << c;
  EXPECT_EQ(Tip(2, 2), "MPEG1; the first file is AVI:FMP4");
  EXPECT_EQ(Tip(2, 3), "352x288; the first file is 640x480");
  EXPECT_EQ(Tip(2, 5), "MP2, mono sound; the first file has MP3, stereo");

  // Deleting the first entry makes the next one the reference.
  Form->SelectEntry(0);
  Form->acnDeleteExecute();
  EXPECT_FALSE(Highlighted(0, 3));
  EXPECT_TRUE(Highlighted(1, 3));
  EXPECT_FALSE(Form->FileInfo(0).VideoDiffers);

  Form->miHighlightDifferents->trigger();
  EXPECT_FALSE(Highlighted(1, 3));
}

TEST_F(MainForm, MovesKeepTheSelectionAndRecomputeWhenTheFirstEntryChanges)
{
  AddThree();
  Form->SelectEntry(2);
  Form->acnMoveUpExecute();
  EXPECT_EQ(Form->SelectedIndex(), 1);
  EXPECT_FALSE(Form->FileInfo(0).VideoDiffers); // the big AVI is still first
  Form->acnMoveUpExecute();
  EXPECT_EQ(Form->SelectedIndex(), 0);
  EXPECT_EQ(Captions(), QStringList({"system.mpg", "mpeg4-mp3.avi", "small.avi"}));
  EXPECT_TRUE(Form->FileInfo(1).VideoDiffers); // now against the MPEG file
  EXPECT_FALSE(Form->acnMoveUp->isEnabled());
  EXPECT_TRUE(Form->acnMoveDown->isEnabled());

  Form->SelectEntry(1);
  Form->acnMoveDownExecute();
  EXPECT_EQ(Captions(), QStringList({"system.mpg", "small.avi", "mpeg4-mp3.avi"}));
  EXPECT_EQ(Form->SelectedIndex(), 2);
  EXPECT_FALSE(Form->acnMoveDown->isEnabled());
}

TEST_F(MainForm, ADragEndsInAMoveToTheEntryUnderTheCursor)
{
  AddThree();
  Form->SelectEntry(2);
  List().SetDropTarget(0);
  EXPECT_TRUE(List().Entry(0)->data(0, Qt::BackgroundRole).isValid()); // the target is marked
  EXPECT_FALSE(List().Entry(1)->data(0, Qt::BackgroundRole).isValid());
  Form->lvwFilesEndDrag();
  EXPECT_EQ(Captions(), QStringList({"system.mpg", "mpeg4-mp3.avi", "small.avi"}));
  EXPECT_EQ(Form->SelectedIndex(), 0);
  EXPECT_EQ(List().DropTarget(), -1);
  EXPECT_FALSE(List().Entry(0)->data(0, Qt::BackgroundRole).isValid());
  EXPECT_TRUE(Form->FileInfo(2).VideoDiffers);

  // Without a target nothing moves.
  Form->lvwFilesEndDrag();
  EXPECT_EQ(Captions(), QStringList({"system.mpg", "mpeg4-mp3.avi", "small.avi"}));
}

TEST_F(MainForm, SameNamedFilesInOtherFoldersStillRecomputeTheFlags)
{
  TTempDir dir;
  const QString twin = Q(dir.File("mpeg4-mp3.avi"));
  QFile::copy(Media().Small, twin);
  Form->AddFileList({Media().Big, twin});
  EXPECT_TRUE(Form->FileInfo(1).FrameSizeDiffers);
  Form->SelectEntry(1);
  Form->acnMoveUpExecute();
  EXPECT_FALSE(Form->FileInfo(0).FrameSizeDiffers);
  EXPECT_TRUE(Form->FileInfo(1).FrameSizeDiffers);
}

TEST_F(MainForm, DeleteSelectsTheNextEntryOrTheNewLast)
{
  AddThree();
  Form->SelectEntry(1);
  Form->acnDeleteExecute();
  EXPECT_EQ(Captions(), QStringList({"mpeg4-mp3.avi", "system.mpg"}));
  EXPECT_EQ(Form->SelectedIndex(), 1);
  Form->acnDeleteExecute();
  EXPECT_EQ(Form->SelectedIndex(), 0);
  Form->acnDeleteExecute();
  EXPECT_EQ(Form->Count(), 0);
  EXPECT_EQ(Form->StatusText(0), "還沒選擇檔案" + QString(16, ' '));
  EXPECT_EQ(Form->StatusText(1), "");
  EXPECT_FALSE(Form->acnDelete->isEnabled());
  EXPECT_FALSE(Form->acnJoinFile->isEnabled());
  Form->acnDeleteExecute(); // nothing selected: nothing happens
}

TEST_F(MainForm, ClearAsksFirst)
{
  AddThree();
  Boxes.Answer = QMessageBox::No;
  Form->acnClearExecute();
  EXPECT_EQ(Form->Count(), 3);
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Are you sure you want to remove all files from the list?");
  EXPECT_EQ(Boxes.Shown[0].Kind, mkConfirm);
  EXPECT_EQ(Boxes.Shown[0].Buttons, QMessageBox::Yes | QMessageBox::No);
  Boxes.Answer = QMessageBox::Yes;
  Form->acnClearExecute();
  EXPECT_EQ(Form->Count(), 0);
  EXPECT_FALSE(Form->acnClear->isEnabled());
}

TEST_F(MainForm, StatusBarShowsTheSelectionOrTheCountAndTheTotalDuration)
{
  Form->AddFileList({Media().Big, Media().Small});
  Form->UpdateStatusBar();
  EXPECT_EQ(Form->StatusText(0), "2 檔案(s)");
  EXPECT_EQ(Form->StatusText(1), "Total duration: 00:06");
  Form->SelectEntry(1);
  EXPECT_EQ(Form->StatusText(0), "small.avi");
  EXPECT_EQ(Form->StatusText(1), "Total duration: 00:06");
}

// Offscreen, no program can open anything: every way to open a file says so.
TEST_F(MainForm, PlayHelpAndDoubleClickSayWhenNoProgramCanOpenTheFile)
{
  Form->AddFileList({Media().Small});
  Form->SelectEntry(0);
  const QString noProgram = "No program can open " + Media().Small;
  const std::pair<std::function<void()>, QString> ways[] = {
      {[&] { Form->acnPlay->trigger(); }, noProgram},
      {[&] { emit List().itemDoubleClicked(List().Entry(0), 0); }, noProgram},
      {[&] { Form->miHelpTopics->trigger(); }, "manual.html"},
  };
  for (const auto& [open, text] : ways) {
    Boxes.Shown.clear();
    open();
    ASSERT_EQ(Boxes.Shown.size(), 1u) << text.toStdString();
    EXPECT_TRUE(Boxes.Shown[0].Text.contains(text)) << Boxes.Shown[0].Text.toStdString();
    EXPECT_EQ(Boxes.Shown[0].Kind, mkWarning);
  }
}

TEST_F(MainForm, PlacementAndFoldersArePersisted)
{
  // First start: the first bounds and empty folders; at the end everything is written, also empty.
  EXPECT_EQ(Form->geometry().size(), QSize(720, 354));
  EXPECT_EQ(Form->LastOpenFolder(), "");
  Form.reset();
  QSettings store(QSettings::IniFormat, QSettings::UserScope, "Quillon", "reelweld");
  for (const char* name : {"LastOpenFolder", "LastSaveFolder", "LastProjectFolder"})
    EXPECT_EQ(store.value(QString("Software/Quillon/reelweld/") + name, "missing").toString(), "") << name;
  EXPECT_EQ(store.value("Software/Quillon/reelweld/forms/frmMain/Width").toInt(), 720);

  Form = std::make_unique<TfrmMain>();
  Form->resize(600, 400);
  Form->SetLastOpenFolder("/in");
  Form->SetLastSaveFolder("/out");
  Form->SetLastProjectFolder("/projects");
  Form.reset();
  Form = std::make_unique<TfrmMain>();
  EXPECT_EQ(Form->size(), QSize(600, 400));
  EXPECT_EQ(Form->LastOpenFolder(), "/in");
  EXPECT_EQ(Form->LastSaveFolder(), "/out");
  EXPECT_EQ(Form->LastProjectFolder(), "/projects");

  Form->setWindowState(Qt::WindowMaximized);
  Form.reset();
  Form = std::make_unique<TfrmMain>();
  EXPECT_TRUE(Form->windowState() & Qt::WindowMaximized);
  EXPECT_EQ(Form->size(), QSize(600, 400));
  Form.reset();

  // A stray WindowState of 2 is ignored.
  QSettings(QSettings::IniFormat, QSettings::UserScope, "Quillon", "reelweld")
      .setValue("Software/Quillon/reelweld/forms/frmMain/WindowState", 2);
  Form = std::make_unique<TfrmMain>();
  EXPECT_FALSE(Form->windowState() & Qt::WindowMaximized);
  EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(MainForm, ABadStoredValueIsReportedAndSkipsTheRestOfTheStart)
{
  Form.reset();
  QSettings store(QSettings::IniFormat, QSettings::UserScope, "Quillon", "reelweld");
  store.setValue("Software/Quillon/reelweld/forms/frmMain/Top", "up");
  store.setValue("Software/Quillon/reelweld/LastOpenFolder", "/in");
  store.sync();
  Form = std::make_unique<TfrmMain>();
  ASSERT_EQ(Boxes.Shown.size(), 1u);
  EXPECT_EQ(Boxes.Shown[0].Text, "Invalid data type for 'Top'"); // "'" sorts below "."
  EXPECT_EQ(Boxes.Shown[0].Kind, mkError);
  EXPECT_EQ(Form->LastOpenFolder(), "");
  EXPECT_EQ(Form->StatusText(0), "還沒選擇檔案" + QString(16, ' '));
}

TEST_F(MainForm, EveryColumnStaysInSightOfTheWindowWithLongNames)
{
  Form->show();
  const auto fits = [&] {
    int right = 0;
    for (int c = 0; c < List().columnCount(); ++c)
      right += List().columnWidth(c);
    return right <= List().viewport()->width();
  };
  EXPECT_TRUE(fits()) << "the first widths";
  TTempDir dir;
  const std::string deep = dir.Path() + "/" + std::string(120, 'f');
  std::filesystem::create_directories(deep);
  const QString longName = Q(deep + "/" + std::string(150, 'n') + ".avi");
  QFile::copy(Media().Small, longName);
  Form->AddFileList({longName});
  EXPECT_TRUE(fits()) << "after a long name in a deep folder";
}
