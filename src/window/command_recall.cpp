#include "command_recall.h"

#include <QKeyEvent>
#include <QLineEdit>

CommandRecall::CommandRecall(QLineEdit *box)
    : QObject(box)
    , m_box(box)
{
    box->installEventFilter(this);
}

void CommandRecall::recordSent()
{
    m_history.record(m_box->text());
}

bool CommandRecall::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_box || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->key() != Qt::Key_Up && key->key() != Qt::Key_Down) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const auto recalled =
        key->key() == Qt::Key_Up ? m_history.older(m_box->text()) : m_history.newer(m_box->text());
    if (recalled) {
        // Replacing the text as a paste does keeps the box's undo steps, so that Ctrl+Z gives
        // back what the user had typed, and tells screen readers of the new text.
        m_box->selectAll();
        m_box->insert(*recalled);
    }
    return true;
}
