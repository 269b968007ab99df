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

    std::array<QLineEdit *, ActionValues::shownCount> boxes{};
    for (int i = 0; i < int(boxes.size()); ++i)
        boxes[i] = window->findChild<QLineEdit *>(QStringLiteral("Text%1").arg(i + 1));
    auto *log = window->findChild<ActionLog *>(QStringLiteral("Text8"));

    QObject::connect(control, &InterfaceControl::actionEvent, window,
                     [boxes, log](const ActionValues &values) {
                         const ShownTexts texts = shownTexts(values);
                         for (std::size_t i = 0; i < texts.size(); ++i)
                             boxes[i]->setText(texts[i]);
                         const QString strLine = logLine(values, texts);
                         log->setPlainText(strLine + QStringLiteral("\r\n") + log->toCrLfText());
                     });
}
