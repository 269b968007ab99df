#include "exerciser_controller.h"

#include "action_log.h"
#include "close_during_press.h"
#include "command_buttons.h"
#include "command_recall.h"
#include "form.h"
#include "interface_control.h"
#include "log_line.h"
#include "value_text.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <map>
#include <new>

namespace {

// A message box lays out every character it is given, and a command or a reason a million
// characters long would stall the window for most of a minute. The message shows both ends;
// the text itself stays whole where the user typed it.
QString shortened(const QString &text)
{
    constexpr qsizetype kept = 100; // characters from each end
    if (text.size() <= 2 * kept + 1)
        return text;
    qsizetype head = kept;
    qsizetype tail = kept;
    if (text.at(head - 1).isHighSurrogate())
        --head;
    if (text.at(text.size() - tail).isLowSurrogate())
        --tail;
    return text.left(head) + u'\u2026' + text.right(tail);
}

} // namespace

ExerciserController::ExerciserController(QWidget *window, const Form &form,
                                         InterfaceControl *control)
    : QObject(window)
    , m_window(window)
    , m_control(control)
    , m_values(form.parts<QLineEdit>(WidgetRole::Value))
    , m_log(form.part<ActionLog>(WidgetRole::Log))
{
    connect(m_control, &InterfaceControl::actionEvent, this, &ExerciserController::showAction);
    connect(m_control, &InterfaceControl::problem, this, &ExerciserController::showFailure);
    connect(m_control, &InterfaceControl::modalStateChanged, this,
            &ExerciserController::holdForTheControl);
    connect(form.part<QPushButton>(WidgetRole::Clear), &QPushButton::clicked, m_log,
            &ActionLog::clear);

    std::map<WidgetRole, CommandRecall *> recalls;
    for (const CommandButton &button : commandButtons) {
        auto *source = form.part<QLineEdit>(button.source);
        CommandRecall *&recall = recalls[button.source];
        if (!recall)
            recall = new CommandRecall(source);
        connect(form.part<QPushButton>(button.button), &QPushButton::clicked, this,
                [this, &button, source, recall] {
                    // Recalled whether the control takes it or not, as a shell keeps a command
                    // that failed: a refused command is the one most often corrected and sent
                    // again.
                    recall->recordSent();
                    send(button, source->text());
                });
    }
}

void ExerciserController::showAction(const ActionValues &values)
{
    // A value too large to hold must not take the rest of the log with it.
    try {
        const ShownTexts texts = shownTexts(values);
        for (std::size_t i = 0; i < texts.size(); ++i)
            m_values[qsizetype(i)]->setText(texts[i]);
        m_log->prependLine(logLine(values, texts));
    } catch (const std::bad_alloc &) {
        showFailure(tr("A reported action could not be shown."),
                    tr("There was not enough memory for its values."));
    }
}

void ExerciserController::send(const CommandButton &button, const QString &sourceText)
{
    const QString verb = QString::fromLatin1(button.verb);
    const QString text = sourceText + QLatin1StringView(button.suffix);
    const CloseDuringPress closable;
    if (const auto error = m_control->sendCommand(verb, text))
        showFailure(
            tr("The command \"%1\" (%2) was not sent.").arg(shortened(text), shortened(verb)),
            shortened(*error));
}

// The user's log and boxes matter more than any one command: say what went wrong and carry on.
void ExerciserController::showFailure(const QString &what, const QString &why)
{
    // A window the user closed meanwhile has no one left to tell.
    if (!m_window->isVisible())
        return;
    auto *box = new QMessageBox(QMessageBox::Warning, m_window->windowTitle(), what,
                                QMessageBox::Ok, m_window);
    // The command and the control's message are the user's and the control's words, never markup.
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(Qt::convertFromPlainText(why));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

// As a modal dialog of the control's own would disable its form; the user then carries on where
// they were.
void ExerciserController::holdForTheControl(bool held)
{
    if (held) {
        m_focusBeforeHeld = m_window->focusWidget();
        m_window->setEnabled(false);
        return;
    }
    m_window->setEnabled(true);
    if (m_focusBeforeHeld)
        m_focusBeforeHeld->setFocus();
}
