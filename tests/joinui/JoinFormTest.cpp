#include "FakeList.h"

#include "support/TestSupport.h"
#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDialogs.h"
#include "support/qt/PrintQString.h"
#include "ui/CompressorOptions.h"
#include "ui/EditLib.h"
#include "ui/JoinForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <filesystem>

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace {

const QString CannotCopy = "<-- impossible because the selected files have different formats";
const QString WithoutSound = "- files will be joined without sound (audio formats differ; no sound in 2.avi)";

class JoinForm : public testing::Test {
protected:
  // Shows the dialog for the list with the facts the Join command would pass, runs Inside while
  // it is up, then cancels it unless Inside closed it. Returns what ShowJoinOptions returned.
  bool Show(TFakeList& Files, std::function<void()> Inside)
  {
    const TJoinList list = Files.List();
    const TJoinFacts facts = ComputeJoinFacts(list);
    WhenModal([this, Inside] {
      Inside();
      if (Form.isVisible())
        Form.reject();
    });
    return Form.ShowJoinOptions(list, facts.CanJoinWORecomp, facts.DropAudio, facts.NoAudio);
  }

  QStringList RateItems() const
  {
    QStringList items;
    for (int i = 0; i < Form.cbxFameRate->count(); ++i)
      items << Form.cbxFameRate->itemText(i);
    return items;
  }

  bool OutputSettingsEnabled() const { return Form.Button1->isEnabled() && Form.cbxFameRate->isEnabled(); }

  void SetItems(QComboBox* Combo, const QStringList& Items)
  {
    Combo->clear();
    Combo->addItems(Items);
    Combo->setCurrentIndex(-1);
  }

  TfrmJoin Form;
};

} // namespace

TEST_F(JoinForm, NotesTicksAndEnablingFollowTheFourInputSituations)
{
  struct {
    const char* Name;
    TFakeList Files;
    bool Ticked, Enabled;
    QString Notes; // as shown
    bool OutputSettings;
  } cases[] = {
      {"one format", TFakeList().Add("AVI", 320, 240, 25).Add("AVI", 320, 240, 25), true, true, "", false},
      {"one without sound", TFakeList().Add("AVI", 320, 240, 25).Add("AVI", 320, 240, 25, false), false, true, "", true},
      {"none with sound", TFakeList().Add("MPEG1", 352, 288, 25, false).Add("MPEG1", 352, 288, 25, false), true, true, "",
       false},
      {"two formats", TFakeList().Add("AVI", 320, 240, 25).Add("WMV", 320, 240, 25), false, false, CannotCopy, true},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Show(c.Files, [&] {
      EXPECT_EQ(Form.cbxJoinWORecomp->isChecked(), c.Ticked);
      EXPECT_EQ(Form.cbxJoinWORecomp->isEnabled(), c.Enabled);
      EXPECT_EQ(Form.lblNotes->isVisible() ? Form.lblNotes->text() : QString(), c.Notes);
      EXPECT_EQ(OutputSettingsEnabled(), c.OutputSettings);
      EXPECT_TRUE(Form.gbxOutOptions->isEnabled());
      if (!c.Ticked && c.Enabled) { // ticked by hand: the sound goes
        Form.cbxJoinWORecomp->click();
        EXPECT_TRUE(Form.lblNotes->isVisible());
        EXPECT_EQ(Form.lblNotes->text(), WithoutSound);
        EXPECT_FALSE(OutputSettingsEnabled());
      }
    });
  }
}

