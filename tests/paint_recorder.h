#pragma once

#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRect>
#include <QWidget>
#include <chrono>
#include <initializer_list>
#include <vector>

// Keeps every paint of the watched widgets, in order: which widget painted, what and when.
class PaintRecorder : public QObject {
public:
    struct Paint {
        QObject *widget;
        QRect region;
        std::chrono::steady_clock::time_point at;
    };

    explicit PaintRecorder(std::initializer_list<QWidget *> widgets)
    {
        for (QWidget *widget : widgets)
            widget->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            paints.push_back({watched, static_cast<QPaintEvent *>(event)->rect(),
                              std::chrono::steady_clock::now()});
        return false;
    }

    std::vector<Paint> paints;
};
