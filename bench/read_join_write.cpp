#include "read_join_write.h"

#include "action_log.h"
#include "exerciser_window.h"
#include "interface_control.h"
#include "log_line.h"
#include "value_text.h"

#include <QLineEdit>
#include <array>

void useReadJoinWrite(ExerciserWindow *window, InterfaceControl *control)
{
    QObject::disconnect(control, &InterfaceControl::actionEvent, window, nullptr);

    std::array<QLineEdit *, 6> boxes{};
    for (int i = 0; i < int(boxes.size()); ++i)
        boxes[i] = window->findChild<QLineEdit *>(QStringLiteral("Text%1").arg(i + 1));
    auto *log = window->findChild<ActionLog *>(QStringLiteral("Text8"));

    QObject::connect(
        control, &InterfaceControl::actionEvent, window, [boxes, log](const ActionValues &values) {
            const std::array shown{&values.bszAction, &values.bszParm1, &values.bszParm2,
                                   &values.bszParm3,  &values.bszParm4, &values.bszParm5};
            for (std::size_t i = 0; i < shown.size(); ++i)
                boxes[i]->setText(plainText(*shown[i]));
            const QString strLine = logLine(values);
            log->setPlainText(strLine + QStringLiteral("\r\n") + log->toCrLfText());
        });
}