TEST_F(JoinForm, TickingSwitchesTheExtensionOfATypedName)
{
  TFakeList mpeg;
  Show(mpeg.Add("MPEG1", 352, 288, 25, false), [&] {
    Form.cbxJoinWORecomp->setChecked(false);
    Form.edtOutFileName->setText("movie");
    Form.cbxJoinWORecomp->setChecked(true);
    EXPECT_EQ(Form.edtOutFileName->text(), "movie.mpeg");
    Form.cbxJoinWORecomp->setChecked(false);
    EXPECT_EQ(Form.edtOutFileName->text(), "movie.avi");
    Form.edtOutFileName->setText("/a.b/movie");
    Form.cbxJoinWORecomp->setChecked(true);
    EXPECT_EQ(Form.edtOutFileName->text(), "/a.b/movie.mpeg");
    Form.edtOutFileName->setText("   ");
    Form.cbxJoinWORecomp->setChecked(false);
    EXPECT_EQ(Form.edtOutFileName->text(), "   ");
  });
  // The name is emptied at every showing.
  Show(mpeg, [&] { EXPECT_EQ(Form.edtOutFileName->text(), ""); });
}

TEST_F(JoinForm, FrameRateItemsAndSizeWarning)
{
  TFakeList files;
  files.Add("AVI", 320, 240, 25).Add("AVI", 320, 240, 29.97);
  Show(files, [&] {
    EXPECT_EQ(RateItems(), QStringList({"24.00", "25.00", "29.97"}));
    EXPECT_EQ(Form.cbxFameRate->currentText(), "25.00");
    Form.edtFrameWidth->SetValue(320);
    Form.edtFrameHeight->SetValue(240);
    EXPECT_FALSE(Form.lblSizeWarning->isVisible());
    Form.edtFrameWidth->SetValue(321);
    EXPECT_TRUE(Form.lblSizeWarning->isVisible());
  });
  files.Add("AVI", 320, 240, 15);
  Show(files, [&] {
    EXPECT_EQ(RateItems(), QStringList({"15.00", "24.00", "25.00", "29.97"}));
    EXPECT_EQ(Form.cbxFameRate->currentText(), "25.00");
    // The size stays from the last showing, and so does its warning.
    EXPECT_EQ(Form.edtFrameWidth->Value(), 321);
    EXPECT_TRUE(Form.lblSizeWarning->isVisible());
  });
}

TEST_F(JoinForm, OptimalSettingsDependOnTheOrderOfTheFiles)
{
  TMessageBoxRecorder boxes;
  TFakeList growing;
  Show(growing.Add("MPEG1", 352, 288, 29.97).Add("AVI", 640, 480, 25), [&] {
    Form.Button1->click();
    EXPECT_EQ(Form.edtFrameWidth->Value(), 352);
    EXPECT_EQ(Form.edtFrameHeight->Value(), 288);
    EXPECT_EQ(Form.cbxFameRate->currentText(), "25.00");
    EXPECT_EQ(Form.cbxResizeMethod->currentText(), "Crop");
  });
  TFakeList shrinking;
  Show(shrinking.Add("AVI", 640, 480, 25).Add("MPEG1", 352, 288, 29.97), [&] {
    Form.Button1->click();
    EXPECT_EQ(Form.edtFrameWidth->Value(), 352);
    EXPECT_EQ(Form.cbxFameRate->currentText(), "25.00");
    EXPECT_EQ(Form.cbxResizeMethod->currentText(), "No resize");
  });
  // A rate the list does not hold yet is appended to it.
  TFakeList slow;
  Show(slow.Add("AVI", 320, 240, 12.5), [&] {
    Form.cbxJoinWORecomp->setChecked(false);
    Form.cbxFameRate->removeItem(0); // as if 12.50 had not been offered
    Form.Button1->click();
    EXPECT_EQ(Form.cbxFameRate->currentText(), "12.50");
    EXPECT_EQ(Form.cbxFameRate->currentIndex(), Form.cbxFameRate->count() - 1);
  });
}

