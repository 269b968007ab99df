// How the user works the log: keys, the mouse, drag and drop, the context menu and input methods.
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

struct Move {
    QKeySequence::StandardKey key;
    QTextCursor::MoveOperation operation;
    QTextCursor::MoveMode mode;
};

constexpr auto keep = QTextCursor::KeepAnchor;
constexpr auto move = QTextCursor::MoveAnchor;
const Move moves[] = {
    {QKeySequence::MoveToNextChar, QTextCursor::Right, move},
    {QKeySequence::MoveToPreviousChar, QTextCursor::Left, move},
    {QKeySequence::MoveToNextWord, QTextCursor::WordRight, move},
    {QKeySequence::MoveToPreviousWord, QTextCursor::WordLeft, move},
    {QKeySequence::MoveToNextLine, QTextCursor::Down, move},
    {QKeySequence::MoveToPreviousLine, QTextCursor::Up, move},
    {QKeySequence::MoveToStartOfLine, QTextCursor::StartOfLine, move},
    {QKeySequence::MoveToEndOfLine, QTextCursor::EndOfLine, move},
    {QKeySequence::MoveToStartOfBlock, QTextCursor::StartOfLine, move},
    {QKeySequence::MoveToEndOfBlock, QTextCursor::EndOfLine, move},
    {QKeySequence::MoveToStartOfDocument, QTextCursor::Start, move},
    {QKeySequence::MoveToEndOfDocument, QTextCursor::End, move},
    {QKeySequence::SelectNextChar, QTextCursor::Right, keep},
    {QKeySequence::SelectPreviousChar, QTextCursor::Left, keep},
    {QKeySequence::SelectNextWord, QTextCursor::WordRight, keep},
    {QKeySequence::SelectPreviousWord, QTextCursor::WordLeft, keep},
    {QKeySequence::SelectNextLine, QTextCursor::Down, keep},
    {QKeySequence::SelectPreviousLine, QTextCursor::Up, keep},
    {QKeySequence::SelectStartOfLine, QTextCursor::StartOfLine, keep},
    {QKeySequence::SelectEndOfLine, QTextCursor::EndOfLine, keep},
    {QKeySequence::SelectStartOfBlock, QTextCursor::StartOfLine, keep},
    {QKeySequence::SelectEndOfBlock, QTextCursor::EndOfLine, keep},
    {QKeySequence::SelectStartOfDocument, QTextCursor::Start, keep},
    {QKeySequence::SelectEndOfDocument, QTextCursor::End, keep},
};

} // namespace

bool ActionLog::event(QEvent *event)
{
    // The box's own keys take precedence over the window's shortcuts, as in any edit box.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool edits = key == QKeySequence::Copy || key == QKeySequence::Cut ||
                           key == QKeySequence::Paste || key == QKeySequence::Undo ||
                           key == QKeySequence::Redo || key == QKeySequence::SelectAll ||
                           key == QKeySequence::Delete ||
                           std::any_of(std::begin(moves), std::end(moves),
                                       [key](const Move &m) { return key == m.key; });
        const bool types = !key->text().isEmpty() && key->text()[0].isPrint() &&
                           !(key->modifiers() & Qt::ControlModifier);
        if (edits || types) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void ActionLog::keyPressEvent(QKeyEvent *event)
{
    const qsizetype caret = cursorPosition();
    const qsizetype from = m_document.selectionStart();
    const qsizetype to = m_document.selectionEnd();
    const bool selection = hasSelection();
    for (const Move &m : moves) {
        if (event == m.key) {
            moveCursor(m.operation, m.mode);
            return;
        }
    }
    const bool pageDown = event == QKeySequence::MoveToNextPage;
    const bool pageUp = event == QKeySequence::MoveToPreviousPage;
    const bool selectPageDown = event == QKeySequence::SelectNextPage;
    const bool selectPageUp = event == QKeySequence::SelectPreviousPage;
    if (pageDown || pageUp || selectPageDown || selectPageUp) {
        const int rows = fullyShownLines();
        const int step = pageDown || selectPageDown ? rows : -rows;
        verticalScrollBar()->setValue(verticalScrollBar()->value() + step);
        moveVertically(step, selectPageDown || selectPageUp);
    } else if (event == QKeySequence::Undo) {
        undo();
    } else if (event == QKeySequence::Redo) {
        redo();
    } else if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::Cut) {
        cut();
    } else if (event == QKeySequence::Paste) {
        paste();
    } else if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (event == QKeySequence::DeleteEndOfWord) {
        userEdit(from, selection ? to : m_document.wordBoundary(caret, true), {});
    } else if (event == QKeySequence::DeleteStartOfWord) {
        userEdit(selection ? from : m_document.wordBoundary(caret, false), to, {});
    } else if (event == QKeySequence::Delete) {
        // A whole cluster, never leaving a bare accent or half an emoji. Backspace still takes
        // one code point, so that an accent typed last can be corrected.
        userEdit(from, selection ? to : m_document.graphemeBoundary(caret, true), {},
                 selection ? EditKind::Other : EditKind::Deleting);
    } else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
        userEdit(selection ? from : m_document.previousCharacter(caret), to, {},
                 selection ? EditKind::Other : EditKind::Deleting);
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        userEdit(from, to, QStringLiteral("\n"));
    } else if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab ||
               event->text().isEmpty() || event->text()[0].category() == QChar::Other_Control) {
        // Tab passes the focus on, as in the rest of the window.
        event->ignore();
        return;
    } else {
        userEdit(from, to, event->text(), EditKind::Typing);
    }
    event->accept();
}

