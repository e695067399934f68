#include "platform/ProgressSeam.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// Records what a join does with its dialog, and when the dialog is freed.
class TRecordingDialog final : public TProgressDialog {
public:
  explicit TRecordingDialog(std::vector<std::string>& Log) : FLog(Log) {}
  ~TRecordingDialog() override { FLog.push_back("freed"); }
  void SetCaption(const std::string& Caption) override { FLog.push_back("caption " + Caption); }
  void SetText(const std::string& Text) override { FLog.push_back("text " + Text); }
  void Show() override { FLog.push_back("shown"); }
  void SetProgress(double) override {}
  bool IsCancelled() override { return false; }

private:
  std::vector<std::string>& FLog;
};

} // namespace

TEST(ProgressScope, ShowsTheDialogForOneJoinAndFreesItHoweverTheJoinEnds)
{
  for (const bool fails : {false, true}) {
    std::vector<std::string> log;
    SetProgressDialogFactory([&] { return std::make_unique<TRecordingDialog>(log); });
    std::unique_ptr<TProgressDialog> holder;
    try {
      const TProgressScope progress(holder, "Please wait...");
      EXPECT_NE(holder, nullptr);
      log.push_back("join");
      if (fails)
        throw std::runtime_error("disk full");
    } catch (const std::runtime_error&) {
      log.push_back("failure seen");
    }
    SetProgressDialogFactory({});
    EXPECT_EQ(holder, nullptr);
    std::vector<std::string> expected = {"caption Joining...", "text Please wait...", "shown", "join", "freed"};
    if (fails)
      expected.push_back("failure seen"); // the dialog is gone before the failure is shown
    EXPECT_EQ(log, expected);
  }
}