TEST_F(JoinForm, OptimalSettingsChooseCompressorsByName)
{
  TMessageBoxRecorder boxes;
  TFakeList files;
  files.Add("AVI", 320, 240, 25);
  Show(files, [&] {
    Form.cbxJoinWORecomp->setChecked(false);
    SetItems(Form.cbxVideoCompression, {"Cinepak", "XviD MPEG-4 Codec", "divx pro 5", "Huffyuv"});
    SetItems(Form.cbxAudioCompression, {"No-compressing", "PCM", "MPEG Layer-3"});
    Form.Button1->click();
    EXPECT_EQ(Form.cbxVideoCompression->currentIndex(), 2);
    EXPECT_EQ(Form.cbxAudioCompression->currentIndex(), 2);
    EXPECT_TRUE(boxes.Shown.empty());

    SetItems(Form.cbxVideoCompression, {"Cinepak", "XVID"});
    Form.Button1->click();
    EXPECT_EQ(Form.cbxVideoCompression->currentIndex(), 1);

    SetItems(Form.cbxVideoCompression, {"Cinepak"});
    SetItems(Form.cbxAudioCompression, {"No-compressing", "AC-3"});
    Form.Button1->click();
    EXPECT_EQ(Form.cbxVideoCompression->currentIndex(), -1);
    EXPECT_EQ(Form.cbxAudioCompression->currentIndex(), -1);
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Text, "Unable to find an optimum video compressor. We advice to install DivX.");
    EXPECT_EQ(boxes.Shown[0].Kind, mkInformation);
  });
}

TEST_F(JoinForm, JoinButtonWantsANameAndAsksBeforeReplacingAFile)
{
  TTempDir dir;
  const QString existing = QString::fromStdString(dir.File("old.avi"));
  WriteWholeFile(existing.toStdString(), {1});
  TFakeList files;
  files.Add("AVI", 320, 240, 25);

  TMessageBoxRecorder boxes(QMessageBox::Cancel);
  EXPECT_FALSE(Show(files, [&] {
    Form.edtOutFileName->setText("  ");
    Form.btnJoin->click();
    EXPECT_TRUE(Form.isVisible());
    Form.edtOutFileName->setText(existing);
    Form.btnJoin->click();
    EXPECT_TRUE(Form.isVisible());
  }));
  ASSERT_EQ(boxes.Shown.size(), 2u);
  EXPECT_EQ(boxes.Shown[0].Text, "Please specify the output file");
  EXPECT_EQ(boxes.Shown[0].Kind, mkInformation);
  EXPECT_EQ(boxes.Shown[1].Text, "The \"" + existing + "\" file already exists. \r\nDo you want to overwrite it?");
  EXPECT_EQ(boxes.Shown[1].Kind, mkConfirm);
  EXPECT_EQ(boxes.Shown[1].Buttons, QMessageBox::Yes | QMessageBox::Cancel);

  boxes.Answer = QMessageBox::Yes;
  EXPECT_TRUE(Show(files, [&] {
    Form.edtOutFileName->setText(existing);
    Form.btnJoin->click();
  }));
  EXPECT_TRUE(Show(files, [&] {
    Form.edtOutFileName->setText(QString::fromStdString(dir.File("new.avi")));
    Form.btnJoin->click();
  }));
  EXPECT_EQ(boxes.Shown.size(), 3u);
}

