#pragma once

#include <cstddef>
#include <functional>

// Calls Work(0) .. Work(Count - 1), each once, spread over every core; returns when all are done.
// Work must catch its own exceptions: an escaping one ends the program.
void ForEachOnEveryCore(size_t Count, const std::function<void(size_t)>& Work);
