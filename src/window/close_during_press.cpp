#include "close_during_press.h"

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qwindowsysteminterface_p.h>

using namespace std::chrono_literals;

namespace {

// The window system's closes wait in its queue with the user's input, which the press leaves
// there; they alone are taken out and carried out now.
void carryOutCloses()
{
    using Queue = QWindowSystemInterfacePrivate;
    while (Queue::WindowSystemEvent *close = Queue::peekWindowSystemEvent(Queue::Close)) {
        QGuiApplicationPrivate::processWindowSystemEvent(close);
        // Which deletes it: the queue owns its events.
        Queue::removeWindowSystemEvent(close);
    }
}

} // namespace

CloseDuringPress::CloseDuringPress()
{
    // Quick enough for a click on the close button, and nothing to a waiting window.
    m_look.setInterval(50ms);
    QObject::connect(&m_look, &QTimer::timeout, carryOutCloses);
    m_look.start();
}