void ActionLog::mousePressEvent(QMouseEvent *event)
{
    sync();
    const QPoint point = event->position().toPoint();
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        const QString selection = clipboard->text(QClipboard::Selection);
        setCaret(positionAt(point), false);
        if (!selection.isEmpty())
            userEdit(cursorPosition(), cursorPosition(), selection);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_preferredX = -1;
    const bool thirdClick =
        m_sinceDoubleClick.isValid() &&
        !m_sinceDoubleClick.hasExpired(QApplication::doubleClickInterval()) &&
        (point - m_doubleClickPoint).manhattanLength() < QApplication::startDragDistance();
    m_sinceDoubleClick.invalidate();
    const qsizetype position = positionAt(point);
    if (thirdClick) {
        const qsizetype lineStart = m_document.lineStartOf(position);
        setSelection(lineStart, m_document.lineEndOf(lineStart));
        return;
    }
    const bool onSelection = hasSelection() && position >= m_document.selectionStart() &&
                             position < m_document.selectionEnd();
    if (onSelection && !(event->modifiers() & Qt::ShiftModifier)) {
        m_mayDrag = true;
        m_pressPoint = point;
        return;
    }
    m_selecting = true;
    setCaret(position, event->modifiers() & Qt::ShiftModifier);
}

void ActionLog::mouseMoveEvent(QMouseEvent *event)
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
        m_preferredX = -1;
        m_dragPoint = point;
        setCaret(positionAt(m_dragPoint), true);
        if (viewport()->rect().contains(m_dragPoint))
            m_dragScroll.stop();
        else if (!m_dragScroll.isActive())
            m_dragScroll.start(50, this);
    }
}

// A step towards the mouse, wherever it lies beyond the view, and the selection with it.
void ActionLog::dragScroll()
{
    const QRect view = viewport()->rect();
    QScrollBar *vertical = verticalScrollBar();
    QScrollBar *horizontal = horizontalScrollBar();
    if (m_dragPoint.y() < view.top())
        vertical->setValue(vertical->value() - 1);
    else if (m_dragPoint.y() > view.bottom())
        vertical->setValue(vertical->value() + 1);
    if (m_dragPoint.x() < view.left())
        horizontal->setValue(horizontal->value() - horizontal->singleStep());
    else if (m_dragPoint.x() > view.right())
        horizontal->setValue(horizontal->value() + horizontal->singleStep());
    setCaret(positionAt(m_dragPoint), true);
}

void ActionLog::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // A click on the selection that did not become a drag places the caret, as anywhere else.
    if (std::exchange(m_mayDrag, false))
        setCaret(positionAt(event->position().toPoint()), false);
    if (std::exchange(m_selecting, false))
        offerPrimarySelection();
    m_dragScroll.stop();
}

void ActionLog::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_mayDrag = false;
    m_selecting = false;
    const auto [start, end] = m_document.wordAt(positionAt(event->position().toPoint()));
    setSelection(start, end);
    m_sinceDoubleClick.start();
    m_doubleClickPoint = event->position().toPoint();
}