// What the join would refuse is told before the question, and the dialog stays with its choices.
TEST_F(JoinForm, JoinButtonChecksTheOutputBeforeAsking)
{
  TTempDir dir;
  const std::string input = dir.File("in.avi");
  WriteWholeFile(input, {1});
  TFakeList files;
  files.Add("AVI", 320, 240, 25).Named(input);
  TMessageBoxRecorder boxes(QMessageBox::Yes);
  const struct {
    std::string Output;
    std::string Message;
  } cases[] = {
      {input, "The output file is one of the input files"},
      {dir.File("no/out.avi"), "Cannot create file " + dir.File("no/out.avi") + ": the folder " + dir.File("no") +
                                   " does not exist"},
  };
  for (const auto& c : cases) {
    boxes.Shown.clear();
    EXPECT_FALSE(Show(files, [&] {
      Form.cbxJoinWORecomp->setChecked(false);
      Form.edtFrameWidth->SetValue(640);
      Form.edtOutFileName->setText(QString::fromStdString(c.Output));
      Form.btnJoin->click();
      EXPECT_TRUE(Form.isVisible());
      EXPECT_EQ(Form.edtFrameWidth->Value(), 640);
      EXPECT_FALSE(Form.cbxJoinWORecomp->isChecked());
    }));
    ASSERT_EQ(boxes.Shown.size(), 1u) << c.Output;
    EXPECT_EQ(boxes.Shown[0].Text.toStdString(), c.Message);
    EXPECT_EQ(boxes.Shown[0].Kind, mkWarning);
  }
  // The folder was asked, and keeps nothing of the asking.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);

  // Enter means Join, also after another button was pressed.
  boxes.Shown.clear();
  EXPECT_TRUE(Show(files, [&] {
    Form.cbxJoinWORecomp->setChecked(false);
    Form.edtOutFileName->setText(QString::fromStdString(dir.File("out.avi")));
    QTest::keyClick(Form.btnVideoCompOptions, Qt::Key_Return);
  }));
}

TEST_F(JoinForm, ChoicesAreWhatTheControlsShow)
{
  TFakeList files;
  files.Add("AVI", 320, 240, 25).Add("AVI", 320, 240, 25, false);
  ASSERT_GT(Form.cbxVideoCompression->count(), 1);
  // Both lists start at the entry without a compressor, which says what it costs.
  for (const QComboBox* list : {Form.cbxVideoCompression, Form.cbxAudioCompression}) {
    EXPECT_EQ(list->itemText(0), "Uncompressed (very large files)");
    EXPECT_EQ(list->currentIndex(), 0);
  }
  EXPECT_TRUE(Show(files, [&] {
    Form.edtOutFileName->setText("/tmp/out put.avi");
    Form.edtFrameWidth->SetValue(160);
    Form.edtFrameHeight->SetValue(120);
    Form.cbxFameRate->setCurrentText("29.97");
    Form.cbxResizeMethod->setCurrentText("Stretch");
    Form.cbxVideoCompression->setCurrentIndex(1);
    Form.cbxAudioCompression->setCurrentIndex(0);
    Form.accept();
  }));
  TJoinChoices choices = Form.Choices();
  EXPECT_FALSE(choices.JoinWORecomp);
  EXPECT_EQ(choices.OutFileName, "/tmp/out put.avi");
  EXPECT_EQ(choices.FrameWidth, 160);
  EXPECT_EQ(choices.FrameHeight, 120);
  EXPECT_EQ(choices.FrameRateText, "29.97");
  EXPECT_EQ(choices.DecimalSeparator, '.');
  EXPECT_EQ(choices.ResizeIndex, 2);
  ASSERT_NE(choices.VideoCompressor, nullptr);
  EXPECT_FALSE(choices.VideoCompressor->EncoderName.empty());
  EXPECT_EQ(choices.AudioCompressor, nullptr);
  EXPECT_TRUE(choices.DropAudio);
  // The same item gives the same compressor, so its options stay with it.
  EXPECT_EQ(Form.Choices().VideoCompressor, choices.VideoCompressor);

  Form.cbxAudioCompression->setCurrentIndex(1);
  Form.cbxVideoCompression->setCurrentIndex(-1);
  choices = Form.Choices();
  EXPECT_EQ(choices.VideoCompressor, nullptr);
  ASSERT_NE(choices.AudioCompressor, nullptr);
  EXPECT_TRUE(choices.AudioCompressor->Audio);
}

