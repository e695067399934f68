#include "platform/Compressors.h"
#include "platform/MediaServices.h"
#include "ui/Application.h"
#include "ui/MainForm.h"
#include "ui/ProgressDlg.h"
#include "ui/base/ProdInfo.h"

#include <QIcon>
#include <QTimer>
#include <thread>

int main(int argc, char* argv[])
{
  StartMediaServices();
  // Listing the compressors opens every encoder once, which takes a while: it runs beside the
  // start-up of the windows, and the join dialog that shows the lists is made once the main
  // window is up.
  const std::jthread compressorScan([] {
    ListCompressorCategory(false);
    ListCompressorCategory(true);
  });
  TReelweldApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromStdString(ProductInfo.ProductName));
  QApplication::setWindowIcon(QIcon(":/icons/reelweld.png"));
  SetProgressDialogFactory([] { return std::make_unique<TfrmProgress>(); });
  TfrmMain frmMain;
  frmMain.setWindowTitle(QString::fromStdString(ProductInfo.ProductName));
  frmMain.show();
  QTimer::singleShot(0, &frmMain, [&frmMain] { CreateJoinOptionsDialog(&frmMain); });
  return app.exec();
}
