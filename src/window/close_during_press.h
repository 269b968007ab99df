#pragma once

#include <QTimer>

// While a press waits for the control the window takes no input: what the user clicks or types
// meanwhile is carried out once the press is over, as it would be after any long handler. A
// close is the exception: the user can always close the program, and the window takes the close
// at once, which gives up what the press waits for.
class CloseDuringPress {
public:
    CloseDuringPress();
    ~CloseDuringPress();
    Q_DISABLE_COPY_MOVE(CloseDuringPress)

private:
    QTimer m_look;
#ifdef Q_OS_WIN
    // The thread's hook on the messages it takes, a HHOOK.
    void *m_closesHeldBack = nullptr;
#endif
};
