#include "ui/JoinForm.h"

#include "core/JoinDecisions.h"
#include "core/VideoUtils.h"
#include "dshow/DSEnum.h"
#include "platform/EncoderSettings.h"
#include "remux/RemuxCheck.h"
#include "ui/CompressorOptions.h"
#include "ui/EditLib.h"
#include "ui/FileDlg.h"
#include "ui/MainForm.h"
#include "ui/Settings.h"
#include "ui/base/ProdInfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char* const ResizeMethodNames[] = {"Letterbox", "Crop", "Stretch", "No resize"};
constexpr int CropIndex = 1;
constexpr int NoResizeIndex = 3;

// Rates are shown, and read back by the driver, with the separator of the user's locale.
char LocaleDecimalSeparator()
{
  const QString point = QLocale().decimalPoint();
  return point.size() == 1 && point[0].unicode() < 128 ? char(point[0].unicode()) : '.';
}

// The name with the extension of its last component (from its last full stop on) replaced.
QString ChangeFileExt(const QString& Name, const QString& Extension)
{
  const qsizetype dot = Name.lastIndexOf('.');
  if (dot < 0 || dot < Name.lastIndexOf('/'))
    return Name + Extension;
  return Name.left(dot) + Extension;
}

QMessageBox::StandardButton Inform(const QString& Text)
{
  return TfrmMain::ShowMessageBox(Text, mkInformation, QMessageBox::Ok);
}

std::vector<std::string> ItemTexts(const QComboBox* Combo)
{
  std::vector<std::string> texts;
  for (int i = 0; i < Combo->count(); ++i)
    texts.push_back(Combo->itemText(i).toStdString());
  return texts;
}

// Fills the combo after its first `Keep` items with the compressors for the container, a separator
// line between those that suit it and the rest. The encoder chosen before stays chosen.
void FillCompressorList(bool Audio, const TOutputContainer& Container, QComboBox* Combo, TCompressorList& List,
                        int Keep)
{
  const int current = Combo->currentIndex();
  const TCompressorItem chosen = current >= 0 && current < int(List.size()) ? List[current] : TCompressorItem{};
  while (Combo->count() > Keep)
    Combo->removeItem(Keep);
  List.resize(Keep);
  std::vector<std::string> names;
  std::vector<TCompressorMonikerPtr> monikers;
  EnumCompressors(Audio, &names, &monikers, Container);
  int selected = current < Keep ? current : -1;
  for (size_t i = 0; i < names.size(); ++i) {
    if (!monikers[i]) {
      Combo->insertSeparator(Combo->count());
      List.push_back({});
      continue;
    }
    // The item keeps the settings its Options dialog gave it.
    const bool wasChosen = chosen.Moniker && chosen.Moniker->EncoderName == monikers[i]->EncoderName;
    if (wasChosen)
      selected = Combo->count();
    Combo->addItem(QString::fromStdString(names[i]));
    List.push_back({monikers[i], wasChosen ? chosen.Filter : nullptr});
  }
  Combo->setCurrentIndex(selected);
}

std::string EncoderNameAt(const TCompressorList& List, int Index)
{
  return Index >= 0 && Index < int(List.size()) && List[Index].Moniker ? List[Index].Moniker->EncoderName : "";
}

// The container's usual encoder is chosen where none is, and follows the container while the user
// leaves it; a container without one gets back what was chosen before.
void FollowContainer(bool Audio, const TOutputContainer& Container, QComboBox* Combo, const TCompressorList& List,
                     TDialogChoice& Choice)
{
  const TCompressorMonikerPtr encoder = DefaultEncoderFor(Audio, Container);
  if (!Choice.Made) {
    if (!encoder || !EncoderNameAt(List, Combo->currentIndex()).empty())
      return;
    Choice.Before = Combo->currentIndex() < 0 ? -1 : 0;
  }
  Choice.Made = encoder != nullptr;
  if (!encoder) {
    Combo->setCurrentIndex(Choice.Before);
    return;
  }
  for (size_t i = 0; i < List.size(); ++i)
    if (EncoderNameAt(List, int(i)) == encoder->EncoderName)
      Combo->setCurrentIndex(int(i));
}

