#include "log_input.h"

#include "action_log.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <algorithm>

namespace {

enum class Edit {
    Move,
    Page,
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    Delete,
    SelectAll,
    DeleteWordBack,
    DeleteWordOn
};

// The context menu offers some edits, in groups with a line between them.
enum class MenuGroup { None, History, Clipboard, Whole };

struct EditKey {
    QKeySequence::StandardKey key;
    Edit edit;
    QTextCursor::MoveOperation move = QTextCursor::NoMove; // where Move and Page go
    QTextCursor::MoveMode mode = QTextCursor::MoveAnchor;
    MenuGroup menu = MenuGroup::None;
    const char *menuText = nullptr;
};

constexpr auto keep = QTextCursor::KeepAnchor;
using Key = QKeySequence;
using Cursor = QTextCursor;

// The context menu shows its entries in this order.
const EditKey editKeys[] = {
    {Key::MoveToNextChar, Edit::Move, Cursor::Right},
    {Key::MoveToPreviousChar, Edit::Move, Cursor::Left},
    {Key::MoveToNextWord, Edit::Move, Cursor::WordRight},
    {Key::MoveToPreviousWord, Edit::Move, Cursor::WordLeft},
    {Key::MoveToNextLine, Edit::Move, Cursor::Down},
    {Key::MoveToPreviousLine, Edit::Move, Cursor::Up},
    {Key::MoveToStartOfLine, Edit::Move, Cursor::StartOfLine},
    {Key::MoveToEndOfLine, Edit::Move, Cursor::EndOfLine},
    {Key::MoveToStartOfBlock, Edit::Move, Cursor::StartOfLine},
    {Key::MoveToEndOfBlock, Edit::Move, Cursor::EndOfLine},
    {Key::MoveToStartOfDocument, Edit::Move, Cursor::Start},
    {Key::MoveToEndOfDocument, Edit::Move, Cursor::End},
    {Key::SelectNextChar, Edit::Move, Cursor::Right, keep},
    {Key::SelectPreviousChar, Edit::Move, Cursor::Left, keep},
    {Key::SelectNextWord, Edit::Move, Cursor::WordRight, keep},
    {Key::SelectPreviousWord, Edit::Move, Cursor::WordLeft, keep},
    {Key::SelectNextLine, Edit::Move, Cursor::Down, keep},
    {Key::SelectPreviousLine, Edit::Move, Cursor::Up, keep},
    {Key::SelectStartOfLine, Edit::Move, Cursor::StartOfLine, keep},
    {Key::SelectEndOfLine, Edit::Move, Cursor::EndOfLine, keep},
    {Key::SelectStartOfBlock, Edit::Move, Cursor::StartOfLine, keep},
    {Key::SelectEndOfBlock, Edit::Move, Cursor::EndOfLine, keep},
    {Key::SelectStartOfDocument, Edit::Move, Cursor::Start, keep},
    {Key::SelectEndOfDocument, Edit::Move, Cursor::End, keep},
    {Key::MoveToNextPage, Edit::Page, Cursor::Down},
    {Key::MoveToPreviousPage, Edit::Page, Cursor::Up},
    {Key::SelectNextPage, Edit::Page, Cursor::Down, keep},
    {Key::SelectPreviousPage, Edit::Page, Cursor::Up, keep},
    {Key::Undo, Edit::Undo, {}, {}, MenuGroup::History, QT_TRANSLATE_NOOP("LogInput", "&Undo")},
    {Key::Redo, Edit::Redo, {}, {}, MenuGroup::History, QT_TRANSLATE_NOOP("LogInput", "&Redo")},
    {Key::Cut, Edit::Cut, {}, {}, MenuGroup::Clipboard, QT_TRANSLATE_NOOP("LogInput", "Cu&t")},
    {Key::Copy, Edit::Copy, {}, {}, MenuGroup::Clipboard, QT_TRANSLATE_NOOP("LogInput", "&Copy")},
    {Key::Paste,
     Edit::Paste,
     {},
     {},
     MenuGroup::Clipboard,
     QT_TRANSLATE_NOOP("LogInput", "&Paste")},
    {Key::Delete,
     Edit::Delete,
     {},
     {},
     MenuGroup::Clipboard,
     QT_TRANSLATE_NOOP("LogInput", "Delete")},
    {Key::SelectAll,
     Edit::SelectAll,
     {},
     {},
     MenuGroup::Whole,
     QT_TRANSLATE_NOOP("LogInput", "Select All")},
    {Key::DeleteStartOfWord, Edit::DeleteWordBack},
    {Key::DeleteEndOfWord, Edit::DeleteWordOn},
};

const EditKey *editKeyOf(const QKeyEvent *event)
{
    const auto found =
        std::find_if(std::begin(editKeys), std::end(editKeys),
                     [event](const EditKey &key) { return event->matches(key.key); });
    return found == std::end(editKeys) ? nullptr : found;
}

void run(const EditKey &key, LogInput &input, ActionLog &log, LogDocument &document)
{
    const qsizetype caret = document.caret();
    const qsizetype from = document.selectionStart();
    const qsizetype to = document.selectionEnd();
    const bool selection = document.hasSelection();
    switch (key.edit) {
    case Edit::Move:
        log.moveCursor(key.move, key.mode);
        break;
    case Edit::Page:
        log.movePage(key.move, key.mode);
        break;
    case Edit::Undo:
        document.undo();
        break;
    case Edit::Redo:
        document.redo();
        break;
    case Edit::Cut:
        input.cut();
        break;
    case Edit::Copy:
        input.copy();
        break;
    case Edit::Paste:
        input.paste();
        break;
    case Edit::Delete:
        // A whole cluster, never leaving a bare accent or half an emoji. Backspace still takes
        // one code point, so that an accent typed last can be corrected.
        document.replace(from, selection ? to : document.graphemeBoundary(caret, true), {},
                         selection ? EditKind::Other : EditKind::Deleting);
        break;
    case Edit::SelectAll:
        log.selectAll();
        break;
    case Edit::DeleteWordBack:
        document.replace(selection ? from : document.wordBoundary(caret, false), to, {});
        break;
    case Edit::DeleteWordOn:
        document.replace(from, selection ? to : document.wordBoundary(caret, true), {});
        break;
    }
}

bool enabled(const LogDocument &document, Edit edit)
{
    switch (edit) {
    case Edit::Undo:
        return document.canUndo();
    case Edit::Redo:
        return document.canRedo();
    case Edit::Paste:
        return !QGuiApplication::clipboard()->text().isEmpty();
    case Edit::SelectAll:
        return document.size() > 0;
    default:
        return document.hasSelection();
    }
}

} // namespace

