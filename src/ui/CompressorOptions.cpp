#include "ui/CompressorOptions.h"

#include "platform/Exceptions.h"
#include "ui/MainForm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// What the named controls show while the encoder's own choice applies.
const QString EncoderDefault = "Encoder's default";

const char* const KnobNames[] = {"knobQuality", "knobPreset", "knobBitRate"};

QWidget* KnobEditor(const TEncoderKnob& Knob, const QString& Value, QWidget* Parent)
{
  if (Knob.Choices.empty()) {
    auto* spin = new QSpinBox(Parent);
    spin->setRange(Knob.Min - 1, Knob.Max);
    spin->setSpecialValueText(EncoderDefault);
    spin->setValue(Value.isEmpty() ? Knob.Min - 1 : Value.toInt());
    return spin;
  }
  auto* combo = new QComboBox(Parent);
  combo->addItem(EncoderDefault);
  for (const std::string& choice : Knob.Choices)
    combo->addItem(QString::fromStdString(choice));
  combo->setCurrentIndex(std::max(0, combo->findText(Value)));
  return combo;
}

} // namespace

TfrmCompressorOptions::TfrmCompressorOptions(TCompressorFilter& Filter, QWidget* Parent)
    : QDialog(Parent), FFilter(Filter)
{
  setWindowTitle(QString::fromStdString(Filter.EncoderName) + " Options");
  resize(600, 460);
  auto* layout = new QVBoxLayout(this);

  const std::vector<TEncoderKnob> knobs = EncoderKnobs(Filter.EncoderName);
  if (!knobs.empty()) {
    auto* common = new QGroupBox(" Common Settings ", this);
    auto* form = new QFormLayout(common);
    for (const TEncoderKnob& knob : knobs) {
      QWidget* editor = KnobEditor(knob, QString::fromStdString(KnobValue(Filter, knob)), common);
      editor->setObjectName(KnobNames[int(knob.Kind)]);
      form->addRow(QString::fromStdString(knob.Label), editor);
      FKnobs.push_back({knob, editor});
    }
    layout->addWidget(common);
  }

  // Every setting, for those who know the encoder; the named controls above set their own.
  const std::vector<std::string> knobOptions = KnobOptionNames(Filter.EncoderName);
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  for (const TEncoderSetting& setting : EncoderSettings(Filter)) {
    if (std::find(knobOptions.begin(), knobOptions.end(), setting.Name) != knobOptions.end())
      continue;
    const auto stored = Filter.Options.find(setting.Name);
    const QString value = QString::fromStdString(stored != Filter.Options.end() ? stored->second : setting.Default);
    QWidget* editor;
    if (!setting.Choices.empty()) {
      auto* combo = new QComboBox(page);
      // Named values are offered; a number may still be typed where the option takes one.
      combo->setEditable(!setting.IsBool);
      for (const std::string& choice : setting.Choices)
        combo->addItem(QString::fromStdString(choice));
      combo->setCurrentText(value);
      editor = combo;
    } else {
      editor = new QLineEdit(value, page);
    }
    const QString name = QString::fromStdString(setting.Name);
    const QString help = QString::fromStdString(setting.Help);
    editor->setObjectName(name);
    editor->setToolTip(name);
    auto* label = new QLabel(help.isEmpty() ? name : help, page);
    label->setWordWrap(true);
    label->setToolTip(name);
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0);
    grid->addWidget(editor, row, 1);
    FRows.push_back({setting, editor});
  }
  grid->setColumnStretch(0, 1);
  grid->setRowStretch(grid->rowCount(), 1);

  if (!FRows.empty()) {
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    if (!knobs.empty())
      layout->addWidget(new QLabel("All settings of " + QString::fromStdString(Filter.EncoderName) + ":", this));
    layout->addWidget(scroll, 1);
  } else {
    delete page;
    layout->addStretch(1);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TfrmCompressorOptions::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

QString TfrmCompressorOptions::ValueText(const QWidget* Editor)
{
  if (const auto* spin = qobject_cast<const QSpinBox*>(Editor))
    return spin->value() < spin->minimum() + 1 ? QString() : QString::number(spin->value());
  if (const auto* combo = qobject_cast<const QComboBox*>(Editor))
    return combo->currentText() == EncoderDefault ? QString() : combo->currentText().trimmed();
  return static_cast<const QLineEdit*>(Editor)->text().trimmed();
}

void TfrmCompressorOptions::accept()
{
  TCompressorFilter result{FFilter.EncoderName, FFilter.Audio, {}};
  for (const TRow& row : FRows) {
    const std::string value = ValueText(row.Editor).toStdString();
    if (value == row.Setting.Default)
      continue;
    // A value the encoder refuses would only fail the join later, after the user has waited.
    if (!EncoderAccepts(FFilter.EncoderName, row.Setting.Name, value)) {
      TfrmMain::ShowMessageBox(QString::fromStdString("'" + value + "' is not a valid value for " + row.Setting.Name),
                               mkWarning, QMessageBox::Ok);
      row.Editor->setFocus();
      return;
    }
    result.Options[row.Setting.Name] = value;
  }
  for (const TKnobRow& knob : FKnobs)
    SetKnobValue(result, knob.Knob.Kind, ValueText(knob.Editor).toStdString());
  FFilter.Options = std::move(result.Options);
  QDialog::accept();
}
