#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

// Watches the event loop turn: the longest wait between ticks of a fast timer, in milliseconds,
// is how long the window could not repaint or take input.
class EventLoopGaps {
public:
    EventLoopGaps()
    {
        m_sinceTick.start();
        QObject::connect(&m_ticker, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_sinceTick.restart()); });
        m_ticker.start(10);
    }

    qint64 longest() const { return m_longest; }

private:
    QElapsedTimer m_sinceTick;
    QTimer m_ticker;
    qint64 m_longest = 0;
};