LogInput::LogInput(ActionLog &log, LogDocument &document)
    : m_log(log)
    , m_document(document)
{
    connect(&document, &LogDocument::caretMoved, this, &LogInput::selectionMade);
}

bool LogInput::takesShortcut(const QKeyEvent *event) const
{
    const bool types = !event->text().isEmpty() && event->text()[0].isPrint() &&
                       !(event->modifiers() & Qt::ControlModifier);
    return types || editKeyOf(event);
}

void LogInput::keyPressEvent(QKeyEvent *event)
{
    if (const EditKey *key = editKeyOf(event)) {
        run(*key, *this, m_log, m_document);
        event->accept();
        return;
    }
    const qsizetype from = m_document.selectionStart();
    const qsizetype to = m_document.selectionEnd();
    const bool selection = m_document.hasSelection();
    if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
        m_document.replace(selection ? from : m_document.previousCharacter(m_document.caret()), to,
                           {}, selection ? EditKind::Other : EditKind::Deleting);
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_document.replace(from, to, QStringLiteral("\n"));
    } else if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab ||
               event->text().isEmpty() || event->text()[0].category() == QChar::Other_Control) {
        // Tab passes the focus on, as in the rest of the window.
        event->ignore();
        return;
    } else {
        m_document.replace(from, to, event->text(), EditKind::Typing);
    }
    event->accept();
}

void LogInput::copy() const
{
    if (m_document.hasSelection())
        QGuiApplication::clipboard()->setText(m_document.selectedText());
}

void LogInput::cut()
{
    copy();
    m_document.replace(m_document.anchor(), m_document.caret(), {});
}

