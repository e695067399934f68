#pragma once

#include <string>
#include <vector>

using TArgs = std::vector<std::string>;

// Exit statuses of the command-line tool.
constexpr int ExitOK = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitCancelled = 130;

int RunProbe(const TArgs& args);
int RunEncoders(const TArgs& args);
int RunJoin(const TArgs& args);
int RunProject(const TArgs& args);

// For a command whose engine is not there yet.
int NotBuiltYet(const std::string& command);
// Prints the message and the usage hint on standard error; returns ExitUsage.
int UsageError(const std::string& message);