TEST_F(JoinForm, OptionsButtonEditsTheChosenEncodersOwnSettings)
{
  const int mpeg4 = Form.cbxVideoCompression->findText("(mpeg4)", Qt::MatchEndsWith);
  ASSERT_GE(mpeg4, 0);
  Form.cbxVideoCompression->setCurrentIndex(mpeg4);
  TMessageBoxRecorder boxes;
  WhenModal([&] {
    auto* options = qobject_cast<TfrmCompressorOptions*>(QApplication::activeModalWidget());
    ASSERT_NE(options, nullptr);
    auto* bitRate = options->findChild<QLineEdit*>("b");
    auto* keyFrames = options->findChild<QLineEdit*>("g");
    ASSERT_NE(bitRate, nullptr);
    ASSERT_NE(keyFrames, nullptr);
    EXPECT_EQ(bitRate->text(), "200000");
    bitRate->setText("800k");
    keyFrames->setText("many");
    options->accept();
    ASSERT_EQ(boxes.Shown.size(), 1u); // refused, still open
    EXPECT_EQ(boxes.Shown[0].Text, "'many' is not a valid value for g");
    keyFrames->setText("50");
    options->accept();
  });
  Form.btnVideoCompOptions->click();
  const TCompressorFilterPtr filter = Form.Choices().VideoCompressor;
  ASSERT_NE(filter, nullptr);
  EXPECT_EQ(filter->Options, (std::map<std::string, std::string>{{"b", "800k"}, {"g", "50"}}));

  // Shown again, the dialog starts from what was set.
  WhenModal([&] {
    auto* options = qobject_cast<TfrmCompressorOptions*>(QApplication::activeModalWidget());
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->findChild<QLineEdit*>("b")->text(), "800k");
    options->reject();
  });
  Form.btnVideoCompOptions->click();
  EXPECT_EQ(filter->Options.size(), 2u);
}

TEST_F(JoinForm, EncodersWithoutSettingsSayTheyHaveNoOptions)
{
  EXPECT_FALSE(CompressorHasOptions({"pcm_s16le", true, {}}));
  EXPECT_TRUE(CompressorHasOptions({"mpeg4", false, {}}));
  // An uncompressed format: nothing to set.
  const int raw = Form.cbxVideoCompression->findText("(yuv4)", Qt::MatchEndsWith);
  if (raw < 0)
    GTEST_SKIP() << "no yuv4 encoder in the list";
  Form.cbxVideoCompression->setCurrentIndex(raw);
  TMessageBoxRecorder boxes;
  Form.btnVideoCompOptions->click();
  ASSERT_EQ(boxes.Shown.size(), 1u);
  EXPECT_EQ(boxes.Shown[0].Text, "The selected compressor has no options");
  EXPECT_EQ(boxes.Shown[0].Kind, mkInformation);

  // Without a selection the button does nothing.
  Form.cbxVideoCompression->setCurrentIndex(-1);
  Form.btnVideoCompOptions->click();
  EXPECT_EQ(boxes.Shown.size(), 1u);
}

TEST_F(JoinForm, OutputFileButtonOffersTheExtensionOfTheRoad)
{
  TTempDir dir;
  TFakeList mpeg;
  Show(mpeg.Add("MPEG1", 352, 288, 25, false), [&] {
    AnswerFileDialog(QString::fromStdString(dir.File("joined")));
    Form.sbnSelectOutFile->click();
    EXPECT_EQ(Form.edtOutFileName->text().toStdString(), dir.File("joined.mpeg"));
    Form.cbxJoinWORecomp->setChecked(false);
    EXPECT_EQ(Form.edtOutFileName->text().toStdString(), dir.File("joined.avi"));
    AnswerFileDialog(QString::fromStdString(dir.File("other")));
    Form.sbnSelectOutFile->click();
    EXPECT_EQ(Form.edtOutFileName->text().toStdString(), dir.File("other.avi"));
  });
}

