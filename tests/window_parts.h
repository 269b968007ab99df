#pragma once

#include "action_log.h"

#include <QPushButton>
#include <QTest>

// The exerciser window's log, found by its name, and its buttons, pressed as the user presses them.
inline ActionLog *logOf(const QWidget *window)
{
    return window->findChild<ActionLog *>(QStringLiteral("Text8"));
}

inline void press(const QWidget *window, const char *button)
{
    QTest::mouseClick(window->findChild<QPushButton *>(QString::fromUtf8(button)), Qt::LeftButton);
}
