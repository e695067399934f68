#pragma once

// While alive, engines report to standard error and SIGINT or SIGTERM cancels the join.
class TConsoleProgressScope {
public:
  TConsoleProgressScope();
  ~TConsoleProgressScope();
  TConsoleProgressScope(const TConsoleProgressScope&) = delete;
  TConsoleProgressScope& operator=(const TConsoleProgressScope&) = delete;

  bool Cancelled() const;
};
