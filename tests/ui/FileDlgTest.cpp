#include "ui/FileDlg.h"
#include "ui/About.h"

#include "support/TestSupport.h"
#include "support/qt/ModalDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Cancels the next file dialog once Look has seen it.
void CancelFileDialog(std::function<void(QFileDialog&)> Look = {})
{
  QTimer::singleShot(0, [Look] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      if (Look)
        Look(*dialog);
      dialog->reject();
    }
  });
}

void Touch(const std::string& FileName)
{
  WriteWholeFile(FileName, {1});
}

} // namespace

TEST(FileDialogs, FiltersBecomeNameFilters)
{
  EXPECT_EQ(FilterToNameFilters("Video Files|*.mpeg;*.mpg;*.avi|All Files|*.*"),
            QStringList({"Video Files (*.mpeg *.mpg *.avi)", "All Files (*)"}));
  EXPECT_EQ(FilterToNameFilters("Project File|*.qrw|"), QStringList({"Project File (*.qrw)"}));
  EXPECT_EQ(FilterToNameFilters(""), QStringList());
  EXPECT_EQ(FilterToNameFilters("Dangling"), QStringList());
}

TEST(FileDialogs, OpenWantsExistingFilesAndSaveAsksBeforeReplacingUnlessToldNot)
{
  TFileOpenDialog open, openSeveral;
  openSeveral.MultiSelect = true;
  TFileSaveDialog save, saveWithoutAsking;
  saveWithoutAsking.Flags &= ~OFN_OVERWRITEPROMPT; // the join dialog asks by itself
  const struct {
    TFileCommonDialog* Dialog;
    QFileDialog::FileMode Mode;
    bool AsksBeforeReplacing;
  } cases[] = {
      {&open, QFileDialog::ExistingFile, true},
      {&openSeveral, QFileDialog::ExistingFiles, true},
      {&save, QFileDialog::AnyFile, true},
      {&saveWithoutAsking, QFileDialog::AnyFile, false},
  };
  for (const auto& c : cases) {
    bool seen = false;
    CancelFileDialog([&](QFileDialog& dialog) {
      seen = true;
      EXPECT_EQ(dialog.fileMode(), c.Mode);
      if (dialog.acceptMode() == QFileDialog::AcceptSave) {
        EXPECT_EQ(!dialog.testOption(QFileDialog::DontConfirmOverwrite), c.AsksBeforeReplacing);
      }
    });
    EXPECT_FALSE(c.Dialog->Execute());
    EXPECT_TRUE(seen);
  }
}

TEST(FileDialogs, OpenWithSeveralFilesReturnsFullPathsInTheDialogsOrderAndCancelKeepsThem)
{
  TTempDir dir;
  for (const char* name : {"b.avi", "a.avi", "c.avi"})
    Touch(dir.File(name));
  TFileOpenDialog dialog;
  dialog.MultiSelect = true;
  dialog.InitialDir = QString::fromStdString(dir.Path());
  dialog.Filter = "Video Files|*.avi|All Files|*.*";
  AnswerFileDialog("\"b.avi\" \"a.avi\" \"c.avi\"");
  ASSERT_TRUE(dialog.Execute());
  const QString folder = QString::fromStdString(dir.Path()) + "/";
  EXPECT_EQ(dialog.Files, QStringList({folder + "b.avi", folder + "a.avi", folder + "c.avi"}));
  EXPECT_EQ(dialog.FileName, folder + "b.avi");

  for (const bool cancel : {false, true}) {
    SCOPED_TRACE(cancel);
    if (cancel)
      CancelFileDialog();
    else
      AnswerFileDialog("a.avi");
    EXPECT_EQ(dialog.Execute(), !cancel);
    EXPECT_EQ(dialog.Files, QStringList({folder + "a.avi"}));
    EXPECT_EQ(dialog.FileName, folder + "a.avi");
  }
}

TEST(FileDialogs, SaveAppendsTheDefaultExtensionOnlyWhenSet)
{
  TTempDir dir;
  const QString folder = QString::fromStdString(dir.Path());
  for (const auto& [extension, name] : {std::pair{"qrw", "/project.qrw"}, {"", "/project"}}) {
    TFileSaveDialog save;
    save.InitialDir = folder;
    save.DefaultExt = extension;
    AnswerFileDialog("project");
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, folder + name);
  }
}

TEST(AboutBox, ShowsTheProductAndShrinksALongName)
{
  TProductInfo info = ProductInfo;
  TAboutForm normal(info);
  EXPECT_EQ(normal.lblProduct->text(), "Quillon Reelweld");
  EXPECT_EQ(normal.lblVersion->text(), "Version: 1.10");
  EXPECT_TRUE(normal.lblSite->text().contains(QString::fromStdString(info.SiteURL)));
  EXPECT_EQ(normal.lblLegal->text(), QString::fromStdString(info.LegalNotice));
  // Nothing is cut off at the right edge.
  EXPECT_LT(normal.lblMail->geometry().right(), normal.width());
  EXPECT_LT(normal.lblSite->geometry().right(), normal.width());

  info.ProductName = "Quillon Reelweld Professional Edition With Extras";
  TAboutForm longName(info);
  EXPECT_LE(longName.lblProduct->width(), 260);
  EXPECT_LE(longName.lblProduct->height(), 35);
  EXPECT_LT(longName.lblProduct->font().pixelSize(), 27);
}
