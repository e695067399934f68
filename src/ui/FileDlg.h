#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

class QFileDialog;
class QWidget;

// The common-dialog flags that the file dialogs honour; the others are kept but mean nothing here.
constexpr uint32_t OFN_OVERWRITEPROMPT = 0x2;
constexpr uint32_t OFN_HIDEREADONLY = 0x4;
constexpr uint32_t OFN_ALLOWMULTISELECT = 0x200;
constexpr uint32_t OFN_FILEMUSTEXIST = 0x1000;
constexpr uint32_t OFN_EXPLORER = 0x80000;

// "Description|pattern;pattern|..." as the chooser's name filters, "Description (pattern pattern)".
QStringList FilterToNameFilters(const QString& Filter);

// Create, fill the fields, Execute once, read FileName (and Files).
class TFileCommonDialog {
public:
  TFileCommonDialog() = default;
  virtual ~TFileCommonDialog() = default;
  TFileCommonDialog(const TFileCommonDialog&) = delete;
  TFileCommonDialog& operator=(const TFileCommonDialog&) = delete;

  // True when the user confirmed a choice; false on cancel.
  virtual bool Execute() = 0;

  QWidget* OwnerHandle = nullptr;
  QString InitialDir; // empty: the system's choice
  QString Title;      // empty: the system's default title
  QString FileName;   // the chosen file; with several, the first
  QString Filter;
  uint32_t Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  int FilterIndex = 0; // 1-based like the pairs of Filter; 0 selects the first pair

protected:
  // Applies the shared fields to a chooser.
  void Prepare(QFileDialog& Dialog) const;
};

class TFileOpenDialog : public TFileCommonDialog {
public:
  bool Execute() override;

  QStringList Files; // all chosen files, full paths
  bool MultiSelect = false;
};

class TFileSaveDialog : public TFileCommonDialog {
public:
  TFileSaveDialog() { Flags |= OFN_OVERWRITEPROMPT; }
  bool Execute() override;

  QString DefaultExt; // appended when the typed name has none
};
