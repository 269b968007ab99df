#pragma once

#include "action_log_accessible.h"
#include "log_document.h"
#include "log_input.h"
#include "log_layout.h"
#include "widest_line.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <QTextCursor>

// The log box: newest line first, editable by the user, never trimmed. It keeps the text in a
// compact store and lays out only the lines in view, and of a long line only the part in view,
// so that an event, a repaint or a keystroke costs the same at any log size and line length.
// Positions count characters with each line break as one.
class ActionLog : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit ActionLog(QWidget *parent = nullptr);
    ~ActionLog() override;

    // Puts the line above everything the log holds, the user's typing included. While the user
    // works in the log their caret, selection and view stay on the text they were on; otherwise
    // the log shows its beginning, with the newest line. The line must not contain line breaks.
    void prependLine(const QString &line);

    // The log as one text, lines joined by carriage return and line feed, as a program reads
    // the box the log stands in for.
    QString toCrLfText() const;
    // Replaces the whole text, as a program's write does: the history starts afresh.
    void setPlainText(const QString &text);
    // The text with the caret, the selection and the history, to read and to edit: the log
    // follows every change the document announces.
    LogDocument &document() { return m_document; }
    const LogDocument &document() const { return m_document; }

    void moveCursor(QTextCursor::MoveOperation operation,
                    QTextCursor::MoveMode mode = QTextCursor::MoveAnchor);
    // Scrolls a page up or down and takes the caret along, as Page Up and Page Down do.
    void movePage(QTextCursor::MoveOperation direction,
                  QTextCursor::MoveMode mode = QTextCursor::MoveAnchor);
    // Brings the caret into view now rather than with the next frame.
    void ensureCaretVisible();

    // In the viewport's coordinates.
    QRect characterRect(qsizetype position) const;
    QRect cursorRect() const;
    qsizetype positionAt(QPoint point) const;

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

public slots:
    void clear();
    // Leaves the view where it is, as the standard box does.
    void selectAll();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

    // The user's input goes to the input, as a text box's goes to its text control.
    void keyPressEvent(QKeyEvent *event) override { m_input.keyPressEvent(event); }
    // A press lands on the text as it is now, not as the last frame showed it.
    void mousePressEvent(QMouseEvent *event) override
    {
        sync();
        m_input.mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent *event) override { m_input.mouseMoveEvent(event); }
    void mouseReleaseEvent(QMouseEvent *event) override { m_input.mouseReleaseEvent(event); }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        m_input.mouseDoubleClickEvent(event);
    }
    void contextMenuEvent(QContextMenuEvent *event) override { m_input.contextMenuEvent(event); }
    void dragEnterEvent(QDragEnterEvent *event) override { m_input.dragEnterEvent(event); }
    void dragMoveEvent(QDragMoveEvent *event) override { m_input.dragMoveEvent(event); }
    void dragLeaveEvent(QDragLeaveEvent *event) override { m_input.dragLeaveEvent(event); }
    void dropEvent(QDropEvent *event) override { m_input.dropEvent(event); }
    void inputMethodEvent(QInputMethodEvent *event) override { m_input.inputMethodEvent(event); }

private:
    LayoutFrame frame() const;
    qsizetype firstShownLine() const;
    int fullyShownLines() const;
    int textWidth() const;
    QPoint rowOrigin(qsizetype line) const;
    qreal xOf(qsizetype position, int preeditCaret = 0) const;

    void moveVertically(qsizetype lines, bool keepAnchor);
    void caretMoved();
    void preeditChanged();
    void repaintAll();
    void scheduleSync();
    void sync();
    void moveDrawnRows();
    void updateVerticalRange();
    void scrollToLine(qsizetype line);
    void updateHorizontalRange();
    void setHorizontalRange();
    void scrollAlongToCaret(qsizetype caretLine);
    void restartBlink();
    void updateMetrics();

    LogDocument m_document;
    // They follow the document's changes themselves.
    mutable LogLayout m_layout{m_document};
    WidestLine m_widest{m_document};
    ActionLogAccessibleEvents m_accessibleEvents{this, m_document};
    LogInput m_input{*this, m_document};
    qreal m_preferredX = -1; // where up and down keep the caret
    bool m_movingVertically = false;

    int m_lineHeight = 1;
    bool m_syncPending = false;
    bool m_followCaret = false;
    bool m_caretShown = true;
    QBasicTimer m_blink;

    // Lines that came above the text the user is on since the last frame.
    qsizetype m_keptViewShift = 0;
    bool m_fullRepaint = false;
};
