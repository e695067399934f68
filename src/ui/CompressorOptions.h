#pragma once

#include "platform/EncoderSettings.h"

#include <QDialog>

#include <vector>

class QWidget;

// The compressor's own configuration dialog: the named controls of the common encoders first
// (quality, speed, bit rate), then every setting of the encoder, labelled by its help text. OK
// keeps in the filter's Options every value that differs from the encoder's default, after the
// encoder has accepted each one.
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
  struct TKnobRow {
    TEncoderKnob Knob;
    QWidget* Editor;
  };
  static QString ValueText(const QWidget* Editor);

  TCompressorFilter& FFilter;
  std::vector<TKnobRow> FKnobs;
  std::vector<TRow> FRows;
};
