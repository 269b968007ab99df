#include "action_log.h"

#include <QEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

ActionLog::ActionLog(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setLineWrapMode(NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
}

// Tab stops every eight average characters, as in a classic edit box, keep the six fields of a
// short line within the box's width.
void ActionLog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        setTabStopDistance(8 * fontMetrics().averageCharWidth());
    QPlainTextEdit::changeEvent(event);
}

void ActionLog::prependLine(const QString &line)
{
    QTextDocument *log = document();
    // Undo steps recorded before the insert would point at the wrong places after it, and the
    // program's own lines are not the user's edits: the insert starts a fresh history, as a
    // whole-text write would.
    log->setUndoRedoEnabled(false);
    QTextCursor top(log);
    // One edit, so the layout sees one change. Two separate ones make the old top block briefly
    // the widest and then narrower again, and the plain-text layout answers a narrowing widest
    // block by measuring every block: each event would cost time in proportion to the log, and
    // a long top line would be laid out twice.
    top.beginEditBlock();
    top.insertText(line + QChar::ParagraphSeparator);
    top.endEditBlock();
    log->setUndoRedoEnabled(true);

    setTextCursor(QTextCursor(log));
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);

    // Placing the cursor shaped the new line and the one the cursor left, and only painting them
    // would let go of their glyphs: in a burst of events every line that scrolled away unpainted
    // would keep about 2 KB for good. An emptied layout is laid out afresh, keeping no glyphs,
    // when the line is next shown.
    const QTextBlock newLine = log->firstBlock();
    for (const QTextBlock &block : {newLine, newLine.next()}) {
        if (QTextLayout *layout = block.layout()) {
            layout->beginLayout();
            layout->endLayout();
        }
    }
}

QString ActionLog::text() const
{
    QString text = document()->toRawText();
    QString joined;
    joined.reserve(text.size() + document()->blockCount());
    for (QChar ch : std::as_const(text)) {
        if (ch == QChar::ParagraphSeparator)
            joined += QStringLiteral("\r\n");
        else
            joined += ch;
    }
    return joined;
}
