#pragma once

#include "edit_history.h"
#include "log_store.h"

#include <QObject>
#include <QString>
#include <utility>

// A change to the text, as the document announces it: at the position, the removed text gave way
// to as many characters as were inserted. By lines: from the first line on, as many lines as were
// removed gave way to as many as were inserted; the lines above kept their text and their
// numbers, the lines below their text. Lines that came or went whole at a line's start count
// alone, so that the line they came before or after is not taken for changed.
struct TextChange {
    qsizetype position = 0;
    // Held as the log holds text: a whole-text write hands the old store over, not a copy of it.
    LogStore removed;
    qsizetype inserted = 0;
    qsizetype firstLine = 0;
    qsizetype removedLines = 0;
    qsizetype insertedLines = 0;
};

// The log's text with the user's caret, selection and edit history, and where the caret stops
// as it moves. The program puts its lines at the top; the user edits anywhere. Positions count
// characters, each line break as one. Every change is announced, so that whatever shows the
// text or follows it keeps itself up to date, as a view listens to its buffer.
class LogDocument : public QObject {
    Q_OBJECT

public:
    const LogStore &store() const { return m_store; }
    qsizetype size() const { return m_store.size(); }
    qsizetype lineCount() const { return m_store.lineCount(); }
    // The text with its lines joined by line feeds, as the document holds them.
    QString toPlainText() const { return m_store.text(); }

    qsizetype caret() const { return m_caret; }
    qsizetype anchor() const { return m_anchor; }
    bool hasSelection() const { return m_caret != m_anchor; }
    qsizetype selectionStart() const { return std::min(m_caret, m_anchor); }
    qsizetype selectionEnd() const { return std::max(m_caret, m_anchor); }
    QString selectedText() const;

    // Both end the run of typing or deleting that the history is adding to.
    void setCaret(qsizetype caret, bool keepAnchor = false);
    void setSelection(qsizetype anchor, qsizetype caret);

    // The program's line, above everything the log holds. Where the user's place is kept, the
    // caret and the selection stay on the text they were on; otherwise they go to the top. The
    // line must not contain line breaks. The history starts afresh: its steps would point at
    // the wrong places, and the program's lines are not the user's to take back.
    void prependLine(QStringView line, bool keepPlace);
    // The program's whole-text write: the caret at the top and a fresh history.
    void setText(const QString &text);

    // The user's edit of the text between the two positions; the caret ends after what was
    // inserted. Whether the text changed.
    bool replace(qsizetype from, qsizetype to, const QString &text,
                 EditKind kind = EditKind::Other);
    // The user's drag of the text between the two positions to the destination, taken back as
    // one step; what was moved ends up selected. Whether the text changed.
    bool move(qsizetype from, qsizetype to, qsizetype destination);
    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    bool undo();
    bool redo();

    qsizetype lineOf(qsizetype position) const { return m_store.lineOf(position); }
    qsizetype lineStartOf(qsizetype position) const;
    qsizetype lineEndOf(qsizetype position) const { return m_store.nextBreak(position); }
    // One code point on, or back, never between the halves of a surrogate pair.
    qsizetype nextCharacter(qsizetype position) const;
    qsizetype previousCharacter(qsizetype position) const;
    // Where the caret next stops: after a whole grapheme cluster, such as "é" written as e and a
    // combining accent, or an emoji joined from several.
    qsizetype graphemeBoundary(qsizetype position, bool forward) const;
    // Where a word move ends: past the word and the blanks after it, or back over the blanks and
    // the word before it, stopping at line breaks as other edit boxes do.
    qsizetype wordBoundary(qsizetype position, bool forward) const;
    // The word, run of blanks or run of other signs at the position, as a double click takes it.
    std::pair<qsizetype, qsizetype> wordAt(qsizetype position) const;

signals:
    void changed(const TextChange &change);
    // The user or the program put the caret or the selection's other end somewhere: a move, an
    // edit or a write, even one that leaves them where they were.
    void caretMoved();
    // Lines that came above took the caret and the selection along with their text: their
    // positions changed, their places in the text did not.
    void caretCarried();

private:
    qsizetype clamped(qsizetype position) const
    {
        return std::clamp<qsizetype>(position, 0, size());
    }
    void apply(qsizetype position, const QString &removed, const QString &inserted);
    void place(qsizetype caret, qsizetype anchor);

    LogStore m_store;
    EditHistory m_history;
    qsizetype m_caret = 0;
    qsizetype m_anchor = 0;
};
