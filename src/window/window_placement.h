#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window of the given size first goes: centred in the screen's available area, but
// never above or left of it, so that its title bar stays within reach on a small screen.
QPoint centredPosition(QSize size, const QRect &available);
