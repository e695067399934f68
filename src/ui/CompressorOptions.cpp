#include "ui/CompressorOptions.h"

#include "platform/FFmpegPtr.h"
#include "ui/MainForm.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>
#include <memory>

namespace {

// The codec context's own settings that matter to a user: rate, key frames, quality bounds.
const char* const CommonVideoOptions[] = {"b", "maxrate", "bufsize", "g", "bf", "qmin", "qmax"};
const char* const CommonAudioOptions[] = {"b"};

// A context of the encoder with every option at its default; options are read and tried on it.
TCodecContextPtr DefaultContext(const TCompressorFilter& Filter, const AVCodec** Codec)
{
  *Codec = avcodec_find_encoder_by_name(Filter.EncoderName.c_str());
  return TCodecContextPtr(*Codec != nullptr ? avcodec_alloc_context3(*Codec) : nullptr);
}

bool IsOffered(const AVOption* option, bool audio)
{
  switch (option->type) {
  case AV_OPT_TYPE_INT:
  case AV_OPT_TYPE_INT64:
  case AV_OPT_TYPE_UINT64:
  case AV_OPT_TYPE_DOUBLE:
  case AV_OPT_TYPE_FLOAT:
  case AV_OPT_TYPE_STRING:
  case AV_OPT_TYPE_BOOL:
  case AV_OPT_TYPE_FLAGS:
  case AV_OPT_TYPE_RATIONAL:
  case AV_OPT_TYPE_DURATION:
    break;
  default:
    return false;
  }
  const int kind = audio ? AV_OPT_FLAG_AUDIO_PARAM : AV_OPT_FLAG_VIDEO_PARAM;
  return (option->flags & AV_OPT_FLAG_ENCODING_PARAM) && (option->flags & kind) &&
         !(option->flags & (AV_OPT_FLAG_DEPRECATED | AV_OPT_FLAG_READONLY));
}

std::string CurrentValue(AVCodecContext* context, const char* name)
{
  uint8_t* value = nullptr;
  if (av_opt_get(context, name, AV_OPT_SEARCH_CHILDREN, &value) < 0 || value == nullptr)
    return {};
  std::string text(reinterpret_cast<const char*>(value));
  av_free(value);
  return text;
}

// `object` is the context or its private data: the structure whose class declares the option.
TEncoderSetting MakeSetting(AVCodecContext* context, void* object, const AVOption* option)
{
  TEncoderSetting setting;
  setting.Name = option->name;
  setting.Help = option->help != nullptr ? option->help : "";
  setting.Default = CurrentValue(context, option->name);
  if (option->type == AV_OPT_TYPE_BOOL) {
    setting.IsBool = true;
    if (option->min < 0)
      setting.Choices.push_back("auto");
    setting.Choices.insert(setting.Choices.end(), {"false", "true"});
  } else if (option->unit != nullptr && option->type != AV_OPT_TYPE_FLAGS) {
    int64_t value = 0;
    const bool isNumber = av_opt_get_int(object, option->name, 0, &value) >= 0;
    const AVOption* named = nullptr;
    while ((named = av_opt_next(object, named)) != nullptr) {
      if (named->type != AV_OPT_TYPE_CONST || named->unit == nullptr || std::string(named->unit) != option->unit)
        continue;
      setting.Choices.push_back(named->name);
      if (isNumber && named->default_val.i64 == value)
        setting.Default = named->name;
    }
  }
  return setting;
}

} // namespace

std::vector<TEncoderSetting> EncoderSettings(const TCompressorFilter& Filter)
{
  const AVCodec* codec = nullptr;
  const TCodecContextPtr context = DefaultContext(Filter, &codec);
  if (!context)
    return {};
  std::vector<TEncoderSetting> settings;
  // Rate and quality mean nothing to an encoder that keeps every bit.
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec->id);
  if (descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_LOSSY)) {
    const auto first = Filter.Audio ? std::begin(CommonAudioOptions) : std::begin(CommonVideoOptions);
    const auto last = Filter.Audio ? std::end(CommonAudioOptions) : std::end(CommonVideoOptions);
    for (auto name = first; name != last; ++name) {
      const AVOption* option = av_opt_find(context.get(), *name, nullptr, 0, 0);
      if (option != nullptr && IsOffered(option, Filter.Audio))
        settings.push_back(MakeSetting(context.get(), context.get(), option));
    }
  }
  if (codec->priv_class != nullptr && context->priv_data != nullptr) {
    const AVOption* option = nullptr;
    while ((option = av_opt_next(context->priv_data, option)) != nullptr) {
      const bool known = std::any_of(settings.begin(), settings.end(),
                                     [&](const TEncoderSetting& setting) { return setting.Name == option->name; });
      if (!known && IsOffered(option, Filter.Audio))
        settings.push_back(MakeSetting(context.get(), context->priv_data, option));
    }
  }
  return settings;
}

bool CompressorHasOptions(const TCompressorFilter& Filter)
{
  return !EncoderSettings(Filter).empty();
}

TfrmCompressorOptions::TfrmCompressorOptions(TCompressorFilter& Filter, QWidget* Parent)
    : QDialog(Parent), FFilter(Filter)
{
  setWindowTitle(QString::fromStdString(Filter.EncoderName) + " Options");
  resize(560, 420);

  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  for (const TEncoderSetting& setting : EncoderSettings(Filter)) {
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
    editor->setToolTip(help);
    auto* helpLabel = new QLabel(help, page);
    helpLabel->setWordWrap(true);
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(name, page), row, 0);
    grid->addWidget(editor, row, 1);
    grid->addWidget(helpLabel, row, 2);
    FRows.push_back({setting, editor});
  }
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(grid->rowCount(), 1);

  auto* scroll = new QScrollArea(this);
  scroll->setWidget(page);
  scroll->setWidgetResizable(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &TfrmCompressorOptions::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll);
  layout->addWidget(buttons);
}

QString TfrmCompressorOptions::ValueText(const TRow& Row) const
{
  if (const auto* combo = qobject_cast<const QComboBox*>(Row.Editor))
    return combo->currentText().trimmed();
  return static_cast<const QLineEdit*>(Row.Editor)->text().trimmed();
}

void TfrmCompressorOptions::accept()
{
  const AVCodec* codec = nullptr;
  const TCodecContextPtr context = DefaultContext(FFilter, &codec);
  std::map<std::string, std::string> options;
  for (const TRow& row : FRows) {
    const std::string value = ValueText(row).toStdString();
    if (value == row.Setting.Default)
      continue;
    // A value the encoder refuses would only fail the join later, after the user has waited.
    if (!context || av_opt_set(context.get(), row.Setting.Name.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN) < 0) {
      TfrmMain::ShowMessageBox(QString::fromStdString("'" + value + "' is not a valid value for " + row.Setting.Name),
                               mkWarning, QMessageBox::Ok);
      row.Editor->setFocus();
      return;
    }
    options[row.Setting.Name] = value;
  }
  FFilter.Options = std::move(options);
  QDialog::accept();
}
