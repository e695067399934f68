#pragma once

#include "platform/JoinOutcome.h"

#include <string>
#include <vector>

// A join of `files` into `output` by an engine that takes a list and an output (TStitchbox,
// TPressline, TRemuxWelder), after `setUp` has set the rest of it; what it did.
template <class TEngine, class TSetUp = void (*)(TEngine&)>
TJoinOutcome RunJoinEngine(
    const std::vector<std::string>& files, const std::string& output, const TSetUp& setUp = [](TEngine&) {})
{
  TEngine engine;
  engine.Files = files;
  engine.OutputFileName = output;
  setUp(engine);
  engine.Execute();
  return engine.Outcome;
}