// The selection dragged away: within the log it moves, to another program it is copied or
// moved as that program asks.
void ActionLog::startDrag()
{
    const qsizetype from = m_document.selectionStart();
    const qsizetype to = m_document.selectionEnd();
    auto *mime = new QMimeData;
    mime->setText(selectedText());
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    // A move within the log was made whole by its drop, which selected the text where it went;
    // moved to another program, the text leaves the log.
    const bool movedOut = action == Qt::MoveAction && m_document.selectionStart() == from &&
                          m_document.selectionEnd() == to;
    if (movedOut)
        userEdit(from, to, {});
}

void ActionLog::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void ActionLog::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasText())
        return event->ignore();
    const qsizetype position = positionAt(event->position().toPoint());
    const bool ownSelection = event->source() == this && position >= m_document.selectionStart() &&
                              position <= m_document.selectionEnd();
    if (ownSelection) {
        event->ignore();
        m_dropCaret = -1;
    } else {
        event->acceptProposedAction();
        m_dropCaret = position;
    }
    viewport()->update();
}

void ActionLog::dragLeaveEvent(QDragLeaveEvent *)
{
    m_dropCaret = -1;
    viewport()->update();
}

void ActionLog::dropEvent(QDropEvent *event)
{
    m_dropCaret = -1;
    const qsizetype position = positionAt(event->position().toPoint());
    const bool moveOwn = event->source() == this && event->dropAction() == Qt::MoveAction;
    if (moveOwn) {
        edited(m_document.move(m_document.selectionStart(), m_document.selectionEnd(), position));
    } else {
        const qsizetype at = position;
        userEdit(at, at, event->mimeData()->text());
        m_document.setSelection(at, cursorPosition());
        caretMoved();
    }
    event->acceptProposedAction();
    setFocus(Qt::MouseFocusReason);
}

void ActionLog::contextMenuEvent(QContextMenuEvent *event)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto add = [menu](const QString &text, QKeySequence::StandardKey key, bool enabled,
                            auto slot) {
        QAction *action = menu->addAction(text, slot);
        action->setShortcut(key);
        action->setEnabled(enabled);
    };
    const bool selection = hasSelection();
    add(tr("&Undo"), QKeySequence::Undo, isUndoAvailable(), [this] { undo(); });
    add(tr("&Redo"), QKeySequence::Redo, isRedoAvailable(), [this] { redo(); });
    menu->addSeparator();
    add(tr("Cu&t"), QKeySequence::Cut, selection, [this] { cut(); });
    add(tr("&Copy"), QKeySequence::Copy, selection, [this] { copy(); });
    add(tr("&Paste"), QKeySequence::Paste, !QGuiApplication::clipboard()->text().isEmpty(),
        [this] { paste(); });
    add(tr("Delete"), QKeySequence::Delete, selection,
        [this] { userEdit(m_document.anchor(), cursorPosition(), {}); });
    menu->addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, m_document.size() > 0, [this] { selectAll(); });
    menu->popup(event->globalPos());
}

void ActionLog::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        qsizetype from = m_document.selectionStart();
        qsizetype to = m_document.selectionEnd();
        if (event->replacementLength() > 0 && from == to) {
            from = std::clamp<qsizetype>(cursorPosition() + event->replacementStart(), 0,
                                         m_document.size());
            to = from + event->replacementLength();
        }
        userEdit(from, to, event->commitString(), EditKind::Typing);
    }
    m_preedit = event->preeditString();
    m_preeditCaret = int(m_preedit.size());
    for (const QInputMethodEvent::Attribute &attribute : event->attributes())
        if (attribute.type == QInputMethodEvent::Cursor)
            m_preeditCaret = attribute.start;
    m_layout.setPreedit(m_preedit, cursorPosition());
    m_followCaret = true;
    scheduleSync();
    repaintAll();
    event->accept();
}

QVariant ActionLog::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // The input method sees the caret's line, or of a long one what is near the caret.
    constexpr qsizetype reach = 1024;
    const qsizetype caret = cursorPosition();
    const qsizetype from = std::max(m_document.lineStartOf(caret), caret - reach);
    const qsizetype to = std::min(m_document.lineEndOf(caret), caret + reach);
    const LogStore &store = m_document.store();
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    case Qt::ImCursorRectangle:
        return caretRect().translated(viewport()->pos());
    case Qt::ImAnchorRectangle:
        return characterRect(m_document.anchor()).translated(viewport()->pos());
    case Qt::ImFont:
        return font();
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
        return selectedText();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}
