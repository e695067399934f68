#pragma once

// SIGINT and SIGTERM ask for a cancel from the very start of the program, so that one that comes
// before a join begins is not lost (the join then ends at once with status 130).
void CatchCancelSignals();
// The commands that have nothing to cancel let the signals end the program again.
void ReleaseCancelSignals();
bool CancelSignalled();

// While alive, engines report to standard error; a caught signal cancels the join.
class TConsoleProgressScope {
public:
  TConsoleProgressScope();
  ~TConsoleProgressScope();
  TConsoleProgressScope(const TConsoleProgressScope&) = delete;
  TConsoleProgressScope& operator=(const TConsoleProgressScope&) = delete;
};
