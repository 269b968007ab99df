#pragma once

#include "event_value.h"

#include <QLocale>
#include <QString>

// How a reported value reads on the screen: in a value box, and in the log's numeric columns.

// A value is present when its plain text is not empty: every number is, zero included.
bool isPresent(const EventValue &value);

// The value as the value boxes show it: numbers in the user's regional format.
QString plainText(const EventValue &value, const QLocale &locale = QLocale());

// The value as the log's numeric columns show it: a blank or "-" first, a full stop as decimal
// separator whatever the region. A text that reads as a number is shown as that number; any
// other text is shown unchanged.
QString signColumnText(const EventValue &value);
