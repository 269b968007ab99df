// How the user works the log: keys, the mouse, the context menu and input methods.
#include "action_log.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <algorithm>

namespace {

// How much of the text a word move or a double click reads at a time: a word of millions of
// characters is walked through a window at a time, never copied whole.
constexpr qsizetype wordScanLimit = 65536;

enum class CharClass { Space, Word, Other };

CharClass classOf(QChar ch)
{
    if (ch.isSpace())
        return CharClass::Space;
    if (ch.isLetterOrNumber() || ch.isMark() || ch == u'_')
        return CharClass::Word;
    return CharClass::Other;
}

// Where the run of characters that hold to the test ends, going forward or back from the
// position.
template <typename Test>
qsizetype runEnd(const LogStore &store, qsizetype position, bool forward, Test holds)
{
    while (forward ? position < store.size() : position > 0) {
        const qsizetype from =
            forward ? position : std::max<qsizetype>(0, position - wordScanLimit);
        const qsizetype to = forward ? std::min(store.size(), position + wordScanLimit) : position;
        const QString window = store.mid(from, to - from);
        qsizetype i = forward ? 0 : window.size();
        if (forward) {
            while (i < window.size() && holds(window[i]))
                ++i;
        } else {
            while (i > 0 && holds(window[i - 1]))
                --i;
        }
        position = from + i;
        if (forward ? i < window.size() : i > 0)
            break;
    }
    return position;
}

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

// Where a word move from the position ends: past the word and the blanks after it, or back over
// the blanks and the word before it, stopping at line breaks as other edit boxes do.
qsizetype ActionLog::wordBoundary(qsizetype position, bool forward) const
{
    const auto inClass = [](CharClass kind) {
        return [kind](QChar ch) { return ch != u'\n' && classOf(ch) == kind; };
    };
    if (forward) {
        if (position >= m_store.size() || m_store.at(position) == u'\n')
            return nextCharacter(position);
        if (const CharClass first = classOf(m_store.at(position)); first != CharClass::Space)
            position = runEnd(m_store, position, true, inClass(first));
        return runEnd(m_store, position, true, inClass(CharClass::Space));
    }
    if (position <= 0 || m_store.at(position - 1) == u'\n')
        return previousCharacter(position);
    position = runEnd(m_store, position, false, inClass(CharClass::Space));
    if (position > 0 && m_store.at(position - 1) != u'\n')
        position = runEnd(m_store, position, false, inClass(classOf(m_store.at(position - 1))));
    return position;
}

void ActionLog::selectWordAt(qsizetype position)
{
    const qsizetype from = std::max<qsizetype>(0, position - wordScanLimit);
    const QString around = m_store.mid(from, 2 * wordScanLimit);
    qsizetype at = position - from;
    if (at >= around.size() || around[at] == u'\n') {
        if (at == 0 || around[at - 1] == u'\n')
            return setSelection(position, position);
        --at;
    }
    const CharClass kind = classOf(around[at]);
    qsizetype start = at;
    qsizetype end = at + 1;
    while (start > 0 && around[start - 1] != u'\n' && classOf(around[start - 1]) == kind)
        --start;
    while (end < around.size() && around[end] != u'\n' && classOf(around[end]) == kind)
        ++end;
    setSelection(from + start, from + end);
}

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
    const qsizetype from = std::min(m_caret, m_anchor);
    const qsizetype to = std::max(m_caret, m_anchor);
    const bool selection = from != to;
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
        replace(selection ? from : m_caret, selection ? to : wordBoundary(m_caret, true), {});
    } else if (event == QKeySequence::DeleteStartOfWord) {
        replace(selection ? from : wordBoundary(m_caret, false), selection ? to : m_caret, {});
    } else if (event == QKeySequence::Delete) {
        // A whole cluster, never leaving a bare accent or half an emoji. Backspace still takes
        // one code point, so that an accent typed last can be corrected.
        replace(from, selection ? to : graphemeBoundary(m_caret, true), {},
                selection ? EditKind::Other : EditKind::Deleting);
    } else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
        replace(selection ? from : previousCharacter(m_caret), to, {},
                selection ? EditKind::Other : EditKind::Deleting);
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        replace(from, to, QStringLiteral("\n"));
    } else if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab ||
               event->text().isEmpty() || event->text()[0].category() == QChar::Other_Control) {
        // Tab passes the focus on, as in the rest of the window.
        event->ignore();
        return;
    } else {
        replace(from, to, event->text(), EditKind::Typing);
    }
    event->accept();
}

