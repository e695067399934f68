#pragma once

#include <QString>

#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString& Text, std::ostream* Out)
{
  *Out << '"' << Text.toStdString() << '"';
}