TEST_F(JoinForm, OutputNameChoosesTheContainersEncodersAndRefusesWhatItCannotCarry)
{
  TFakeList files;
  TMessageBoxRecorder boxes;
  Show(files.Add("AVI", 320, 240, 25).Add("MP4:H264", 640, 360, 25), [&] {
    // A new MP4 name gets H.264 at CRF 20 "medium" and AAC at 192 kbit/s, no dialog opened.
    Form.edtOutFileName->setText("/tmp/holiday.mp4");
    EXPECT_EQ(Form.cbxVideoCompression->itemText(1), "H.264 (libx264)"); // after the uncompressed entry
    EXPECT_EQ(Form.cbxVideoCompression->currentText(), "H.264 (libx264)");
    EXPECT_EQ(Form.cbxAudioCompression->currentText(), "AAC (aac)");
    TJoinChoices choices = Form.Choices();
    ASSERT_NE(choices.VideoCompressor, nullptr);
    ASSERT_NE(choices.AudioCompressor, nullptr);
    EXPECT_EQ(choices.VideoCompressor->Options,
              (std::map<std::string, std::string>{{"crf", "20"}, {"preset", "medium"}}));
    EXPECT_EQ(choices.AudioCompressor->Options, (std::map<std::string, std::string>{{"b", "192k"}}));
    EXPECT_TRUE(Form.lblCompressorNote->text().isEmpty());
    // Clearing the box keeps the name's container.
    Form.cbxJoinWORecomp->setChecked(false);
    EXPECT_EQ(Form.edtOutFileName->text(), "/tmp/holiday.mp4");

    // The dialog's choice follows the name: WebM's own encoders, then AVI's uncompressed again.
    Form.edtOutFileName->setText("/tmp/holiday.webm");
    EXPECT_EQ(Form.cbxVideoCompression->currentText(), "VP9 (libvpx-vp9)");
    EXPECT_TRUE(Form.cbxAudioCompression->currentText().endsWith("(libopus)"));
    EXPECT_TRUE(Form.lblCompressorNote->text().isEmpty());
    Form.edtOutFileName->setText("/tmp/holiday.avi");
    EXPECT_EQ(Form.cbxVideoCompression->currentIndex(), 0);
    EXPECT_EQ(Form.cbxAudioCompression->currentIndex(), 0);

    // The user's H.264 stays, and WebM cannot carry it: a note, and Join refuses.
    Form.edtOutFileName->setText("/tmp/holiday.mp4");
    const int h264 = Form.cbxVideoCompression->findText("H.264 (libx264)");
    Form.cbxVideoCompression->setCurrentIndex(h264);
    emit Form.cbxVideoCompression->activated(h264);
    const TCompressorFilterPtr picked = Form.Choices().VideoCompressor;
    Form.edtOutFileName->setText("/tmp/holiday.webm");
    EXPECT_TRUE(Form.cbxVideoCompression->currentText().endsWith("(libx264)"));
    EXPECT_EQ(Form.lblCompressorNote->text(), "WebM files cannot carry H.264 (libx264).");
    Form.btnJoin->click();
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.Shown[0].Kind, mkWarning);
    EXPECT_TRUE(Form.isVisible());

    // Back to AVI: its own list, in which the chosen encoder stays with its settings.
    Form.edtOutFileName->setText("/tmp/holiday.avi");
    EXPECT_EQ(Form.cbxVideoCompression->itemText(1), "MPEG-4 part 2 (mpeg4)"); // after the uncompressed entry
    EXPECT_EQ(Form.Choices().VideoCompressor, picked);
    EXPECT_TRUE(Form.lblCompressorNote->text().isEmpty());
  });
}

