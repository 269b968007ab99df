#pragma once

#include "action_values.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <iomanip>
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

inline void PrintTo(const EventValue &value, std::ostream *os)
{
    const EventValue::Storage &stored = value.value();
    if (const auto *text = std::get_if<QString>(&stored))
        PrintTo(*text, os);
    else if (const auto *whole = std::get_if<qint64>(&stored))
        *os << "whole " << *whole;
    else if (const auto *number = std::get_if<double>(&stored))
        *os << "fraction " << std::setprecision(17) << *number;
    else if (const auto *decimal = std::get_if<EventValue::Decimal>(&stored))
        *os << "decimal " << decimal->digits.toStdString();
    else
        *os << (value.kind() == EventValue::Kind::Null ? "null" : "empty");
}

inline void PrintTo(const ActionValues &values, std::ostream *os)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        *os << (i == 0 ? "{" : ", ");
        PrintTo(values[i], os);
    }
    *os << '}';
}
