#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <ostream>

// Lets test failures show texts as texts rather than as arrays of 16-bit code units.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QPoint &point, std::ostream *os)
{
    *os << '(' << point.x() << ", " << point.y() << ')';
}

inline void PrintTo(const QSize &size, std::ostream *os)
{
    *os << size.width() << "×" << size.height();
}

inline void PrintTo(const QRect &rect, std::ostream *os)
{
    *os << rect.width() << "×" << rect.height() << " at (" << rect.x() << ", " << rect.y() << ')';
}