void LogInput::paste()
{
    const QString pasted = QGuiApplication::clipboard()->text();
    if (!pasted.isEmpty())
        m_document.replace(m_document.anchor(), m_document.caret(), pasted);
}

void LogInput::contextMenuEvent(QContextMenuEvent *event)
{
    auto *menu = new QMenu(&m_log);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    MenuGroup group = MenuGroup::None;
    for (const EditKey &key : editKeys) {
        if (key.menu == MenuGroup::None)
            continue;
        if (group != MenuGroup::None && key.menu != group)
            menu->addSeparator();
        group = key.menu;
        QAction *action =
            menu->addAction(tr(key.menuText), [this, &key] { run(key, *this, m_log, m_document); });
        action->setShortcut(key.key);
        action->setEnabled(enabled(m_document, key.edit));
    }
    menu->popup(event->globalPos());
}

void LogInput::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        const QString selection = clipboard->text(QClipboard::Selection);
        const qsizetype at = m_log.positionAt(point);
        m_document.setSelection(at, at);
        if (!selection.isEmpty())
            m_document.replace(at, at, selection);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const bool thirdClick =
        m_sinceDoubleClick.isValid() &&
        !m_sinceDoubleClick.hasExpired(QApplication::doubleClickInterval()) &&
        (point - m_doubleClickPoint).manhattanLength() < QApplication::startDragDistance();
    m_sinceDoubleClick.invalidate();
    const qsizetype position = m_log.positionAt(point);
    if (thirdClick) {
        const qsizetype lineStart = m_document.lineStartOf(position);
        m_document.setSelection(lineStart, m_document.lineEndOf(lineStart));
        return;
    }
    const bool onSelection = m_document.hasSelection() && position >= m_document.selectionStart() &&
                             position < m_document.selectionEnd();
    const bool extends = event->modifiers() & Qt::ShiftModifier;
    if (onSelection && !extends) {
        m_mayDrag = true;
        m_pressPoint = point;
        return;
    }
    m_selecting = true;
    m_document.setSelection(extends ? m_document.anchor() : position, position);
}

void LogInput::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    if (m_mayDrag) {
        if ((point - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
            m_mayDrag = false;
            startDrag();
        }
        return;
    }
    if (m_selecting) {
        m_dragPoint = point;
        m_document.setSelection(m_document.anchor(), m_log.positionAt(m_dragPoint));
        if (m_log.viewport()->rect().contains(m_dragPoint))
            m_dragScroll.stop();
        else if (!m_dragScroll.isActive())
            m_dragScroll.start(50, this);
    }
}

void LogInput::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_dragScroll.timerId())
        dragScroll();
    else
        QObject::timerEvent(event);
}

// A step towards the mouse, wherever it lies beyond the view, and the selection with it.
void LogInput::dragScroll()
{
    const QRect view = m_log.viewport()->rect();
    QScrollBar *vertical = m_log.verticalScrollBar();
    QScrollBar *horizontal = m_log.horizontalScrollBar();
    if (m_dragPoint.y() < view.top())
        vertical->setValue(vertical->value() - 1);
    else if (m_dragPoint.y() > view.bottom())
        vertical->setValue(vertical->value() + 1);
    if (m_dragPoint.x() < view.left())
        horizontal->setValue(horizontal->value() - horizontal->singleStep());
    else if (m_dragPoint.x() > view.right())
        horizontal->setValue(horizontal->value() + horizontal->singleStep());
    m_document.setSelection(m_document.anchor(), m_log.positionAt(m_dragPoint));
}

void LogInput::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // A click on the selection that did not become a drag places the caret, as anywhere else.
    if (std::exchange(m_mayDrag, false)) {
        const qsizetype position = m_log.positionAt(event->position().toPoint());
        m_document.setSelection(position, position);
    }
    if (std::exchange(m_selecting, false))
        offerSelection();
    m_dragScroll.stop();
}

void LogInput::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_mayDrag = false;
    m_selecting = false;
    const auto [start, end] = m_document.wordAt(m_log.positionAt(event->position().toPoint()));
    m_document.setSelection(start, end);
    m_sinceDoubleClick.start();
    m_doubleClickPoint = event->position().toPoint();
}

void LogInput::selectionMade() const
{
    if (!m_selecting)
        offerSelection();
}

