#include "action_log.h"

#include "action_log_accessible.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QInputMethod>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionSlider>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The room between the box's edge and the text, as in the other multi-line boxes.
constexpr int margin = 4;

QRect sliderRect(const QScrollBar *scroll, int maximum)
{
    QStyleOptionSlider option;
    option.initFrom(scroll);
    option.orientation = scroll->orientation();
    option.minimum = scroll->minimum();
    option.maximum = maximum;
    option.sliderPosition = option.sliderValue = std::min(scroll->value(), maximum);
    option.singleStep = scroll->singleStep();
    option.pageStep = scroll->pageStep();
    option.subControls = QStyle::SC_All;
    return scroll->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                           QStyle::SC_ScrollBarSlider, scroll);
}

// At a million lines one more line moves the slider by less than a pixel, and repainting the
// scroll bar's full height at every frame would cost more than drawing the new line: the range
// changes without a repaint as long as the slider stays where it was. Nor does the scroll area
// hear of the new range unless the value moves with it: it would lay its bars out again a moment
// later, which with bars always shown changes nothing but repaints both, the log's frame and the
// window behind them, a millisecond at every frame.
void setRangeQuietly(QScrollBar *scroll, int maximum)
{
    if (scroll->maximum() == maximum)
        return;
    const QSignalBlocker unheard(maximum >= scroll->value() ? scroll : nullptr);
    const bool looksTheSame = scroll->isVisible() && scroll->maximum() > 0 && maximum > 0 &&
                              sliderRect(scroll, scroll->maximum()) == sliderRect(scroll, maximum);
    if (looksTheSame)
        scroll->setAttribute(Qt::WA_UpdatesDisabled);
    scroll->setMaximum(maximum);
    if (looksTheSame)
        scroll->setAttribute(Qt::WA_UpdatesDisabled, false);
}

int clampedInt(qreal value)
{
    return int(std::clamp<qreal>(value, 0, std::numeric_limits<int>::max() / 2));
}

} // namespace

ActionLog::ActionLog(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    static const bool accessible = (QAccessible::installFactory(accessibleActionLog), true);
    Q_UNUSED(accessible);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setAcceptDrops(true);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    connect(&m_input, &LogInput::preeditChanged, this, &ActionLog::preeditChanged);
    connect(&m_document, &LogDocument::changed, this, &ActionLog::scheduleSync);
    connect(&m_document, &LogDocument::caretMoved, this, &ActionLog::caretMoved);
    updateMetrics();
}

ActionLog::~ActionLog() = default;

// In a burst only the store changes per event; the view follows once per frame.
void ActionLog::prependLine(const QString &line)
{
    // While the user works in the log, the new line must not take their caret, selection or
    // view away from the text they are on: what they type would land among the device's lines.
    const bool userWorks = hasFocus() || m_document.hasSelection();
    m_document.prependLine(line, userWorks);
    if (userWorks) {
        ++m_keptViewShift;
    } else {
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
    }
}

void ActionLog::repaintAll()
{
    m_fullRepaint = true;
    viewport()->update();
}

QString ActionLog::toCrLfText() const
{
    return m_document.store().text(u"\r\n");
}

