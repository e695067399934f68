#pragma once

#include "ui/base/ProdInfo.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: product name, version, the maker's addresses and the legal notice.
class TAboutForm : public QDialog {
  Q_OBJECT

public:
  TAboutForm(const TProductInfo& Info, QWidget* Parent = nullptr);

  QLabel* ProductImage;
  QLabel* lblProduct;
  QLabel* lblVersion;
  QLabel* lblMail;
  QLabel* lblSite;
  QLabel* lblLegal;
  QPushButton* btnClose;

private:
  void FitProductName();

  TProductInfo FInfo;
};

// Shows the About box modally.
void ShowAboutBox(const TProductInfo& Info, QWidget* Parent);
