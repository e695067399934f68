#pragma once

#include "core/JoinCls.h"
#include "core/JoinDecisions.h"
#include "platform/Compressors.h"
#include "platform/OutputContainer.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TNaturalEdit;

// One item of a compressor list: how to make the compressor (none for "No-compressing") and,
// once made, the compressor itself, so that what its Options dialog set stays with the item.
struct TCompressorItem {
  TCompressorMonikerPtr Moniker;
  TCompressorFilterPtr Filter;
};
using TCompressorList = std::vector<TCompressorItem>;

// An encoder the dialog chose for the output's container rather than the user, and the item
// chosen before it (0: uncompressed; -1: none).
struct TDialogChoice {
  bool Made = false;
  int Before = 0;
};

// The join options dialog: the output file, join without recompression or the output settings
// of a join with recompression. Made once, hidden; keeps its settings from one join to the next.
class TfrmJoin : public QDialog {
  Q_OBJECT

public:
  explicit TfrmJoin(QWidget* Parent = nullptr);

  // Shows the dialog modally for these files and what the Join command found out about them;
  // true when the user pressed Join.
  bool ShowJoinOptions(const TJoinList& Files, bool CanJoinWORecomp, bool DropAudio, bool NoAudio);
  // What the driver needs of the dialog after OK.
  TJoinChoices Choices();
  // The compressor of the item, or none.
  static TCompressorFilterPtr GetCompressor(TCompressorList& List, int Index);

  QLineEdit* edtOutFileName;
  QToolButton* sbnSelectOutFile;
  QCheckBox* cbxJoinWORecomp;
  QLabel* lblNotes;
  QCheckBox* cbxMarkChapters;
  QGroupBox* gbxOutOptions;
  QPushButton* Button1;
  TNaturalEdit* edtFrameWidth;
  TNaturalEdit* edtFrameHeight;
  QLabel* lblSizeWarning;
  QComboBox* cbxFameRate;
  QComboBox* cbxResizeMethod;
  QComboBox* cbxVideoCompression;
  QPushButton* btnVideoCompOptions;
  QComboBox* cbxAudioCompression;
  QPushButton* btnAudioCompOptions;
  QLabel* lblCompressorNote; // why the output's container cannot carry a chosen encoder
  QPushButton* btnJoin;
  QPushButton* btnCancel;

private:
  void CreateControls();
  void FillCompressors();
  void edtOutFileNameChange();
  void UpdateCompressorNote();
  std::string CarryProblems() const;
  void ShowCompressorOptions(TCompressorList& List, QComboBox* Combo);
  void PrepareShow();
  TJoinFacts UpdateNotes(); // returns the facts it told of
  void UpdateControls();
  void FillFrameRates();
  void UpdateSizeWarning();
  void cbxJoinWORecompClick();
  // Whether the join as the dialog stands writes chapters: a copy of today's containers.
  bool MarksChapters() const;
  // The extension of an output joined without recompression: ".mpeg", ".mp4", ...; else ".avi".
  QString OutputExtension() const;
  void SetOptimalSettings();
  void sbnSelectOutFileClick();
  void btnJoinClick();

  bool FCanJoinWORecomp = false;
  bool FDropAudio = false;
  bool FNoAudio = false;
  bool FChaptersProposed = true; // the box as the dialog ticked it for these files
  std::string FFirstFileType;
  std::string FCopyExtension; // ".mp4" when the first file takes the remux road
  TJoinList FFiles; // only while the dialog is shown
  TCompressorList FVideoCompressors;
  TCompressorList FAudioCompressors;
  const TOutputContainer* FContainer = &OutputContainers().front(); // of the output name
  TDialogChoice FVideoChoice;
  TDialogChoice FAudioChoice;
};
