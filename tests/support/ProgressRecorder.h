#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Records what an engine tells its progress dialog and cancels once `cancelAtReport` progress
// reports have arrived (never when negative). Installed while the object lives.
class TProgressRecorder {
public:
  explicit TProgressRecorder(int cancelAtReport = -1);
  ~TProgressRecorder();
  TProgressRecorder(const TProgressRecorder&) = delete;
  TProgressRecorder& operator=(const TProgressRecorder&) = delete;

  struct TState {
    std::string Caption, Text;
    bool Shown = false;
    int DialogsMade = 0;
    int DialogsAlive = 0;
    int CancelAt = -1;
    int CancelQueries = 0;
    std::vector<double> Reports;
    std::function<void(size_t)> OnReport; // as each report arrives, with the count so far
  };
  std::shared_ptr<TState> State = std::make_shared<TState>();
};
