#include "log_document.h"

#include <QTextBoundaryFinder>
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

auto inClass(CharClass kind)
{
    return [kind](QChar ch) { return ch != u'\n' && classOf(ch) == kind; };
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

} // namespace

QString LogDocument::selectedText() const
{
    return m_store.mid(selectionStart(), selectionEnd() - selectionStart());
}

void LogDocument::place(qsizetype caret, qsizetype anchor)
{
    m_caret = caret;
    m_anchor = anchor;
    emit caretMoved();
}

void LogDocument::setCaret(qsizetype caret, bool keepAnchor)
{
    caret = clamped(caret);
    place(caret, keepAnchor ? m_anchor : caret);
    m_history.closeStep();
}

void LogDocument::setSelection(qsizetype anchor, qsizetype caret)
{
    place(clamped(caret), clamped(anchor));
    m_history.closeStep();
}

// Announced without a copy of the line: the line and its break are all that changed.
void LogDocument::prependLine(QStringView line, bool keepPlace)
{
    m_store.insert(0, u"\n");
    m_store.insert(0, line);
    m_history.clear();
    TextChange change;
    change.inserted = line.size() + 1;
    change.insertedLines = 1;
    emit changed(change);
    if (keepPlace) {
        m_caret += change.inserted;
        m_anchor += change.inserted;
        emit caretCarried();
    } else if (m_caret != 0 || m_anchor != 0) {
        // At the top already, as at rest it is, the caret stays: a burst announces no move.
        place(0, 0);
    }
}

// The old text goes to those who follow the text as it was, moved rather than copied, so that
// replacing a million lines costs no more than dropping them.
void LogDocument::setText(const QString &text)
{
    TextChange change;
    change.removed = std::move(m_store);
    change.removedLines = change.removed.lineCount();
    m_store.insert(0, text);
    change.inserted = m_store.size();
    change.insertedLines = m_store.lineCount();
    m_history.clear();
    emit changed(change);
    place(0, 0);
}

void LogDocument::apply(qsizetype position, const QString &removed, const QString &inserted)
{
    const auto endsLine = [](const QString &text) {
        return text.isEmpty() || text.back() == u'\n';
    };
    const bool atLineStart = position == 0 || m_store.at(position - 1) == u'\n';
    const qsizetype changedLine = atLineStart && endsLine(removed) && endsLine(inserted) ? 0 : 1;
    TextChange change;
    change.position = position;
    change.removed.insert(0, removed);
    change.inserted = inserted.size();
    change.firstLine = m_store.lineOf(position);
    change.removedLines = removed.count(u'\n') + changedLine;
    change.insertedLines = inserted.count(u'\n') + changedLine;
    m_store.remove(position, removed.size());
    m_store.insert(position, inserted);
    emit changed(change);
}

bool LogDocument::replace(qsizetype from, qsizetype to, const QString &text, EditKind kind)
{
    from = clamped(from);
    to = clamped(to);
    if (from > to)
        std::swap(from, to);
    TextEdit edit{from, m_store.mid(from, to - from), LogStore::withPlainBreaks(text), m_caret,
                  m_anchor};
    if (edit.removed.isEmpty() && edit.inserted.isEmpty())
        return false;
    apply(from, edit.removed, edit.inserted);
    const qsizetype caret = from + edit.inserted.size();
    m_history.record(std::move(edit), kind);
    place(caret, caret);
    return true;
}

bool LogDocument::move(qsizetype from, qsizetype to, qsizetype destination)
{
    from = clamped(from);
    to = clamped(to);
    destination = clamped(destination);
    if (from > to)
        std::swap(from, to);
    if (from == to || (destination >= from && destination <= to))
        return false;
    // One edit over the whole stretch from the text to the destination, so that one undo takes
    // the move back.
    const QString moved = m_store.mid(from, to - from);
    const bool forward = destination > to;
    const qsizetype start = forward ? from : destination;
    const qsizetype end = forward ? destination : to;
    const QString between =
        forward ? m_store.mid(to, destination - to) : m_store.mid(destination, from - destination);
    TextEdit edit{start, m_store.mid(start, end - start),
                  forward ? between + moved : moved + between, m_caret, m_anchor};
    apply(start, edit.removed, edit.inserted);
    m_history.record(std::move(edit), EditKind::Other);
    const qsizetype anchor = forward ? destination - moved.size() : destination;
    place(anchor + moved.size(), anchor);
    return true;
}

bool LogDocument::undo()
{
    if (!m_history.canUndo())
        return false;
    const TextEdit &edit = m_history.undo();
    apply(edit.position, edit.inserted, edit.removed);
    place(edit.caretBefore, edit.anchorBefore);
    return true;
}

bool LogDocument::redo()
{
    if (!m_history.canRedo())
        return false;
    const TextEdit &edit = m_history.redo();
    apply(edit.position, edit.removed, edit.inserted);
    const qsizetype caret = edit.position + edit.inserted.size();
    place(caret, caret);
    return true;
}

qsizetype LogDocument::lineStartOf(qsizetype position) const
{
    return m_store.lineStart(m_store.lineOf(position));
}

qsizetype LogDocument::nextCharacter(qsizetype position) const
{
    if (position >= size())
        return size();
    return position +
           (m_store.at(position).isHighSurrogate() && m_store.at(position + 1).isLowSurrogate()
                ? 2
                : 1);
}

qsizetype LogDocument::previousCharacter(qsizetype position) const
{
    if (position <= 0)
        return 0;
    return position -
           (m_store.at(position - 1).isLowSurrogate() && m_store.at(position - 2).isHighSurrogate()
                ? 2
                : 1);
}

qsizetype LogDocument::graphemeBoundary(qsizetype position, bool forward) const
{
    // Far longer than any cluster that occurs: a line of any length costs no more than this.
    constexpr qsizetype reach = 64;
    const qsizetype lineStart = lineStartOf(position);
    const qsizetype lineEnd = lineEndOf(lineStart);
    if (forward ? position >= lineEnd : position <= lineStart)
        return forward ? nextCharacter(position) : previousCharacter(position);
    const qsizetype from = std::max(lineStart, position - reach);
    const qsizetype to = std::min(lineEnd, position + reach);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, m_store.mid(from, to - from));
    finder.setPosition(position - from);
    const qsizetype next = forward ? finder.toNextBoundary() : finder.toPreviousBoundary();
    if (next < 0)
        return forward ? to : from;
    return from + next;
}

qsizetype LogDocument::wordBoundary(qsizetype position, bool forward) const
{
    position = clamped(position);
    if (forward) {
        if (position >= size() || m_store.at(position) == u'\n')
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

std::pair<qsizetype, qsizetype> LogDocument::wordAt(qsizetype position) const
{
    position = clamped(position);
    // At a line's end the word before it is taken; on an empty line, nothing.
    if (position >= size() || m_store.at(position) == u'\n') {
        if (position == 0 || m_store.at(position - 1) == u'\n')
            return {position, position};
        --position;
    }
    const auto holds = inClass(classOf(m_store.at(position)));
    return {runEnd(m_store, position, false, holds), runEnd(m_store, position, true, holds)};
}
