#pragma once

#include "action_values.h"
#include "event_value.h"

#include <QLocale>
#include <QString>

// How a reported value reads on the screen: in a value box, and in the log's numeric columns.

// The value as the value boxes show it: numbers in the user's regional format.
QString plainText(const EventValue &value, const QLocale &locale = QLocale());

// The shown values of one action as the value boxes show them, in the control's order.
using ShownTexts = std::array<QString, ActionValues::shownCount>;
ShownTexts shownTexts(const ActionValues &values, const QLocale &locale = QLocale());

// The value as the log's numeric columns show it: a blank or "-" first, a full stop as decimal
// separator whatever the region. A text that reads as a number is shown as that number; any
// other text is shown unchanged.
QString signColumnText(const EventValue &value);
