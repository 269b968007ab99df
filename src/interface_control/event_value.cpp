#include "event_value.h"

EventValue EventValue::null()
{
    return EventValue(Null{});
}

EventValue EventValue::text(const QString &text)
{
    return EventValue(text);
}

EventValue EventValue::whole(qint64 number)
{
    return EventValue(number);
}

EventValue EventValue::fraction(double number)
{
    return EventValue(number);
}

EventValue EventValue::decimal(const QString &digits)
{
    return EventValue(Decimal{digits});
}

EventValue::Kind EventValue::kind() const
{
    switch (m_value.index()) {
    case 0:
        return Kind::Empty;
    case 1:
        return Kind::Null;
    case 2:
        return Kind::Text;
    default:
        return Kind::Number;
    }
}
