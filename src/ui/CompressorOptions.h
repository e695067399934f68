#pragma once

#include "platform/Compressors.h"

#include <QDialog>

#include <vector>

class QWidget;

// One setting of an encoder, as the options dialog shows it.
struct TEncoderSetting {
  std::string Name;                 // the option's name, the key in TCompressorFilter::Options
  std::string Help;                 // FFmpeg's one-line description
  std::string Default;              // the value the encoder starts with, as text
  std::vector<std::string> Choices; // named values, when the option has them
  bool IsBool = false;
};

// The settings worth offering for an encoder: its rate, quality and key-frame controls when it
// compresses with loss, and its own options.
std::vector<TEncoderSetting> EncoderSettings(const TCompressorFilter& Filter);
bool CompressorHasOptions(const TCompressorFilter& Filter);

// The compressor's own configuration dialog. OK keeps in the filter's Options every value that
// differs from the encoder's default, after the encoder has accepted each one.
class TfrmCompressorOptions : public QDialog {
  Q_OBJECT

public:
  TfrmCompressorOptions(TCompressorFilter& Filter, QWidget* Parent = nullptr);

  void accept() override;

private:
  struct TRow {
    TEncoderSetting Setting;
    QWidget* Editor;
  };
  QString ValueText(const TRow& Row) const;

  TCompressorFilter& FFilter;
  std::vector<TRow> FRows;
};
