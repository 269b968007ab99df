#pragma once

#include <QAccessibleWidget>
#include <QObject>

class ActionLog;
class LogDocument;
struct TextChange;

// What screen readers see of the log: an editable text whose lines, caret and selection they
// read and which they may edit, as they would any multi-line edit box.
class ActionLogAccessible : public QAccessibleWidget,
                            public QAccessibleTextInterface,
                            public QAccessibleEditableTextInterface {
public:
    explicit ActionLogAccessible(ActionLog *log);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;
    void setText(QAccessible::Text type, const QString &text) override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString &text) override;
    void replaceText(int startOffset, int endOffset, const QString &text) override;

private:
    ActionLog *log() const;
    LogDocument &document() const;
};

// Gives the log its accessible interface; installed once by the first log.
QAccessibleInterface *accessibleActionLog(const QString &className, QObject *object);

// Tells screen readers what changes in the log as its document announces it: text that came or
// went, and where the caret and the selection went, as they hear it from any edit box.
class ActionLogAccessibleEvents : public QObject {
    Q_OBJECT

public:
    ActionLogAccessibleEvents(ActionLog *log, const LogDocument &document);

private:
    void textChanged(const TextChange &change) const;
    void caretMoved() const;

    ActionLog *m_log;
    const LogDocument &m_document;
};