// Drops the whole store at once and begins again at the top.
void ActionLog::setPlainText(const QString &text)
{
    m_document.setText(text);
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void ActionLog::clear()
{
    setPlainText(QString());
}

void ActionLog::selectAll()
{
    m_document.setSelection(0, m_document.size());
    m_followCaret = false;
}

// Every move the user or the program makes is announced: the caret shows at once and is followed
// with the next frame, and Up and Down start afresh from it unless they moved it themselves.
void ActionLog::caretMoved()
{
    if (!m_movingVertically)
        m_preferredX = -1;
    m_followCaret = true;
    scheduleSync();
    repaintAll();
    restartBlink();
}

void ActionLog::preeditChanged()
{
    m_layout.setPreedit(m_input.preedit(), m_document.caret());
    m_followCaret = true;
    scheduleSync();
    repaintAll();
}

void ActionLog::moveCursor(QTextCursor::MoveOperation operation, QTextCursor::MoveMode mode)
{
    const bool keepAnchor = mode == QTextCursor::KeepAnchor;
    const bool collapse = !keepAnchor && m_document.hasSelection();
    const qsizetype caret = m_document.caret();
    qsizetype to = caret;
    switch (operation) {
    case QTextCursor::Start:
        to = 0;
        break;
    case QTextCursor::End:
        to = m_document.size();
        break;
    case QTextCursor::StartOfLine:
    case QTextCursor::StartOfBlock:
        to = m_document.lineStartOf(caret);
        break;
    case QTextCursor::EndOfLine:
    case QTextCursor::EndOfBlock:
        to = m_document.lineEndOf(caret);
        break;
    case QTextCursor::Left:
    case QTextCursor::PreviousCharacter:
        to = collapse ? m_document.selectionStart() : m_document.graphemeBoundary(caret, false);
        break;
    case QTextCursor::Right:
    case QTextCursor::NextCharacter:
        to = collapse ? m_document.selectionEnd() : m_document.graphemeBoundary(caret, true);
        break;
    case QTextCursor::WordLeft:
    case QTextCursor::PreviousWord:
        to = m_document.wordBoundary(caret, false);
        break;
    case QTextCursor::WordRight:
    case QTextCursor::NextWord:
        to = m_document.wordBoundary(caret, true);
        break;
    case QTextCursor::Up:
    case QTextCursor::Down:
        moveVertically(operation == QTextCursor::Up ? -1 : 1, keepAnchor);
        sync();
        return;
    default:
        return;
    }
    m_document.setCaret(to, keepAnchor);
    sync();
}

void ActionLog::movePage(QTextCursor::MoveOperation direction, QTextCursor::MoveMode mode)
{
    const int rows = fullyShownLines();
    const int step = direction == QTextCursor::Up ? -rows : rows;
    verticalScrollBar()->setValue(verticalScrollBar()->value() + step);
    moveVertically(step, mode == QTextCursor::KeepAnchor);
}

void ActionLog::moveVertically(qsizetype lines, bool keepAnchor)
{
    const qsizetype caret = m_document.caret();
    const qsizetype line = m_document.lineOf(caret);
    const qsizetype target = std::clamp<qsizetype>(line + lines, 0, m_document.lineCount() - 1);
    if (target == line)
        return;
    if (m_preferredX < 0)
        m_preferredX = xOf(caret);
    const ShownLine shown = m_layout.find(target, frame());
    const QScopedValueRollback vertical(m_movingVertically, true);
    m_document.setCaret(shown.start + m_layout.columnAt(shown, m_preferredX), keepAnchor);
}

void ActionLog::ensureCaretVisible()
{
    m_followCaret = true;
    scheduleSync();
    sync();
}

LayoutFrame ActionLog::frame() const
{
    return {firstShownLine(), fullyShownLines() + 2, textWidth(), horizontalScrollBar()->value()};
}

int ActionLog::textWidth() const
{
    return std::max(1, viewport()->width() - 2 * margin);
}

// Where the line's start is drawn, in the viewport's coordinates.
QPoint ActionLog::rowOrigin(qsizetype line) const
{
    return {margin - horizontalScrollBar()->value(),
            margin + int(line - firstShownLine()) * m_lineHeight};
}

qsizetype ActionLog::firstShownLine() const
{
    return std::clamp<qsizetype>(verticalScrollBar()->value(), 0, m_document.lineCount() - 1);
}

int ActionLog::fullyShownLines() const
{
    return std::max(1, (viewport()->height() - margin) / m_lineHeight);
}

// From the line's start, without the margin and the scrolling.
qreal ActionLog::xOf(qsizetype position, int preeditCaret) const
{
    const ShownLine shown = m_layout.find(m_document.lineOf(position), frame());
    return m_layout.xOf(shown, position - shown.start + preeditCaret);
}

QRect ActionLog::characterRect(qsizetype position) const
{
    const QPoint origin = rowOrigin(m_document.lineOf(position));
    const qreal left = xOf(position);
    const bool atBreak = position >= m_document.lineEndOf(position);
    const qreal right =
        atBreak ? left + m_layout.charWidth() : xOf(m_document.nextCharacter(position));
    return QRect(origin.x() + int(left), origin.y(), std::max(1, int(right - left)), m_lineHeight);
}

QRect ActionLog::cursorRect() const
{
    const QPoint origin = rowOrigin(m_document.lineOf(m_document.caret()));
    return QRect(origin.x() + int(xOf(m_document.caret(), m_input.preeditCaret())), origin.y(), 1,
                 m_lineHeight);
}

qsizetype ActionLog::positionAt(QPoint point) const
{
    const qsizetype rows = qsizetype(std::floor(qreal(point.y() - margin) / m_lineHeight));
    const qsizetype line =
        std::clamp<qsizetype>(firstShownLine() + rows, 0, m_document.lineCount() - 1);
    const qreal x = point.x() - margin + horizontalScrollBar()->value();
    const ShownLine shown = m_layout.find(line, frame());
    return shown.start + m_layout.columnAt(shown, x);
}

void ActionLog::scheduleSync()
{
    if (m_syncPending)
        return;
    m_syncPending = true;
    QMetaObject::invokeMethod(this, &ActionLog::sync, Qt::QueuedConnection);
}

// Brings the view up to date with the store: once per frame, since the posted call runs before
// the frame is painted, however many edits came before it.
void ActionLog::sync()
{
    if (!std::exchange(m_syncPending, false))
        return;
    updateVerticalRange();
    // Found only when the caret is followed: at the end of a million lines it takes a walk.
    const qsizetype caretLine = m_followCaret ? m_document.lineOf(m_document.caret()) : -1;
    if (m_followCaret)
        scrollToLine(caretLine);
    updateHorizontalRange();
    if (std::exchange(m_followCaret, false))
        scrollAlongToCaret(caretLine);
    moveDrawnRows();
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
}

// What is on screen moves down by as many rows as the layout moved its lines, and only the new
// rows are drawn, however many the view shows.
void ActionLog::moveDrawnRows()
{
    const std::optional<qsizetype> rows = m_layout.takeRowsMoved();
    if (!rows)
        repaintAll();
    else if (*rows > 0 && !m_fullRepaint)
        viewport()->scroll(0, int(*rows * m_lineHeight),
                           QRect(0, margin, viewport()->width(), viewport()->height() - margin));
}

void ActionLog::updateVerticalRange()
{
    QScrollBar *vertical = verticalScrollBar();
    const int rows = fullyShownLines();
    vertical->setPageStep(rows);
    setRangeQuietly(
        vertical, int(std::min<qsizetype>(std::numeric_limits<int>::max(),
                                          std::max<qsizetype>(0, m_document.lineCount() - rows))));
    // The lines that came above the text the user is on push the view down with that text.
    if (const qsizetype kept = std::exchange(m_keptViewShift, 0))
        vertical->setValue(int(std::min<qsizetype>(vertical->value() + kept, vertical->maximum())));
}

void ActionLog::scrollToLine(qsizetype line)
{
    QScrollBar *vertical = verticalScrollBar();
    const int rows = fullyShownLines();
    if (line < vertical->value())
        vertical->setValue(int(line));
    else if (line >= vertical->value() + rows)
        vertical->setValue(int(line - rows + 1));
}

// The horizontal extent is that of the widest line yet in view, as the lines' widths are known
// only once they are laid out.
void ActionLog::updateHorizontalRange()
{
    for (const ShownLine &shown : m_layout.lines(frame()))
        m_widest.see(shown.line, shown.width);
    setHorizontalRange();
}

void ActionLog::setHorizontalRange()
{
    QScrollBar *horizontal = horizontalScrollBar();
    const int charWidth = m_layout.charWidth();
    setRangeQuietly(horizontal, clampedInt(std::ceil(m_widest.width()) + charWidth - textWidth()));
    horizontal->setPageStep(textWidth());
    horizontal->setSingleStep(2 * charWidth);
}

// A long line's part moves with the scrolling, so the caret's place is looked at again. Its width
// is an estimate until then: where the caret lies beyond it, the range grows to it.
void ActionLog::scrollAlongToCaret(qsizetype caretLine)
{
    QScrollBar *horizontal = horizontalScrollBar();
    const int charWidth = m_layout.charWidth();
    const int width = textWidth();
    for (int pass = 0; pass < 2; ++pass) {
        const qreal x = xOf(m_document.caret(), m_input.preeditCaret());
        if (m_widest.see(caretLine, x + charWidth))
            setHorizontalRange();
        if (x < horizontal->value())
            horizontal->setValue(clampedInt(x - width / 4));
        else if (x + charWidth > horizontal->value() + width)
            horizontal->setValue(clampedInt(x + charWidth - width + width / 4));
        else
            break;
    }
}

void ActionLog::updateMetrics()
{
    const QFontMetrics metrics = fontMetrics();
    m_lineHeight = std::max(1, metrics.lineSpacing());
    m_layout.setFont(font(), metrics.averageCharWidth(), viewport());
    m_widest.forget();
    scheduleSync();
    repaintAll();
}

void ActionLog::restartBlink()
{
    m_caretShown = true;
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flashTime > 0)
        m_blink.start(flashTime / 2, this);
    else
        m_blink.stop();
}

