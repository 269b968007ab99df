#include "window_placement.h"

#include <QStyle>
#include <algorithm>

QPoint centredPosition(QSize size, const QRect &available)
{
    const QRect centred = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, available);
    return {std::max(centred.left(), available.left()), std::max(centred.top(), available.top())};
}
