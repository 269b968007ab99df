#include "read_join_write.h"

#include "action_log.h"
#include "exerciser_window.h"
#include "interface_control.h"

void useReadJoinWrite(ExerciserWindow *window, InterfaceControl *control)
{
    auto *log = window->findChild<ActionLog *>(QStringLiteral("Text8"));
    // Connected after the window's own handler, so it runs once the line is in.
    QObject::connect(control, &InterfaceControl::actionEvent, log,
                     [log] { log->setPlainText(log->toCrLfText()); });
}