void ActionLog::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    sync();
    m_preferredX = -1;
    const QPoint point = event->position().toPoint();
    const bool thirdClick =
        m_sinceDoubleClick.isValid() &&
        !m_sinceDoubleClick.hasExpired(QApplication::doubleClickInterval()) &&
        (point - m_doubleClickPoint).manhattanLength() < QApplication::startDragDistance();
    m_sinceDoubleClick.invalidate();
    if (thirdClick) {
        const qsizetype lineStart = m_store.lineStart(m_store.lineOf(positionAt(point)));
        setSelection(lineStart, m_store.nextBreak(lineStart));
        return;
    }
    setCaret(positionAt(point), event->modifiers() & Qt::ShiftModifier);
    m_selecting = true;
}

void ActionLog::mouseMoveEvent(QMouseEvent *event)
{
    if (m_selecting && (event->buttons() & Qt::LeftButton)) {
        m_preferredX = -1;
        m_dragPoint = event->position().toPoint();
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
    if (event->button() == Qt::LeftButton) {
        m_selecting = false;
        m_dragScroll.stop();
    }
}

void ActionLog::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    selectWordAt(positionAt(event->position().toPoint()));
    m_selecting = false;
    m_sinceDoubleClick.start();
    m_doubleClickPoint = event->position().toPoint();
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
    add(tr("Delete"), QKeySequence::Delete, selection, [this] { replace(m_anchor, m_caret, {}); });
    menu->addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, m_store.size() > 0, [this] { selectAll(); });
    menu->popup(event->globalPos());
}

void ActionLog::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        qsizetype from = std::min(m_caret, m_anchor);
        qsizetype to = std::max(m_caret, m_anchor);
        if (event->replacementLength() > 0 && from == to) {
            from = std::clamp<qsizetype>(m_caret + event->replacementStart(), 0, m_store.size());
            to = std::clamp<qsizetype>(from + event->replacementLength(), 0, m_store.size());
        }
        replace(from, to, event->commitString(), EditKind::Typing);
    }
    m_preedit = event->preeditString();
    m_preeditCaret = int(m_preedit.size());
    for (const QInputMethodEvent::Attribute &attribute : event->attributes())
        if (attribute.type == QInputMethodEvent::Cursor)
            m_preeditCaret = attribute.start;
    dropShownLines();
    m_followCaret = true;
    scheduleSync();
    repaintAll();
    event->accept();
}

QVariant ActionLog::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // The input method sees the caret's line, or of a long one what is near the caret.
    constexpr qsizetype reach = 1024;
    const qsizetype lineStart = m_store.lineStart(m_store.lineOf(m_caret));
    const qsizetype from = std::max(lineStart, m_caret - reach);
    const qsizetype to = std::min(m_store.nextBreak(m_caret), m_caret + reach);
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    case Qt::ImCursorRectangle:
        return caretRect().translated(viewport()->pos());
    case Qt::ImAnchorRectangle:
        return characterRect(m_anchor).translated(viewport()->pos());
    case Qt::ImFont:
        return font();
    case Qt::ImSurroundingText:
        return m_store.mid(from, to - from);
    case Qt::ImCursorPosition:
        return int(m_caret - from);
    case Qt::ImAnchorPosition:
        return int(std::clamp(m_anchor, from, to) - from);
    case Qt::ImAbsolutePosition:
        return qlonglong(m_caret);
    case Qt::ImTextBeforeCursor:
        return m_store.mid(from, m_caret - from);
    case Qt::ImTextAfterCursor:
        return m_store.mid(m_caret, to - m_caret);
    case Qt::ImCurrentSelection:
        return selectedText();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}
