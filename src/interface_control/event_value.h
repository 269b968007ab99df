#pragma once

#include <QString>
#include <QtGlobal>
#include <variant>

// One value that the interface control reports with an action: empty, null, a text or a number.
// Whole numbers are kept apart from fractional ones so that 64-bit counts survive without
// rounding, and a number with more digits than either holds keeps its exact decimal digits. How
// a value reads on the screen is the window's business.
class EventValue {
public:
    enum class Kind { Empty, Null, Text, Number };
    struct Null {
        bool operator==(const Null &) const = default;
    };
    // "-", digits and a full stop, with no superfluous zeros: "-0.000000001234567890123456789".
    struct Decimal {
        QString digits;
        bool operator==(const Decimal &) const = default;
    };
    using Storage = std::variant<std::monostate, Null, QString, qint64, double, Decimal>;

    EventValue() = default;
    static EventValue null();
    static EventValue text(const QString &text);
    static EventValue whole(qint64 number);
    static EventValue fraction(double number);
    static EventValue decimal(const QString &digits);

    Kind kind() const;
    const Storage &value() const { return m_value; }

    bool operator==(const EventValue &other) const = default;

private:
    explicit EventValue(Storage value)
        : m_value(std::move(value))
    {}

    Storage m_value;
};
