#include "action_log_accessible.h"

#include "action_log.h"

#include <QScrollBar>

namespace {

void notify(QAccessibleEvent &&event)
{
    QAccessible::updateAccessibility(&event);
}

} // namespace

ActionLogAccessible::ActionLogAccessible(ActionLog *log)
    : QAccessibleWidget(log, QAccessible::EditableText)
{}

ActionLog *ActionLogAccessible::log() const
{
    return static_cast<ActionLog *>(widget());
}

LogDocument &ActionLogAccessible::document() const
{
    return log()->document();
}

void *ActionLogAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ActionLogAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString ActionLogAccessible::text(QAccessible::Text type) const
{
    if (type == QAccessible::Value)
        return document().toPlainText();
    return QAccessibleWidget::text(type);
}

// A screen reader that sets the text edits it as the user would: the change can be undone.
void ActionLogAccessible::setText(QAccessible::Text type, const QString &text)
{
    if (type == QAccessible::Value)
        document().replace(0, document().size(), text);
    else
        QAccessibleWidget::setText(type, text);
}

void ActionLogAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !document().hasSelection())
        return;
    *startOffset = int(document().selectionStart());
    *endOffset = int(document().selectionEnd());
}

int ActionLogAccessible::selectionCount() const
{
    return document().hasSelection() ? 1 : 0;
}

void ActionLogAccessible::addSelection(int startOffset, int endOffset)
{
    document().setSelection(startOffset, endOffset);
}

void ActionLogAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        document().setCaret(document().caret());
}

void ActionLogAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        document().setSelection(startOffset, endOffset);
}

int ActionLogAccessible::cursorPosition() const
{
    return int(document().caret());
}

void ActionLogAccessible::setCursorPosition(int position)
{
    document().setCaret(position);
}

QString ActionLogAccessible::text(int startOffset, int endOffset) const
{
    return document().store().mid(startOffset, endOffset - startOffset);
}

// Lines are what readers ask for most; they are found in the store without copying the text.
QString ActionLogAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                          int *startOffset, int *endOffset) const
{
    if (boundaryType != QAccessible::LineBoundary)
        return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
    const LogStore &store = document().store();
    const qsizetype start = store.lineStart(store.lineOf(offset));
    const qsizetype end = std::min(store.size(), store.nextBreak(start) + 1);
    *startOffset = int(start);
    *endOffset = int(end);
    return store.mid(start, end - start);
}

int ActionLogAccessible::characterCount() const
{
    return int(document().size());
}

QRect ActionLogAccessible::characterRect(int offset) const
{
    const QRect rect = log()->characterRect(offset);
    return rect.translated(log()->viewport()->mapToGlobal(QPoint(0, 0)));
}

int ActionLogAccessible::offsetAtPoint(const QPoint &point) const
{
    return int(log()->positionAt(log()->viewport()->mapFromGlobal(point)));
}

void ActionLogAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    document().setSelection(endIndex, startIndex);
    log()->ensureCaretVisible();
}

QString ActionLogAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void ActionLogAccessible::deleteText(int startOffset, int endOffset)
{
    document().replace(startOffset, endOffset, {});
}

void ActionLogAccessible::insertText(int offset, const QString &text)
{
    document().replace(offset, offset, text);
}

void ActionLogAccessible::replaceText(int startOffset, int endOffset, const QString &text)
{
    document().replace(startOffset, endOffset, text);
}

QAccessibleInterface *accessibleActionLog(const QString &className, QObject *object)
{
    if (className == QLatin1String("ActionLog") && object && object->isWidgetType())
        return new ActionLogAccessible(static_cast<ActionLog *>(object));
    return nullptr;
}

ActionLogAccessibleEvents::ActionLogAccessibleEvents(ActionLog *log, const LogDocument &document)
    : m_log(log)
    , m_document(document)
{
    connect(&document, &LogDocument::changed, this, &ActionLogAccessibleEvents::textChanged);
    connect(&document, &LogDocument::caretMoved, this, &ActionLogAccessibleEvents::caretMoved);
    connect(&document, &LogDocument::caretCarried, this, &ActionLogAccessibleEvents::caretMoved);
}

// The texts are made only while a screen reader listens: a whole-text write would copy the log.
void ActionLogAccessibleEvents::textChanged(const TextChange &change) const
{
    if (!QAccessible::isActive())
        return;
    const int position = int(change.position);
    const QString inserted = m_document.store().mid(change.position, change.inserted);
    if (change.removed.size() == 0)
        notify(QAccessibleTextInsertEvent(m_log, position, inserted));
    else if (change.inserted == 0)
        notify(QAccessibleTextRemoveEvent(m_log, position, change.removed.text()));
    else
        notify(QAccessibleTextUpdateEvent(m_log, position, change.removed.text(), inserted));
}

void ActionLogAccessibleEvents::caretMoved() const
{
    if (!QAccessible::isActive())
        return;
    notify(QAccessibleTextCursorEvent(m_log, int(m_document.caret())));
    if (m_document.hasSelection())
        notify(QAccessibleTextSelectionEvent(m_log, int(m_document.selectionStart()),
                                             int(m_document.selectionEnd())));
}