// The Save dialog's types: the container of the current name first is chosen, others follow.
QString OutputFilter()
{
  QString filter;
  for (const TOutputContainer& container : OutputContainers()) {
    QString patterns;
    for (const std::string& extension : container.Extensions)
      patterns += (patterns.isEmpty() ? "*" : ";*") + QString::fromStdString(extension);
    filter += (filter.isEmpty() ? "" : "|") + QString::fromStdString(container.Name) + " File|" + patterns;
  }
  return filter;
}

} // namespace

namespace {

QString JoinSettingsKey()
{
  return QString::fromStdString(ProductInfo.RegistryKey) + "\\forms\\frmJoin";
}

} // namespace

TfrmJoin::TfrmJoin(QWidget* Parent) : QDialog(Parent)
{
  CreateControls();
  FillCompressors();
  cbxResizeMethod->setCurrentIndex(0);
}

void TfrmJoin::CreateControls()
{
  setWindowTitle("Join Options");

  auto* gbxOutFile = new QGroupBox(" Output File ", this);
  edtOutFileName = new QLineEdit(gbxOutFile);
  sbnSelectOutFile = new QToolButton(gbxOutFile);
  sbnSelectOutFile->setText("...");
  auto* outFileLayout = new QHBoxLayout(gbxOutFile);
  outFileLayout->addWidget(edtOutFileName);
  outFileLayout->addWidget(sbnSelectOutFile);

  cbxJoinWORecomp = new QCheckBox("Join without recompression", this);
  lblNotes = new QLabel(this);
  lblNotes->setWordWrap(true);
  auto* checkLayout = new QHBoxLayout;
  checkLayout->addWidget(cbxJoinWORecomp);
  checkLayout->addWidget(lblNotes, 1);
  cbxMarkChapters = new QCheckBox("Mark each file as a chapter", this);

  gbxOutOptions = new QGroupBox(" Output Settings ", this);
  Button1 = new QPushButton("Set optimal settings automatically", gbxOutOptions);
  edtFrameWidth = new TNaturalEdit(gbxOutOptions);
  edtFrameWidth->SetValue(320);
  edtFrameHeight = new TNaturalEdit(gbxOutOptions);
  edtFrameHeight->SetValue(240);
  for (TNaturalEdit* edit : {edtFrameWidth, edtFrameHeight})
    edit->setFixedWidth(64);
  lblSizeWarning =
      new QLabel("Note: Some video compressors can fail if Width or Height is not multiple 8.", gbxOutOptions);
  lblSizeWarning->setWordWrap(true);
  cbxFameRate = new QComboBox(gbxOutOptions);
  cbxResizeMethod = new QComboBox(gbxOutOptions);
  for (const char* name : ResizeMethodNames)
    cbxResizeMethod->addItem(name);
  cbxVideoCompression = new QComboBox(gbxOutOptions);
  btnVideoCompOptions = new QPushButton("Options", gbxOutOptions);
  cbxAudioCompression = new QComboBox(gbxOutOptions);
  btnAudioCompOptions = new QPushButton("Options", gbxOutOptions);
  lblCompressorNote = new QLabel(gbxOutOptions);
  lblCompressorNote->setWordWrap(true);
  lblCompressorNote->setStyleSheet("color: #b00000");
  // Long encoder names must not widen the dialog.
  for (QComboBox* combo : {cbxVideoCompression, cbxAudioCompression}) {
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(20);
  }

  auto* sizeLayout = new QHBoxLayout;
  sizeLayout->addWidget(edtFrameWidth);
  sizeLayout->addWidget(new QLabel("x", gbxOutOptions));
  sizeLayout->addWidget(edtFrameHeight);
  sizeLayout->addStretch(1);

  auto* grid = new QGridLayout(gbxOutOptions);
  grid->addWidget(Button1, 0, 0, 1, 3, Qt::AlignLeft);
  grid->addWidget(new QLabel("Frame Size", gbxOutOptions), 1, 0);
  grid->addLayout(sizeLayout, 1, 1, 1, 2);
  grid->addWidget(lblSizeWarning, 2, 1, 1, 2);
  grid->addWidget(new QLabel("Frame Rate", gbxOutOptions), 3, 0);
  grid->addWidget(cbxFameRate, 3, 1);
  grid->addWidget(new QLabel("Resize method", gbxOutOptions), 4, 0);
  grid->addWidget(cbxResizeMethod, 4, 1);
  grid->addWidget(new QLabel("Video Compression", gbxOutOptions), 5, 0);
  grid->addWidget(cbxVideoCompression, 5, 1);
  grid->addWidget(btnVideoCompOptions, 5, 2);
  grid->addWidget(new QLabel("Audio Compression", gbxOutOptions), 6, 0);
  grid->addWidget(cbxAudioCompression, 6, 1);
  grid->addWidget(btnAudioCompOptions, 6, 2);
  grid->addWidget(lblCompressorNote, 7, 1, 1, 2);
  // The rows keep their places whether the size warning shows or not.
  // Two lines of the warning, descenders of the second included.
  const QFontMetrics warningMetrics = lblSizeWarning->fontMetrics();
  const int warningHeight = 2 * warningMetrics.lineSpacing() + warningMetrics.descent();
  lblSizeWarning->setMinimumHeight(warningHeight);
  grid->setRowMinimumHeight(2, warningHeight);
  // Room for a note on each encoder.
  lblCompressorNote->setMinimumHeight(warningHeight);
  grid->setRowMinimumHeight(7, warningHeight);
  grid->setColumnStretch(1, 1);

  btnJoin = new QPushButton("Join", this);
  btnJoin->setDefault(true);
  btnCancel = new QPushButton("Cancel", this);
  // Enter means Join, whichever button was pressed last.
  for (QPushButton* button : {Button1, btnVideoCompOptions, btnAudioCompOptions, btnCancel})
    button->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnJoin);
  buttons->addWidget(btnCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(gbxOutFile);
  layout->addLayout(checkLayout);
  layout->addWidget(cbxMarkChapters);
  layout->addWidget(gbxOutOptions, 1);
  layout->addLayout(buttons);
  // The design size, or taller where this system's fonts need it.
  setFixedSize(477, std::max(358, sizeHint().height()));

  connect(cbxJoinWORecomp, &QCheckBox::toggled, this, [this] { cbxJoinWORecompClick(); });
  connect(edtFrameWidth, &QLineEdit::textChanged, this, [this] { UpdateSizeWarning(); });
  connect(edtFrameHeight, &QLineEdit::textChanged, this, [this] { UpdateSizeWarning(); });
  connect(Button1, &QPushButton::clicked, this, [this] { SetOptimalSettings(); });
  connect(btnVideoCompOptions, &QPushButton::clicked, this,
          [this] { ShowCompressorOptions(FVideoCompressors, cbxVideoCompression); });
  connect(btnAudioCompOptions, &QPushButton::clicked, this,
          [this] { ShowCompressorOptions(FAudioCompressors, cbxAudioCompression); });
  connect(edtOutFileName, &QLineEdit::textChanged, this, [this] { edtOutFileNameChange(); });
  for (QComboBox* combo : {cbxVideoCompression, cbxAudioCompression})
    connect(combo, &QComboBox::currentIndexChanged, this, [this] { UpdateCompressorNote(); });
  // What the user picks stays, whatever the name.
  connect(cbxVideoCompression, &QComboBox::activated, this, [this] { FVideoChoice.Made = false; });
  connect(cbxAudioCompression, &QComboBox::activated, this, [this] { FAudioChoice.Made = false; });
  connect(sbnSelectOutFile, &QToolButton::clicked, this, [this] { sbnSelectOutFileClick(); });
  connect(btnJoin, &QPushButton::clicked, this, [this] { btnJoinClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmJoin::FillCompressors()
{
  // The entry without a compressor says what it costs, so that no one chooses it unawares.
  for (auto [combo, list] : {std::pair{cbxVideoCompression, &FVideoCompressors}, {cbxAudioCompression, &FAudioCompressors}})
    if (combo->count() == 0) {
      combo->addItem("Uncompressed (very large files)");
      list->push_back({nullptr, nullptr});
      combo->setCurrentIndex(0);
    }
  FillCompressorList(false, *FContainer, cbxVideoCompression, FVideoCompressors, 1);
  FillCompressorList(true, *FContainer, cbxAudioCompression, FAudioCompressors, 1);
}

void TfrmJoin::edtOutFileNameChange()
{
  if (!FFiles.empty())
    UpdateNotes();
  const TOutputContainer& container = ContainerOfFile(QFile::encodeName(edtOutFileName->text()).toStdString());
  if (&container == FContainer)
    return;
  FContainer = &container;
  FillCompressors();
  FollowContainer(false, container, cbxVideoCompression, FVideoCompressors, FVideoChoice);
  FollowContainer(true, container, cbxAudioCompression, FAudioCompressors, FAudioChoice);
  UpdateCompressorNote();
}

std::string TfrmJoin::CarryProblems() const
{
  std::string problems;
  const struct {
    const TCompressorList& List;
    const QComboBox* Combo;
    bool Audio;
  } kinds[] = {{FVideoCompressors, cbxVideoCompression, false}, {FAudioCompressors, cbxAudioCompression, true}};
  for (const auto& kind : kinds) {
    const int index = kind.Combo->currentIndex();
    const TCompressorMonikerPtr moniker =
        index >= 0 && index < int(kind.List.size()) ? kind.List[index].Moniker : nullptr;
    const std::string problem = CarryProblem(*FContainer, kind.Audio, moniker ? moniker->EncoderName : "");
    if (!problem.empty())
      problems += (problems.empty() ? "" : "\n") + problem + ".";
  }
  return problems;
}

void TfrmJoin::UpdateCompressorNote()
{
  lblCompressorNote->setText(QString::fromStdString(CarryProblems()));
}

bool TfrmJoin::ShowJoinOptions(const TJoinList& Files, bool CanJoinWORecomp, bool DropAudio, bool NoAudio)
{
  FFiles = Files;
  FCanJoinWORecomp = CanJoinWORecomp;
  FDropAudio = DropAudio;
  FNoAudio = NoAudio;
  edtOutFileName->clear();
  PrepareShow();
  edtOutFileName->setFocus();
  const bool accepted = exec() == QDialog::Accepted;
  FFiles.clear();
  return accepted;
}

void TfrmJoin::PrepareShow()
{
  const TJoinFacts facts = UpdateNotes();
  // Files with chapters of their own keep them; marking the files too is the user's choice.
  FChaptersProposed = !facts.HasChapters && ReadSettingString(JoinSettingsKey(), "MarkFilesAsChapters") != "0";
  cbxMarkChapters->setChecked(FChaptersProposed);
  TJoinFacts defaults;
  defaults.CanJoinWORecomp = FCanJoinWORecomp;
  defaults.DropAudio = FDropAudio;
  defaults.NoAudio = FNoAudio;
  cbxJoinWORecomp->setChecked(DefaultJoinWORecomp(defaults));
  cbxJoinWORecomp->setEnabled(FCanJoinWORecomp);
  UpdateControls();
  FillFrameRates();
  UpdateSizeWarning();
}

TJoinFacts TfrmJoin::UpdateNotes()
{
  lblNotes->clear();
  // Files of today's containers are told apart in words: which file differs, and in what; what
  // the output leaves out depends on the container its name asks for.
  const TJoinFacts facts = ComputeJoinFacts(FFiles, QFile::encodeName(edtOutFileName->text()).toStdString());
  const QString copyNote = QString::fromStdString(facts.CopyNote);
  if (!FCanJoinWORecomp)
    lblNotes->setText(copyNote.isEmpty() ? "<-- impossible because the selected files have different formats"
                                         : "<-- impossible: " + copyNote);
  else if (FDropAudio && !FNoAudio)
    lblNotes->setText(copyNote.isEmpty() ? "- files will be joined without sound (" +
                                               QString::fromStdString(SoundLeftOutReason(FFiles)) + ")"
                                         : "- files will be joined without sound (" + copyNote + ")");
  for (const std::string& note : facts.StreamNotes)
    lblNotes->setText(lblNotes->text() + (lblNotes->text().isEmpty() ? "- " : "\n- ") + QString::fromStdString(note));
  return facts;
}

void TfrmJoin::UpdateControls()
{
  lblNotes->setVisible(cbxJoinWORecomp->isChecked() || !cbxJoinWORecomp->isEnabled());
  // Chapters are written by the copy of today's containers.
  cbxMarkChapters->setVisible(MarksChapters() || (!FFiles.empty() && TakesRemuxRoad(*FFiles.front())));
  cbxMarkChapters->setEnabled(MarksChapters());
  for (QWidget* control : gbxOutOptions->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    control->setEnabled(!cbxJoinWORecomp->isChecked());
}

bool TfrmJoin::MarksChapters() const
{
  return cbxJoinWORecomp->isChecked() && !FFiles.empty() && TakesRemuxRoad(*FFiles.front());
}

void TfrmJoin::cbxJoinWORecompClick()
{
  UpdateControls();
  const QString name = edtOutFileName->text();
  if (name.trimmed().isEmpty())
    return;
  // A recompressing join writes the container the name asks for.
  if (!cbxJoinWORecomp->isChecked() && !IsAvi(*FContainer))
    return;
  edtOutFileName->setText(ChangeFileExt(name, OutputExtension()));
}

QString TfrmJoin::OutputExtension() const
{
  if (!cbxJoinWORecomp->isChecked())
    return ".avi";
  if (FFirstFileType == "MPEG1")
    return ".mpeg";
  return FCopyExtension.empty() ? ".avi" : QString::fromStdString(FCopyExtension);
}

void TfrmJoin::FillFrameRates()
{
  cbxFameRate->clear();
  FFirstFileType = FFiles.empty() ? std::string() : FFiles.front()->TypeName;
  FCopyExtension = !FFiles.empty() && TakesRemuxRoad(*FFiles.front())
                       ? ContainerExtension(FFiles.front()->CopyFormat.Container)
                       : std::string();
  const TFrameRateItems rates = FrameRateItems(FFiles, LocaleDecimalSeparator());
  for (const std::string& item : rates.Items)
    cbxFameRate->addItem(QString::fromStdString(item));
  cbxFameRate->setCurrentIndex(rates.Selected);
}

void TfrmJoin::UpdateSizeWarning()
{
  lblSizeWarning->setVisible(edtFrameWidth->Value() % 8 != 0 || edtFrameHeight->Value() % 8 != 0);
}

void TfrmJoin::SetOptimalSettings()
{
  const TOptimalSettings settings = ComputeOptimalSettings(FFiles);
  if (settings.FrameWidth && settings.FrameHeight) {
    edtFrameWidth->SetValue(*settings.FrameWidth);
    edtFrameHeight->SetValue(*settings.FrameHeight);
  }
  if (settings.FrameRate) {
    std::vector<std::string> items = ItemTexts(cbxFameRate);
    const int index = AddFrameRate(items, *settings.FrameRate, LocaleDecimalSeparator());
    if (index == cbxFameRate->count())
      cbxFameRate->addItem(QString::fromStdString(items.back()));
    cbxFameRate->setCurrentIndex(index);
  }
  cbxResizeMethod->setCurrentIndex(settings.Crop ? CropIndex : NoResizeIndex);
  const int video = ChooseVideoCompressor(ItemTexts(cbxVideoCompression));
  if (video >= 0)
    cbxVideoCompression->setCurrentIndex(video);
  else
    Inform("Unable to find an optimum video compressor. We advice to install DivX.");
  const int audio = ChooseAudioCompressor(ItemTexts(cbxAudioCompression));
  if (audio >= 0)
    cbxAudioCompression->setCurrentIndex(audio);
  // Asked for by the user, so kept whatever the name.
  FVideoChoice.Made = FAudioChoice.Made = false;
}

TCompressorFilterPtr TfrmJoin::GetCompressor(TCompressorList& List, int Index)
{
  if (Index < 0 || Index >= int(List.size()) || !List[Index].Moniker)
    return nullptr;
  TCompressorItem& item = List[Index];
  if (!item.Filter)
    item.Filter = item.Moniker->BindToObject();
  return item.Filter;
}

void TfrmJoin::ShowCompressorOptions(TCompressorList& List, QComboBox* Combo)
{
  const TCompressorFilterPtr filter = GetCompressor(List, Combo->currentIndex());
  if (!filter)
    return;
  if (!CompressorHasOptions(*filter)) {
    Inform("The selected compressor has no options");
    return;
  }
  TfrmCompressorOptions options(*filter, this);
  options.exec();
}

void TfrmJoin::sbnSelectOutFileClick()
{
  TFileSaveDialog dialog;
  dialog.OwnerHandle = this;
  TfrmMain* main = TfrmMain::Instance();
  if (main != nullptr && !main->LastSaveFolder().isEmpty())
    dialog.InitialDir = main->LastSaveFolder();
  // A join without recompression writes the first file's kind; with it, any container.
  const QString copyExtension = cbxJoinWORecomp->isChecked() ? OutputExtension().mid(1) : QString();
  if (copyExtension == "mpeg") {
    dialog.Filter = "MPEG File|*.mpeg";
    dialog.DefaultExt = "mpeg";
  } else if (!copyExtension.isEmpty() && copyExtension != "avi") {
    dialog.Filter = copyExtension.toUpper() + " File|*." + copyExtension;
    dialog.DefaultExt = copyExtension;
  } else {
    dialog.Filter = OutputFilter();
    const auto& containers = OutputContainers();
    dialog.FilterIndex = int(FContainer - containers.data()) + 1;
    dialog.DefaultExt = QString::fromStdString(FContainer->Extensions.front()).mid(1);
  }
  dialog.Title = "Select the output file name";
  // The Join button asks before an existing file is replaced.
  dialog.Flags &= ~OFN_OVERWRITEPROMPT;
  if (!dialog.Execute())
    return;
  if (main != nullptr)
    main->SetLastSaveFolder(QFileInfo(dialog.FileName).absolutePath());
  edtOutFileName->setText(dialog.FileName);
}

void TfrmJoin::btnJoinClick()
{
  if (edtOutFileName->text().trimmed().isEmpty()) {
    Inform("Please specify the output file");
    edtOutFileName->setFocus();
    return;
  }
  // A bare name goes where the last output went, never into the program's working folder.
  const TfrmMain* main = TfrmMain::Instance();
  const QString folder =
      main != nullptr && !main->LastSaveFolder().isEmpty() ? main->LastSaveFolder() : QDir::homePath();
  const QString name = QFile::decodeName(QByteArray::fromStdString(
      CompleteOutputName(QFile::encodeName(edtOutFileName->text()).toStdString(), QFile::encodeName(folder).toStdString(),
                         OutputExtension().toStdString())));
  edtOutFileName->setText(name);
  // Refused here rather than when the join has started.
  const std::string problems = cbxJoinWORecomp->isChecked() ? std::string() : CarryProblems();
  if (!problems.empty()) {
    TfrmMain::ShowMessageBox(QString::fromStdString(problems), mkWarning, QMessageBox::Ok);
    return;
  }
  std::vector<std::string> inputs;
  for (const TVideoFileInfo* info : FFiles)
    inputs.push_back(info->FileName);
  try {
    CheckJoinOutput(inputs, QFile::encodeName(name).toStdString());
  } catch (const std::exception& e) {
    TfrmMain::ShowMessageBox(QString::fromStdString(e.what()), mkWarning, QMessageBox::Ok);
    edtOutFileName->setFocus();
    return;
  }
  if (QFileInfo::exists(name)) {
    const QString question = "The \"" + name + "\" file already exists. \r\nDo you want to overwrite it?";
    if (TfrmMain::ShowMessageBox(question, mkConfirm, QMessageBox::Yes | QMessageBox::Cancel) != QMessageBox::Yes)
      return;
  }
  // The box is remembered as the user left it, not as it was cleared for files with chapters.
  if (MarksChapters() && cbxMarkChapters->isChecked() != FChaptersProposed)
    WriteSettingString(JoinSettingsKey(), "MarkFilesAsChapters", cbxMarkChapters->isChecked() ? "1" : "0");
  accept();
}

TJoinChoices TfrmJoin::Choices()
{
  TJoinChoices choices;
  choices.JoinWORecomp = cbxJoinWORecomp->isChecked();
  choices.OutFileName = QFile::encodeName(edtOutFileName->text()).toStdString();
  choices.FrameWidth = edtFrameWidth->Value();
  choices.FrameHeight = edtFrameHeight->Value();
  choices.FrameRateText = cbxFameRate->currentText().toStdString();
  choices.DecimalSeparator = LocaleDecimalSeparator();
  choices.ResizeIndex = cbxResizeMethod->currentIndex();
  choices.VideoCompressor = GetCompressor(FVideoCompressors, cbxVideoCompression->currentIndex());
  choices.AudioCompressor = GetCompressor(FAudioCompressors, cbxAudioCompression->currentIndex());
  choices.DropAudio = FDropAudio;
  if (MarksChapters())
    choices.MarkFilesAsChapters = cbxMarkChapters->isChecked();
  return choices;
}
