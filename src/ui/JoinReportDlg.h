#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// What the last join did, shown when it ends: its headline, where the output is, every seam note
// and warning, with buttons to open the output's folder or play it. Owned by the main window,
// which answers the buttons; not modal, so that the list stays at hand.
class TfrmJoinReport : public QDialog {
  Q_OBJECT

public:
  explicit TfrmJoinReport(QWidget* Parent);

  // Lines as JoinReportLines gives them; Output is the file written, or empty when there is none.
  void ShowReport(const QStringList& Lines, const QString& Output);
  const QString& Output() const { return FOutput; }

  QLabel* lblHeadline;
  QPlainTextEdit* edtDetails;
  QPushButton* btnOpenFolder;
  QPushButton* btnPlay;
  QCheckBox* cbxDontShowAgain; // the status line alone tells of later joins
  QPushButton* btnClose;

private:
  QString FOutput;
};
