#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>
#include <variant>

// One value that the interface control reports with an action. Whole numbers are kept apart
// from fractional ones so that 64-bit counts survive without rounding.
class EventValue {
public:
    enum class Kind { Empty, Null, Text, Number };

    EventValue() = default;
    static EventValue null();
    static EventValue text(const QString &text);
    static EventValue whole(qint64 number);
    static EventValue number(double number);

    Kind kind() const;

    // A value is present when its plain text is not empty: every number is, zero included.
    bool isPresent() const;

    // The value as the value boxes show it: numbers in the user's regional format.
    QString plainText(const QLocale &locale = QLocale()) const;

    // The value as the log's numeric columns show it: a blank or "-" first, a full stop as
    // decimal separator whatever the region. A text that reads as a number is shown as that
    // number; any other text is shown unchanged.
    QString signColumnText() const;

    bool operator==(const EventValue &other) const = default;

private:
    struct Null {
        bool operator==(const Null &) const = default;
    };
    using Storage = std::variant<std::monostate, Null, QString, qint64, double>;

    explicit EventValue(Storage value)
        : m_value(std::move(value))
    {}

    Storage m_value;
};
