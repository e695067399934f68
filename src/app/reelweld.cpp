#include "ui/base/ProdInfo.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromStdString(ProductInfo.ProductName));
  QMainWindow frmMain;
  frmMain.setWindowTitle(QString::fromStdString(ProductInfo.ProductName));
  frmMain.resize(640, 400);
  frmMain.show();
  return app.exec();
}