TEST_F(JoinForm, OptionsShowTheNamedControlsFirst)
{
  Form.edtOutFileName->setText("x.mp4");
  WhenModal([&] {
    auto* options = qobject_cast<TfrmCompressorOptions*>(QApplication::activeModalWidget());
    ASSERT_NE(options, nullptr);
    auto* quality = options->findChild<QSpinBox*>("knobQuality");
    auto* preset = options->findChild<QComboBox*>("knobPreset");
    ASSERT_NE(quality, nullptr);
    ASSERT_NE(preset, nullptr);
    EXPECT_EQ(quality->value(), 20);
    EXPECT_EQ(preset->currentText(), "medium");
    // The knobs' options are not listed twice; the others are, by their help text.
    EXPECT_EQ(options->findChild<QWidget*>("crf"), nullptr);
    ASSERT_NE(options->findChild<QWidget*>("tune"), nullptr);
    quality->setValue(26);
    preset->setCurrentText("veryfast");
    options->accept();
  });
  Form.btnVideoCompOptions->click();
  EXPECT_EQ(Form.Choices().VideoCompressor->Options,
            (std::map<std::string, std::string>{{"crf", "26"}, {"preset", "veryfast"}}));
  WhenModal([&] {
    auto* options = qobject_cast<TfrmCompressorOptions*>(QApplication::activeModalWidget());
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->findChild<QComboBox*>("knobBitRate")->currentText(), "192k");
    options->reject();
  });
  Form.btnAudioCompOptions->click();
}

TEST_F(JoinForm, ChapterBoxIsRememberedAndClearedForFilesWithChaptersOfTheirOwn)
{
  TTempDir dir;
  const QString output = QString::fromStdString(dir.File("joined.mp4"));
  TFurtherStream french;
  french.Kind = TFurtherStream::Sound;
  french.Language = "fre";
  french.Facts.CodecId = AV_CODEC_ID_AAC;
  TFakeList plain, marked, avi;
  plain.AddCopyable("MP4", {french}).AddCopyable("MP4");
  marked.AddCopyable("MP4", {}, 2).AddCopyable("MP4");
  avi.Add("AVI", 320, 240, 25);
  auto join = [&](TFakeList& files, bool tick, bool ticked) {
    EXPECT_TRUE(Show(files, [&] {
      EXPECT_TRUE(Form.cbxMarkChapters->isVisible());
      EXPECT_EQ(Form.cbxMarkChapters->isChecked(), ticked);
      EXPECT_EQ(Form.Choices().MarkFilesAsChapters, std::optional<bool>(ticked));
      Form.cbxMarkChapters->setChecked(tick);
      Form.edtOutFileName->setText(output);
      Form.btnJoin->click();
    }));
  };
  join(plain, false, true);
  join(plain, true, false);   // remembered as cleared
  join(marked, false, false); // cleared for files with chapters, not remembered so
  join(plain, true, true);
  Show(plain, [&] {
    EXPECT_TRUE(Form.lblNotes->text().contains("2.avi has no French sound track: the join has one sound track"))
        << Form.lblNotes->text().toStdString();
    Form.cbxJoinWORecomp->setChecked(false);
    EXPECT_FALSE(Form.cbxMarkChapters->isEnabled());
    EXPECT_EQ(Form.Choices().MarkFilesAsChapters, std::nullopt);
  });
  Show(avi, [&] { EXPECT_FALSE(Form.cbxMarkChapters->isVisible()); });
}

TEST_F(JoinForm, NotesFollowTheContainerTheOutputsNameAsksFor)
{
  TFurtherStream styled;
  styled.Kind = TFurtherStream::Subtitles;
  styled.Facts.CodecId = AV_CODEC_ID_ASS;
  TFakeList files;
  files.AddCopyable("MKV", {styled}).AddCopyable("MKV", {styled});
  Show(files, [&] {
    EXPECT_EQ(Form.lblNotes->text(), "");
    Form.edtOutFileName->setText("joined.mp4");
    EXPECT_TRUE(Form.lblNotes->text().contains("is left out; MP4 files cannot hold it")) << Form.lblNotes->text().toStdString();
    Form.edtOutFileName->setText("joined.mkv");
    EXPECT_EQ(Form.lblNotes->text(), "");
  });
}
