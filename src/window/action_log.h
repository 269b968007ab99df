#pragma once

#include <QPlainTextEdit>

// The log box: newest line first, editable by the user, never trimmed. A new line is inserted
// at the top instead of rewriting the whole text, so an event costs the same at any log size,
// and the text comes out exactly as rewriting it would have made it.
class ActionLog : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit ActionLog(QWidget *parent = nullptr);

    // Puts the line above everything the log holds, the user's typing included, and shows the
    // log's beginning. The line must not contain line breaks.
    void prependLine(const QString &line);

    // The log as one text, lines joined by carriage return and line feed.
    QString text() const;

protected:
    void changeEvent(QEvent *event) override;
};
