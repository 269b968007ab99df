#pragma once

#include "edit_history.h"
#include "log_store.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QPoint>
#include <QTextCursor>
#include <memory>
#include <vector>

class QTextLayout;

// The log box: newest line first, editable by the user, never trimmed. It keeps the text in a
// compact store and lays out only the lines in view, and of a long line only the part in view,
// so that an event, a repaint or a keystroke costs the same at any log size and line length.
// Positions count characters with each line break as one.
class ActionLog : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit ActionLog(QWidget *parent = nullptr);
    ~ActionLog() override;

    // Puts the line above everything the log holds, the user's typing included, and shows the
    // log's beginning. The line must not contain line breaks.
    void prependLine(const QString &line);

    // The log as one text, lines joined by carriage return and line feed.
    QString text() const;
    // Replaces the whole text, as a program's write does: the history starts afresh.
    void setPlainText(const QString &text);
    qsizetype lineCount() const { return m_store.lineCount(); }

    qsizetype cursorPosition() const { return m_caret; }
    bool hasSelection() const { return m_caret != m_anchor; }
    QString selectedText() const;
    // Selects from the anchor to the caret, which ends up at the second position.
    void setSelection(qsizetype anchor, qsizetype caret);
    void moveCursor(QTextCursor::MoveOperation operation,
                    QTextCursor::MoveMode mode = QTextCursor::MoveAnchor);

    bool isUndoAvailable() const { return m_history.canUndo(); }
    bool isRedoAvailable() const { return m_history.canRedo(); }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

public slots:
    void clear();
    void selectAll();
    void copy() const;
    void cut();
    void paste();
    void undo();
    void redo();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    friend class ActionLogAccessible;

    // A line as it is drawn: the part of it from its anchor on, laid out, or all of it when it
    // is short.
    struct ShownLine {
        qsizetype line = 0;
        qsizetype start = 0;  // the line's first position
        qsizetype length = 0; // without the break
        qsizetype anchor = 0; // the column the layout begins at
        qreal x = 0;          // where the layout begins, from the line's start
        qreal width = 0;      // of the whole line, estimated for a long one
        std::unique_ptr<QTextLayout> layout;
    };

    // Eight characters, so that the short fields of a line stand in columns.
    qreal tabStopDistance() const { return 8 * m_charWidth; }
    ShownLine layoutLine(qsizetype line, qsizetype start) const;
    const std::vector<ShownLine> &shownLines() const;
    qsizetype firstShownLine() const;
    int fullyShownLines() const;
    qreal xIn(const ShownLine &shown, qsizetype column) const;
    qsizetype columnAt(const ShownLine &shown, qreal x) const;
    qreal xOf(qsizetype position, int preeditCaret = 0) const;
    QRect caretRect() const; // in the viewport
    QRect characterRect(qsizetype position) const;
    qsizetype positionAt(QPoint point) const; // from the viewport

    void replace(qsizetype from, qsizetype to, const QString &text,
                 EditKind kind = EditKind::Other);
    void applyEdit(qsizetype position, const QString &removed, const QString &inserted);
    qsizetype nextCharacter(qsizetype position) const;
    qsizetype previousCharacter(qsizetype position) const;
    // Where the caret next stops: after a whole grapheme cluster, such as "é" written as e and a
    // combining accent, or an emoji joined from several.
    qsizetype graphemeBoundary(qsizetype position, bool forward) const;
    void setCaret(qsizetype caret, bool keepAnchor);
    void moveVertically(qsizetype lines, bool keepAnchor);
    qsizetype wordBoundary(qsizetype position, bool forward) const;
    void selectWordAt(qsizetype position);
    void textChanged();
    void caretMoved();
    void replaceAll(const QString &text);
    void dropShownLines();
    void repaintAll();
    void scheduleSync();
    void sync();
    void restartBlink();
    void updateMetrics();

    LogStore m_store;
    EditHistory m_history;
    qsizetype m_caret = 0;
    qsizetype m_anchor = 0;
    qreal m_preferredX = -1; // where up and down keep the caret
    QString m_preedit;
    int m_preeditCaret = 0;

    int m_lineHeight = 1;
    int m_charWidth = 1;
    qreal m_widest = 0; // the widest line yet in view
    bool m_syncPending = false;
    bool m_followCaret = false;
    bool m_caretShown = true;
    bool m_selecting = false;
    void dragScroll();
    // A press soon after a double click, and near it, selects the whole line.
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickPoint;
    QBasicTimer m_blink;
    // While a drag selects past an edge of the view, the view keeps scrolling towards the mouse.
    QBasicTimer m_dragScroll;
    QPoint m_dragPoint;

    // The lines of the last frame; they are dropped when the text, the font or the view
    // changes.
    mutable std::vector<ShownLine> m_shown;
    mutable bool m_shownValid = false;
    // Lines put at the top since the last frame: the shown lines move down by as many, and the
    // pixels on screen with them.
    mutable qsizetype m_prependedLines = 0;
    mutable qsizetype m_prependedChars = 0;
    qsizetype m_pendingShift = 0;
    // Lines that came above the text the user is on since the last frame.
    qsizetype m_keptViewShift = 0;
    bool m_fullRepaint = false;
};
