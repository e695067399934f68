#include "support/ProgressRecorder.h"

#include "platform/ProgressSeam.h"

namespace {

class TRecordingDialog : public TProgressDialog {
public:
  explicit TRecordingDialog(std::shared_ptr<TProgressRecorder::TState> state) : FState(std::move(state))
  {
    ++FState->DialogsMade;
    ++FState->DialogsAlive;
  }
  ~TRecordingDialog() override { --FState->DialogsAlive; }
  void SetCaption(const std::string& Caption) override { FState->Caption = Caption; }
  void SetText(const std::string& Text) override { FState->Text = Text; }
  void Show() override { FState->Shown = true; }
  void SetProgress(double Progress) override
  {
    FState->Reports.push_back(Progress);
    if (FState->OnReport)
      FState->OnReport(FState->Reports.size());
  }
  bool IsCancelled() override
  {
    ++FState->CancelQueries;
    return FState->CancelAt >= 0 && int(FState->Reports.size()) >= FState->CancelAt;
  }

private:
  std::shared_ptr<TProgressRecorder::TState> FState;
};

} // namespace

TProgressRecorder::TProgressRecorder(int cancelAtReport)
{
  State->CancelAt = cancelAtReport;
  SetProgressDialogFactory([state = State] { return std::make_unique<TRecordingDialog>(state); });
}

TProgressRecorder::~TProgressRecorder()
{
  SetProgressDialogFactory({});
}
