#include "close_during_press.h"

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qwindowsysteminterface_p.h>

#ifdef Q_OS_WIN
#include <QWindow>
#include <qt_windows.h>
#endif

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

#ifdef Q_OS_WIN
// Qt's own loop on Windows holds a posted WM_CLOSE and the keys of Alt+F4 back with the user's
// input, before they become a close; so they are made one here, as the thread takes them.
LRESULT CALLBACK closeWhatAsksToClose(int code, WPARAM taken, LPARAM message)
{
    MSG &taking = *reinterpret_cast<MSG *>(message);
    const bool altF4 = taking.message == WM_SYSKEYDOWN && taking.wParam == VK_F4 &&
                       (HIWORD(taking.lParam) & KF_ALTDOWN);
    if (code == HC_ACTION && taken == PM_REMOVE && (taking.message == WM_CLOSE || altF4)) {
        const HWND topLevel = GetAncestor(taking.hwnd, GA_ROOT);
        for (QWindow *window : QGuiApplication::topLevelWindows())
            if (window->handle() && HWND(window->winId()) == topLevel) {
                QWindowSystemInterface::handleCloseEvent<
                    QWindowSystemInterface::AsynchronousDelivery>(window);
                taking.message = WM_NULL;
                break;
            }
    }
    return CallNextHookEx(nullptr, code, taken, message);
}
#endif

} // namespace

CloseDuringPress::CloseDuringPress()
{
    // Quick enough for a click on the close button, and nothing to a waiting window.
    m_look.setInterval(50ms);
    QObject::connect(&m_look, &QTimer::timeout, carryOutCloses);
    m_look.start();
#ifdef Q_OS_WIN
    m_closesHeldBack =
        SetWindowsHookExW(WH_GETMESSAGE, closeWhatAsksToClose, nullptr, GetCurrentThreadId());
#endif
}

CloseDuringPress::~CloseDuringPress()
{
#ifdef Q_OS_WIN
    if (m_closesHeldBack)
        UnhookWindowsHookEx(static_cast<HHOOK>(m_closesHeldBack));
#endif
}
