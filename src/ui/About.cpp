#include "ui/About.h"

#include "ui/ShellUtils.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

QLabel* MakeLabel(QWidget* Parent, int X, int Y, const QString& Text)
{
  auto* label = new QLabel(Text, Parent);
  label->move(X, Y);
  label->adjustSize();
  return label;
}

QFont ArialFont(int PixelSize, bool Bold)
{
  QFont font("Arial");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(PixelSize);
  font.setBold(Bold);
  return font;
}

QLabel* MakeLink(QWidget* Parent, int X, int Y, const QString& Url)
{
  auto* label =
      MakeLabel(Parent, X, Y, QString("<a href=\"%1\" style=\"color:#0000ff\">%1</a>").arg(Url.toHtmlEscaped()));
  label->setTextFormat(Qt::RichText);
  label->setCursor(Qt::PointingHandCursor);
  label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  QObject::connect(label, &QLabel::linkActivated, label, [Url] { ShellOpenUrl(Url); });
  label->adjustSize();
  return label;
}

} // namespace

TAboutForm::TAboutForm(const TProductInfo& Info, QWidget* Parent) : QDialog(Parent), FInfo(Info)
{
  setWindowTitle("About");

  ProductImage = new QLabel(this);
  ProductImage->setGeometry(18, 16, 32, 32);
  ProductImage->setPixmap(QApplication::windowIcon().pixmap(32, 32));

  lblProduct = MakeLabel(this, 70, 16, QString::fromStdString(FInfo.ProductName));
  QFont productFont = ArialFont(27, true);
  productFont.setUnderline(true);
  lblProduct->setFont(productFont);
  FitProductName();

  lblVersion = MakeLabel(this, 70, 58, "Version: " + QString::fromStdString(FInfo.Version));
  lblVersion->setFont(ArialFont(12, true));
  lblVersion->adjustSize();

  MakeLabel(this, 70, 117, "Contacts:");
  lblMail = MakeLink(this, 130, 117, QString::fromStdString(FInfo.ContactsURL));
  MakeLabel(this, 70, 142, "Website:");
  lblSite = MakeLink(this, 130, 142, QString::fromStdString(FInfo.SiteURL));

  lblLegal = new QLabel(QString::fromStdString(FInfo.LegalNotice), this);
  lblLegal->setFont(ArialFont(11, false));
  lblLegal->setAlignment(Qt::AlignCenter);

  // The box widens rather than cut off an address or the notice that does not fit.
  const int width = std::max(
      {352, lblMail->geometry().right() + 16, lblSite->geometry().right() + 16, lblLegal->sizeHint().width() + 16});
  setFixedSize(width, 243);
  lblLegal->setGeometry(0, 174, width, 20);
  auto* bevel = new QFrame(this);
  bevel->setGeometry(26, 167, width - 52, 2);
  bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);

  btnClose = new QPushButton("Close", this);
  btnClose->setGeometry((width - 75) / 2 + 1, 206, 75, 25);
  btnClose->setDefault(true);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutForm::FitProductName()
{
  // A long name is shown smaller until it fits beside the icon.
  lblProduct->adjustSize();
  while ((lblProduct->width() > 260 || lblProduct->height() > 35) && lblProduct->font().pixelSize() > 6) {
    QFont font = lblProduct->font();
    font.setPixelSize(font.pixelSize() - 1);
    lblProduct->setFont(font);
    lblProduct->adjustSize();
  }
}

void ShowAboutBox(const TProductInfo& Info, QWidget* Parent)
{
  TAboutForm box(Info, Parent);
  box.exec();
}
