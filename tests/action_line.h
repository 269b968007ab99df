#pragma once

#include <QByteArray>

// A control host's line for an action whose first value is the JSON given and whose six others
// are empty.
inline QByteArray actionLine(const QByteArray &firstValue)
{
    return R"({"type":"action","values":[)" + firstValue +
           R"(,{"kind":"empty"},{"kind":"empty"},{"kind":"empty"},{"kind":"empty"},)"
           R"({"kind":"empty"},{"kind":"empty"}]})";
}
