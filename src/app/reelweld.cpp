#include "platform/MediaServices.h"
#include "ui/Application.h"
#include "ui/MainForm.h"
#include "ui/ProgressDlg.h"
#include "ui/base/ProdInfo.h"

#include <QIcon>

int main(int argc, char* argv[])
{
  StartMediaServices();
  TReelweldApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromStdString(ProductInfo.ProductName));
  QApplication::setWindowIcon(QIcon(":/icons/reelweld.png"));
  SetProgressDialogFactory([] { return std::make_unique<TfrmProgress>(); });
  TfrmMain frmMain;
  frmMain.setWindowTitle(QString::fromStdString(ProductInfo.ProductName));
  CreateJoinOptionsDialog(&frmMain);
  frmMain.show();
  return app.exec();
}
