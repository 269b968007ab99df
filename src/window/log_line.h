#pragma once

#include "action_values.h"
#include "value_text.h"

#include <QLocale>
#include <QString>

// The log's line for one reported action: the action and parameters 1 to 5 in six fields
// separated by tabs, parameters 3 to 5 in sign-column form, absent values as empty fields.
// Control characters inside a value are shown as their visible pictures, so that a value can
// never split the line or add a field.
QString logLine(const ActionValues &values, const QLocale &locale = QLocale());
// The same line from the texts the value boxes already show, so that no value is rendered twice.
QString logLine(const ActionValues &values, const ShownTexts &boxTexts);

// The text with every character that would break a line or a field replaced by a visible one.
QString withVisibleControls(QString text);
