#pragma once

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QVariant>

class ActionLog;
class LogDocument;
class QContextMenuEvent;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;

// How the user works the log: keys, the mouse, drag and drop, the context menu and input methods.
// The log forwards its input events here, as a text box does to its text control; what the user
// does goes to the document, which the log follows, and to the log only where the view decides,
// as in moving by lines and pages. The edit keys are one table, which the keys, the window's
// shortcuts and the context menu all go by.
class LogInput : public QObject {
    Q_OBJECT

public:
    LogInput(ActionLog &log, LogDocument &document);

    // Whether the key is the log's rather than a shortcut of the window's, as in any edit box.
    bool takesShortcut(const QKeyEvent *event) const;
    void keyPressEvent(QKeyEvent *event);
    void mousePressEvent(QMouseEvent *event);
    void mouseMoveEvent(QMouseEvent *event);
    void mouseReleaseEvent(QMouseEvent *event);
    void mouseDoubleClickEvent(QMouseEvent *event);
    void contextMenuEvent(QContextMenuEvent *event);
    void dragEnterEvent(QDragEnterEvent *event);
    void dragMoveEvent(QDragMoveEvent *event);
    void dragLeaveEvent(QDragLeaveEvent *event);
    void dropEvent(QDropEvent *event);
    void inputMethodEvent(QInputMethodEvent *event);
    // An invalid answer where the log has nothing of its own to say.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const;

    // The clipboard's edits, as the keys and the context menu make them.
    void copy() const;
    void cut();
    void paste();

    // What an input method is composing, and where in it its caret is.
    const QString &preedit() const { return m_preedit; }
    int preeditCaret() const { return m_preeditCaret; }
    // Where a drag over the log would drop its text, or -1.
    qsizetype dropCaret() const { return m_dropCaret; }

signals:
    void preeditChanged();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    // Where the platform has a selection of its own, as X11 has, the selection made is offered
    // there; a selection the mouse is still making, once the button is let go.
    void selectionMade() const;
    void offerSelection() const;
    void startDrag();
    void dragScroll();

    ActionLog &m_log;
    LogDocument &m_document;
    QString m_preedit;
    int m_preeditCaret = 0;
    bool m_selecting = false;
    // A press on the selection may begin dragging it away, or, let go, place the caret.
    bool m_mayDrag = false;
    QPoint m_pressPoint;
    qsizetype m_dropCaret = -1;
    // A press soon after a double click, and near it, selects the whole line.
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickPoint;
    // While a drag selects past an edge of the view, the view keeps scrolling towards the mouse.
    QBasicTimer m_dragScroll;
    QPoint m_dragPoint;
};
