#include "platform/ProgressSeam.h"

namespace {

class TSilentProgressDialog final : public TProgressDialog {
public:
  void SetCaption(const std::string&) override {}
  void SetText(const std::string&) override {}
  void Show() override {}
  void SetProgress(double) override {}
  bool IsCancelled() override { return false; }
};

TProgressDialogFactory& Factory()
{
  static TProgressDialogFactory factory;
  return factory;
}

} // namespace

void SetProgressDialogFactory(TProgressDialogFactory NewFactory)
{
  Factory() = std::move(NewFactory);
}

std::unique_ptr<TProgressDialog> CreateProgressDialog()
{
  if (Factory())
    return Factory()();
  return std::make_unique<TSilentProgressDialog>();
}

std::unique_ptr<TProgressDialog> ShowJoiningDialog(const std::string& Text)
{
  std::unique_ptr<TProgressDialog> dialog = CreateProgressDialog();
  dialog->SetCaption("Joining...");
  dialog->SetText(Text);
  dialog->Show();
  return dialog;
}

TProgressScope::TProgressScope(std::unique_ptr<TProgressDialog>& Holder, const std::string& Text) : FHolder(Holder)
{
  FHolder = ShowJoiningDialog(Text);
}
