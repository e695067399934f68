#include "ui/JoinReportDlg.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmJoinReport::TfrmJoinReport(QWidget* Parent) : QDialog(Parent)
{
  setWindowTitle("Join Report");
  lblHeadline = new QLabel(this);
  lblHeadline->setWordWrap(true);
  lblHeadline->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QFont bold = lblHeadline->font();
  bold.setBold(true);
  lblHeadline->setFont(bold);
  edtDetails = new QPlainTextEdit(this);
  edtDetails->setReadOnly(true);
  edtDetails->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  btnOpenFolder = new QPushButton("Open folder", this);
  btnPlay = new QPushButton("Play", this);
  cbxDontShowAgain = new QCheckBox("Don't show again", this);
  btnClose = new QPushButton("Close", this);
  btnClose->setDefault(true);
  for (QPushButton* button : {btnOpenFolder, btnPlay})
    button->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnOpenFolder);
  buttons->addWidget(btnPlay);
  buttons->addStretch(1);
  buttons->addWidget(cbxDontShowAgain);
  buttons->addWidget(btnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeadline);
  layout->addWidget(edtDetails, 1);
  layout->addLayout(buttons);
  resize(560, 260);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmJoinReport::ShowReport(const QStringList& Lines, const QString& Output)
{
  FOutput = Output;
  lblHeadline->setText(Lines.value(0));
  edtDetails->setPlainText(Lines.mid(1).join('\n'));
  btnPlay->setEnabled(!Output.isEmpty() && QFileInfo(Output).isFile());
  btnOpenFolder->setEnabled(!Output.isEmpty() && QFileInfo(Output).absoluteDir().exists());
  show();
  raise();
  activateWindow();
}
