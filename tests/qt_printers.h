#pragma once

#include <QString>
#include <ostream>

// Lets test failures show texts as texts rather than as arrays of 16-bit code units.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