void LogInput::offerSelection() const
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (m_document.hasSelection() && clipboard->supportsSelection())
        clipboard->setText(m_document.selectedText(), QClipboard::Selection);
}

// The selection dragged away: within the log it moves, to another program it is copied or
// moved as that program asks.
void LogInput::startDrag()
{
    const qsizetype from = m_document.selectionStart();
    const qsizetype to = m_document.selectionEnd();
    auto *mime = new QMimeData;
    mime->setText(m_document.selectedText());
    auto *drag = new QDrag(&m_log);
    drag->setMimeData(mime);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    // A move within the log was made whole by its drop, which selected the text where it went;
    // moved to another program, the text leaves the log.
    const bool movedOut = action == Qt::MoveAction && m_document.selectionStart() == from &&
                          m_document.selectionEnd() == to;
    if (movedOut)
        m_document.replace(from, to, {});
}

void LogInput::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void LogInput::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasText())
        return event->ignore();
    const qsizetype position = m_log.positionAt(event->position().toPoint());
    const bool ownSelection = event->source() == &m_log &&
                              position >= m_document.selectionStart() &&
                              position <= m_document.selectionEnd();
    if (ownSelection) {
        event->ignore();
        m_dropCaret = -1;
    } else {
        event->acceptProposedAction();
        m_dropCaret = position;
    }
    m_log.viewport()->update();
}

void LogInput::dragLeaveEvent(QDragLeaveEvent *)
{
    m_dropCaret = -1;
    m_log.viewport()->update();
}

void LogInput::dropEvent(QDropEvent *event)
{
    m_dropCaret = -1;
    const qsizetype position = m_log.positionAt(event->position().toPoint());
    const bool moveOwn = event->source() == &m_log && event->dropAction() == Qt::MoveAction;
    if (moveOwn) {
        m_document.move(m_document.selectionStart(), m_document.selectionEnd(), position);
    } else {
        m_document.replace(position, position, event->mimeData()->text());
        m_document.setSelection(position, m_document.caret());
    }
    event->acceptProposedAction();
    m_log.setFocus(Qt::MouseFocusReason);
}

void LogInput::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        qsizetype from = m_document.selectionStart();
        qsizetype to = m_document.selectionEnd();
        if (event->replacementLength() > 0 && from == to) {
            from = std::clamp<qsizetype>(m_document.caret() + event->replacementStart(), 0,
                                         m_document.size());
            to = from + event->replacementLength();
        }
        m_document.replace(from, to, event->commitString(), EditKind::Typing);
    }
    m_preedit = event->preeditString();
    m_preeditCaret = int(m_preedit.size());
    for (const QInputMethodEvent::Attribute &attribute : event->attributes())
        if (attribute.type == QInputMethodEvent::Cursor)
            m_preeditCaret = attribute.start;
    emit preeditChanged();
    event->accept();
}

QVariant LogInput::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // The input method sees the caret's line, or of a long one what is near the caret.
    constexpr qsizetype reach = 1024;
    const qsizetype caret = m_document.caret();
    const qsizetype from = std::max(m_document.lineStartOf(caret), caret - reach);
    const qsizetype to = std::min(m_document.lineEndOf(caret), caret + reach);
    const LogStore &store = m_document.store();
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    case Qt::ImCursorRectangle:
        return m_log.cursorRect().translated(m_log.viewport()->pos());
    case Qt::ImAnchorRectangle:
        return m_log.characterRect(m_document.anchor()).translated(m_log.viewport()->pos());
    case Qt::ImFont:
        return m_log.font();
    case Qt::ImSurroundingText:
        return store.mid(from, to - from);
    case Qt::ImCursorPosition:
        return int(caret - from);
    case Qt::ImAnchorPosition:
        return int(std::clamp(m_document.anchor(), from, to) - from);
    case Qt::ImAbsolutePosition:
        return qlonglong(caret);
    case Qt::ImTextBeforeCursor:
        return store.mid(from, caret - from);
    case Qt::ImTextAfterCursor:
        return store.mid(caret, to - caret);
    case Qt::ImCurrentSelection:
        return m_document.selectedText();
    default:
        return {};
    }
}
