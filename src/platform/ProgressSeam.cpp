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

TProgressScope::TProgressScope(std::unique_ptr<TProgressDialog>& Holder, const std::string& Text) : FHolder(Holder)
{
  FHolder = CreateProgressDialog();
  FHolder->SetCaption("Joining...");
  FHolder->SetText(Text);
  FHolder->Show();
}