void ActionLog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        updateMetrics();
    QAbstractScrollArea::changeEvent(event);
}

void ActionLog::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    scheduleSync();
}

void ActionLog::scrollContentsBy(int, int)
{
    scheduleSync();
    repaintAll();
}

void ActionLog::paintEvent(QPaintEvent *event)
{
    sync();
    m_fullRepaint = false;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const qsizetype selectionStart = m_document.selectionStart();
    const qsizetype selectionEnd = m_document.selectionEnd();
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));
    const QRect exposed = event->rect();

    for (const ShownLine &shown : m_layout.lines(frame())) {
        const QPoint row = rowOrigin(shown.line);
        if (row.y() > exposed.bottom() || row.y() + m_lineHeight < exposed.top())
            continue;
        const QPointF origin(row.x() + shown.x, row.y());
        const qsizetype partStart = shown.start + shown.partColumn;
        const qsizetype partEnd = shown.start + shown.partEnd();
        QList<QTextLayout::FormatRange> selections;
        if (selectionStart < partEnd && selectionEnd > partStart) {
            const qsizetype from = std::max(selectionStart, partStart);
            const qsizetype to = std::min(selectionEnd, partEnd);
            selections.append({int(from - partStart), int(to - from), selected});
        }
        shown.layout->draw(&painter, origin, selections);
        // A selected line break shows as a selected cell past the line's end.
        const qsizetype lineBreak = shown.start + shown.length;
        if (partEnd == lineBreak && lineBreak < m_document.size() && selectionStart <= lineBreak &&
            selectionEnd > lineBreak)
            painter.fillRect(QRectF(origin.x() + shown.naturalPartWidth(), row.y(),
                                    m_layout.charWidth(), m_lineHeight),
                             palette().brush(QPalette::Highlight));
    }
    if (hasFocus() && (m_caretShown || !m_input.preedit().isEmpty()))
        painter.fillRect(cursorRect(), palette().brush(QPalette::Text));
    // Where text dragged over the log would go.
    if (m_input.dropCaret() >= 0) {
        QRect drop = characterRect(m_input.dropCaret());
        drop.setWidth(1);
        painter.fillRect(drop, palette().brush(QPalette::Text));
    }
}

void ActionLog::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    repaintAll();
}

void ActionLog::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    m_blink.stop();
    repaintAll();
}

void ActionLog::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretShown = !m_caretShown;
    viewport()->update(cursorRect().adjusted(-1, 0, 1, 0));
}

bool ActionLog::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride &&
        m_input.takesShortcut(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

QVariant ActionLog::inputMethodQuery(Qt::InputMethodQuery query) const
{
    const QVariant answer = m_input.inputMethodQuery(query);
    return answer.isValid() ? answer : QAbstractScrollArea::inputMethodQuery(query);
}
