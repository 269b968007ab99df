#include "action_log.h"

#include "action_log_accessible.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethod>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionSlider>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The room between the box's edge and the text, as in the other multi-line boxes.
constexpr int margin = 4;

// Lines up to this length are laid out whole and measured exactly. Of a longer line only the part
// in view is laid out, and it is placed where its first character would stand if every character
// took the average width; the line's extent is estimated the same way. Measuring such a line
// exactly would shape all of it, seconds and gigabytes for a pasted line of tens of millions of
// characters, while the estimate lets the scroll bar reach its end at once. The part begins at a
// multiple of eight characters, which is a tab stop, so tabs in it still line up.
constexpr qsizetype longLine = 4096;

// The widest a line may lay out: beyond all screens, within what a layout can count.
constexpr qreal unboundedWidth = 1 << 22;

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
// changes without a repaint as long as the slider stays where it was.
void setRangeQuietly(QScrollBar *scroll, int maximum)
{
    if (scroll->maximum() == maximum)
        return;
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

void notify(QAccessibleEvent &&event)
{
    QAccessible::updateAccessibility(&event);
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
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    updateMetrics();
}

ActionLog::~ActionLog() = default;

void ActionLog::prependLine(const QString &line)
{
    // A log at rest only moves down by a line: what is on screen is moved along with it and
    // only the new line is drawn, however many lines the view shows.
    // While the user works in the log, the new line must not take their caret, selection or
    // view away from the text they are on: what they type would land among the device's lines.
    // Otherwise the log shows its beginning, with the newest line.
    const bool userWorks = hasFocus() || hasSelection();
    const bool onlyMovesDown = !m_fullRepaint && !userWorks && m_preedit.isEmpty() &&
                               verticalScrollBar()->value() == 0 &&
                               horizontalScrollBar()->value() == 0;
    const qsizetype caretBefore = m_caret;
    m_store.insert(0, u"\n");
    m_store.insert(0, line);
    // Undo steps recorded before the insert would point at the wrong places after it, and the
    // program's own lines are not the user's edits: the insert starts a fresh history, as a
    // whole-text write would.
    m_history.clear();
    m_followCaret = false;
    if (userWorks) {
        m_caret += line.size() + 1;
        m_anchor += line.size() + 1;
        ++m_keptViewShift;
    } else {
        m_caret = 0;
        m_anchor = 0;
        m_preferredX = -1;
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
    }
    if (QAccessible::isActive()) {
        notify(QAccessibleTextInsertEvent(this, 0, line + u'\n'));
        if (m_caret != caretBefore)
            notify(QAccessibleTextCursorEvent(this, int(m_caret)));
    }
    // In a burst only the store changes per event; the view follows once per frame.
    if (m_shownValid && onlyMovesDown) {
        ++m_prependedLines;
        m_prependedChars += line.size() + 1;
    } else {
        dropShownLines();
    }
    if (onlyMovesDown)
        ++m_pendingShift;
    else
        repaintAll();
    scheduleSync();
}

void ActionLog::dropShownLines()
{
    m_shownValid = false;
    m_prependedLines = 0;
    m_prependedChars = 0;
}

void ActionLog::repaintAll()
{
    m_fullRepaint = true;
    viewport()->update();
}

QString ActionLog::text() const
{
    return m_store.text(u"\r\n");
}

void ActionLog::setPlainText(const QString &text)
{
    replaceAll(text);
    m_history.clear();
}

void ActionLog::clear()
{
    setPlainText(QString());
}

// Drops the whole store at once and begins again at the top, whether the program or the user
// replaced the text.
void ActionLog::replaceAll(const QString &text)
{
    const QString old = QAccessible::isActive() ? m_store.text() : QString();
    m_store.clear();
    m_store.insert(0, text);
    m_caret = 0;
    m_anchor = 0;
    m_preferredX = -1;
    m_widest = 0;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    if (QAccessible::isActive())
        notify(QAccessibleTextUpdateEvent(this, 0, old, m_store.text()));
    textChanged();
}

QString ActionLog::selectedText() const
{
    const qsizetype from = std::min(m_caret, m_anchor);
    return m_store.mid(from, std::max(m_caret, m_anchor) - from);
}

void ActionLog::setSelection(qsizetype anchor, qsizetype caret)
{
    m_anchor = std::clamp<qsizetype>(anchor, 0, m_store.size());
    m_preferredX = -1;
    setCaret(caret, true);
}

void ActionLog::selectAll()
{
    m_anchor = 0;
    m_caret = m_store.size();
    m_history.closeStep();
    caretMoved();
}

void ActionLog::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void ActionLog::cut()
{
    copy();
    replace(m_anchor, m_caret, QString());
}

void ActionLog::paste()
{
    const QString pasted = QGuiApplication::clipboard()->text();
    if (!pasted.isEmpty())
        replace(m_anchor, m_caret, pasted);
}

void ActionLog::undo()
{
    if (!m_history.canUndo())
        return;
    const TextEdit &edit = m_history.undo();
    applyEdit(edit.position, edit.inserted, edit.removed);
    m_anchor = edit.anchorBefore;
    m_caret = edit.caretBefore;
    m_followCaret = true;
    textChanged();
}

void ActionLog::redo()
{
    if (!m_history.canRedo())
        return;
    const TextEdit &edit = m_history.redo();
    applyEdit(edit.position, edit.removed, edit.inserted);
    m_caret = m_anchor = edit.position + edit.inserted.size();
    m_followCaret = true;
    textChanged();
}

// The user's edit: the text between the two positions is replaced, and the caret follows it.
void ActionLog::replace(qsizetype from, qsizetype to, const QString &text, EditKind kind)
{
    if (from > to)
        std::swap(from, to);
    from = std::clamp<qsizetype>(from, 0, m_store.size());
    to = std::clamp<qsizetype>(to, from, m_store.size());
    TextEdit edit{from, m_store.mid(from, to - from), LogStore::withPlainBreaks(text), m_caret,
                  m_anchor};
    if (edit.removed.isEmpty() && edit.inserted.isEmpty())
        return;
    applyEdit(from, edit.removed, edit.inserted);
    m_caret = m_anchor = from + edit.inserted.size();
    m_history.record(std::move(edit), kind);
    m_preferredX = -1;
    m_followCaret = true;
    textChanged();
}

void ActionLog::applyEdit(qsizetype position, const QString &removed, const QString &inserted)
{
    if (!removed.isEmpty()) {
        m_store.remove(position, removed.size());
        if (QAccessible::isActive())
            notify(QAccessibleTextRemoveEvent(this, int(position), removed));
    }
    if (!inserted.isEmpty()) {
        m_store.insert(position, inserted);
        if (QAccessible::isActive())
            notify(QAccessibleTextInsertEvent(this, int(position), inserted));
    }
}

void ActionLog::textChanged()
{
    dropShownLines();
    caretMoved();
}

void ActionLog::caretMoved()
{
    scheduleSync();
    repaintAll();
    restartBlink();
    if (QAccessible::isActive()) {
        notify(QAccessibleTextCursorEvent(this, int(m_caret)));
        if (hasSelection())
            notify(QAccessibleTextSelectionEvent(this, int(std::min(m_caret, m_anchor)),
                                                 int(std::max(m_caret, m_anchor))));
    }
}

void ActionLog::setCaret(qsizetype caret, bool keepAnchor)
{
    m_caret = std::clamp<qsizetype>(caret, 0, m_store.size());
    if (!keepAnchor)
        m_anchor = m_caret;
    m_history.closeStep();
    m_followCaret = true;
    caretMoved();
}

qsizetype ActionLog::nextCharacter(qsizetype position) const
{
    if (position >= m_store.size())
        return m_store.size();
    return position +
           (m_store.at(position).isHighSurrogate() && m_store.at(position + 1).isLowSurrogate()
                ? 2
                : 1);
}

qsizetype ActionLog::previousCharacter(qsizetype position) const
{
    if (position <= 0)
        return 0;
    return position -
           (m_store.at(position - 1).isLowSurrogate() && m_store.at(position - 2).isHighSurrogate()
                ? 2
                : 1);
}

qsizetype ActionLog::graphemeBoundary(qsizetype position, bool forward) const
{
    // Far longer than any cluster that occurs: a line of any length costs no more than this.
    constexpr qsizetype reach = 64;
    const qsizetype lineStart = m_store.lineStart(m_store.lineOf(position));
    const qsizetype lineEnd = m_store.nextBreak(lineStart);
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

void ActionLog::moveCursor(QTextCursor::MoveOperation operation, QTextCursor::MoveMode mode)
{
    const bool keepAnchor = mode == QTextCursor::KeepAnchor;
    const bool collapse = !keepAnchor && hasSelection();
    qsizetype to = m_caret;
    switch (operation) {
    case QTextCursor::Start:
        to = 0;
        break;
    case QTextCursor::End:
        to = m_store.size();
        break;
    case QTextCursor::StartOfLine:
    case QTextCursor::StartOfBlock:
        to = m_store.lineStart(m_store.lineOf(m_caret));
        break;
    case QTextCursor::EndOfLine:
    case QTextCursor::EndOfBlock:
        to = m_store.nextBreak(m_caret);
        break;
    case QTextCursor::Left:
    case QTextCursor::PreviousCharacter:
        to = collapse ? std::min(m_caret, m_anchor) : graphemeBoundary(m_caret, false);
        break;
    case QTextCursor::Right:
    case QTextCursor::NextCharacter:
        to = collapse ? std::max(m_caret, m_anchor) : graphemeBoundary(m_caret, true);
        break;
    case QTextCursor::WordLeft:
    case QTextCursor::PreviousWord:
        to = wordBoundary(m_caret, false);
        break;
    case QTextCursor::WordRight:
    case QTextCursor::NextWord:
        to = wordBoundary(m_caret, true);
        break;
    case QTextCursor::Up:
    case QTextCursor::Down:
        moveVertically(operation == QTextCursor::Up ? -1 : 1, keepAnchor);
        sync();
        return;
    default:
        return;
    }
    m_preferredX = -1;
    setCaret(to, keepAnchor);
    sync();
}

void ActionLog::moveVertically(qsizetype lines, bool keepAnchor)
{
    const qsizetype line = m_store.lineOf(m_caret);
    const qsizetype target = std::clamp<qsizetype>(line + lines, 0, lineCount() - 1);
    if (target == line)
        return;
    if (m_preferredX < 0)
        m_preferredX = xOf(m_caret);
    const qsizetype start = m_store.lineStart(target);
    const qreal preferredX = m_preferredX;
    setCaret(start + columnAt(layoutLine(target, start), preferredX), keepAnchor);
    m_preferredX = preferredX;
}

ActionLog::ShownLine ActionLog::layoutLine(qsizetype line, qsizetype start) const
{
    ShownLine shown;
    shown.line = line;
    shown.start = start;
    shown.length = m_store.nextBreak(start) - start;
    qsizetype count = shown.length;
    if (shown.length > longLine) {
        const qsizetype scrolled = horizontalScrollBar()->value() / m_charWidth;
        shown.anchor = std::clamp<qsizetype>(scrolled - 8, 0, shown.length) / 8 * 8;
        shown.x = qreal(shown.anchor) * m_charWidth;
        // Enough characters to fill the view even if each were a quarter of the average.
        const qsizetype needed = 4 * (viewport()->width() / m_charWidth + 16) + 16;
        count = std::min(shown.length - shown.anchor, needed);
    }
    auto layout =
        std::make_unique<QTextLayout>(m_store.mid(start + shown.anchor, count), font(), viewport());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(tabStopDistance());
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    const qsizetype partStart = start + shown.anchor;
    if (!m_preedit.isEmpty() && m_caret >= partStart && m_caret <= partStart + count)
        layout->setPreeditArea(int(m_caret - partStart), m_preedit);
    layout->beginLayout();
    QTextLine textLine = layout->createLine();
    textLine.setLineWidth(unboundedWidth);
    textLine.setPosition({0, 0});
    layout->endLayout();
    shown.width =
        shown.length > longLine ? qreal(shown.length) * m_charWidth : textLine.naturalTextWidth();
    shown.layout = std::move(layout);
    return shown;
}

qsizetype ActionLog::firstShownLine() const
{
    return std::clamp<qsizetype>(verticalScrollBar()->value(), 0, lineCount() - 1);
}

int ActionLog::fullyShownLines() const
{
    return std::max(1, (viewport()->height() - margin) / m_lineHeight);
}

const std::vector<ActionLog::ShownLine> &ActionLog::shownLines() const
{
    if (m_shownValid && m_prependedLines > 0) {
        const qsizetype added = std::exchange(m_prependedLines, 0);
        const qsizetype moved = std::exchange(m_prependedChars, 0);
        const qsizetype rows = fullyShownLines() + 2;
        if (added < rows && firstShownLine() == 0) {
            for (ShownLine &shown : m_shown) {
                shown.line += added;
                shown.start += moved;
            }
            std::vector<ShownLine> fresh;
            for (qsizetype line = 0, start = 0; line < added; ++line) {
                fresh.push_back(layoutLine(line, start));
                start += fresh.back().length + 1;
            }
            m_shown.insert(m_shown.begin(), std::make_move_iterator(fresh.begin()),
                           std::make_move_iterator(fresh.end()));
            m_shown.resize(std::min<std::size_t>(m_shown.size(), std::min(lineCount(), rows)));
        } else {
            m_shownValid = false;
        }
    }
    if (m_shownValid)
        return m_shown;
    m_shown.clear();
    const qsizetype first = firstShownLine();
    const qsizetype last = std::min(lineCount(), first + fullyShownLines() + 2);
    qsizetype start = m_store.lineStart(first);
    for (qsizetype line = first; line < last; ++line) {
        m_shown.push_back(layoutLine(line, start));
        start += m_shown.back().length + 1;
    }
    m_shownValid = true;
    return m_shown;
}

qreal ActionLog::xIn(const ShownLine &shown, qsizetype column) const
{
    const qsizetype inPart = column - shown.anchor;
    if (inPart < 0 || inPart > shown.layout->text().size())
        return qreal(column) * m_charWidth;
    return shown.x + shown.layout->lineAt(0).cursorToX(int(inPart));
}

qsizetype ActionLog::columnAt(const ShownLine &shown, qreal x) const
{
    const QTextLine line = shown.layout->lineAt(0);
    const bool beforePart = shown.anchor > 0 && x < shown.x;
    const bool afterPart = shown.anchor + shown.layout->text().size() < shown.length &&
                           x > shown.x + line.naturalTextWidth();
    if (beforePart || afterPart)
        return std::clamp<qsizetype>(qsizetype(x / m_charWidth), 0, shown.length);
    return shown.anchor + line.xToCursor(x - shown.x);
}

// From the line's start, without the margin and the scrolling.
qreal ActionLog::xOf(qsizetype position, int preeditCaret) const
{
    const qsizetype line = m_store.lineOf(position);
    for (const ShownLine &shown : shownLines())
        if (shown.line == line)
            return xIn(shown, position - shown.start + preeditCaret);
    const qsizetype start = m_store.lineStart(line);
    return xIn(layoutLine(line, start), position - start + preeditCaret);
}

QRect ActionLog::characterRect(qsizetype position) const
{
    const qsizetype line = m_store.lineOf(position);
    const int y = margin + int(line - firstShownLine()) * m_lineHeight;
    const qreal left = xOf(position);
    const bool atBreak = position >= m_store.nextBreak(position);
    const qreal right = atBreak ? left + m_charWidth : xOf(nextCharacter(position));
    const int x = margin - horizontalScrollBar()->value();
    return QRect(x + int(left), y, std::max(1, int(right - left)), m_lineHeight);
}

QRect ActionLog::caretRect() const
{
    const qsizetype line = m_store.lineOf(m_caret);
    const int y = margin + int(line - firstShownLine()) * m_lineHeight;
    const int x = margin - horizontalScrollBar()->value() + int(xOf(m_caret, m_preeditCaret));
    return QRect(x, y, 1, m_lineHeight);
}

qsizetype ActionLog::positionAt(QPoint point) const
{
    const qsizetype rows = qsizetype(std::floor(qreal(point.y() - margin) / m_lineHeight));
    const qsizetype line = std::clamp<qsizetype>(firstShownLine() + rows, 0, lineCount() - 1);
    const qreal x = point.x() - margin + horizontalScrollBar()->value();
    for (const ShownLine &shown : shownLines())
        if (shown.line == line)
            return shown.start + columnAt(shown, x);
    const qsizetype start = m_store.lineStart(line);
    return start + columnAt(layoutLine(line, start), x);
}

void ActionLog::scheduleSync()
{
    if (m_syncPending)
        return;
    m_syncPending = true;
    QMetaObject::invokeMethod(this, &ActionLog::sync, Qt::QueuedConnection);
}

// Brings the scroll bars and the caret's place up to date with the store: once per frame, since
// the posted call runs before the frame is painted, however many edits came before it.
void ActionLog::sync()
{
    if (!m_syncPending)
        return;
    m_syncPending = false;
    if (m_pendingShift > 0) {
        const qsizetype shift = std::exchange(m_pendingShift, 0) * m_lineHeight;
        const QRect text(0, margin, viewport()->width(), viewport()->height() - margin);
        if (!m_fullRepaint && shift < text.height())
            viewport()->scroll(0, int(shift), text);
        else
            repaintAll();
    }
    QScrollBar *vertical = verticalScrollBar();
    QScrollBar *horizontal = horizontalScrollBar();
    const int rows = fullyShownLines();
    vertical->setPageStep(rows);
    setRangeQuietly(vertical, int(std::min<qsizetype>(std::numeric_limits<int>::max(),
                                                      std::max<qsizetype>(0, lineCount() - rows))));
    // The lines that came above the text the user is on push the view down with that text.
    if (const qsizetype kept = std::exchange(m_keptViewShift, 0))
        vertical->setValue(int(std::min<qsizetype>(vertical->value() + kept, vertical->maximum())));
    if (m_followCaret) {
        const qsizetype line = m_store.lineOf(m_caret);
        if (line < vertical->value())
            vertical->setValue(int(line));
        else if (line >= vertical->value() + rows)
            vertical->setValue(int(line - rows + 1));
    }

    // The horizontal extent is that of the widest line yet in view, as the lines' widths are
    // known only once they are laid out.
    for (const ShownLine &shown : shownLines())
        m_widest = std::max(m_widest, shown.width);
    const int textWidth = std::max(1, viewport()->width() - 2 * margin);
    horizontal->setRange(0, clampedInt(std::ceil(m_widest) + m_charWidth - textWidth));
    horizontal->setPageStep(textWidth);
    horizontal->setSingleStep(2 * m_charWidth);

    // A long line's part moves with the scrolling, so the caret's place is looked at again. Its
    // width is an estimate until then: where the caret lies beyond it, the range grows to it.
    for (int pass = 0; m_followCaret && pass < 2; ++pass) {
        const qreal x = xOf(m_caret, m_preeditCaret);
        if (x + m_charWidth > m_widest) {
            m_widest = x + m_charWidth;
            horizontal->setRange(0, clampedInt(std::ceil(m_widest) + m_charWidth - textWidth));
        }
        if (x < horizontal->value())
            horizontal->setValue(clampedInt(x - textWidth / 4));
        else if (x + m_charWidth > horizontal->value() + textWidth)
            horizontal->setValue(clampedInt(x + m_charWidth - textWidth + textWidth / 4));
        else
            break;
    }
    m_followCaret = false;
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
}

void ActionLog::updateMetrics()
{
    const QFontMetrics metrics = fontMetrics();
    m_lineHeight = std::max(1, metrics.lineSpacing());
    m_charWidth = std::max(1, metrics.averageCharWidth());
    m_widest = 0;
    dropShownLines();
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
    dropShownLines();
    scheduleSync();
}

void ActionLog::scrollContentsBy(int, int)
{
    dropShownLines();
    scheduleSync();
    repaintAll();
}

void ActionLog::paintEvent(QPaintEvent *event)
{
    sync();
    m_fullRepaint = false;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const qsizetype first = firstShownLine();
    const qsizetype selectionStart = std::min(m_caret, m_anchor);
    const qsizetype selectionEnd = std::max(m_caret, m_anchor);
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));
    const int left = margin - horizontalScrollBar()->value();
    const QRect exposed = event->rect();

    for (const ShownLine &shown : shownLines()) {
        const int y = margin + int(shown.line - first) * m_lineHeight;
        if (y > exposed.bottom() || y + m_lineHeight < exposed.top())
            continue;
        const QPointF origin(left + shown.x, y);
        const qsizetype partStart = shown.start + shown.anchor;
        const qsizetype partEnd = partStart + shown.layout->text().size();
        QList<QTextLayout::FormatRange> selections;
        if (selectionStart < partEnd && selectionEnd > partStart) {
            const qsizetype from = std::max(selectionStart, partStart);
            const qsizetype to = std::min(selectionEnd, partEnd);
            selections.append({int(from - partStart), int(to - from), selected});
        }
        shown.layout->draw(&painter, origin, selections);
        // A selected line break shows as a selected cell past the line's end.
        const qsizetype lineBreak = shown.start + shown.length;
        if (partEnd == lineBreak && lineBreak < m_store.size() && selectionStart <= lineBreak &&
            selectionEnd > lineBreak)
            painter.fillRect(QRectF(origin.x() + shown.layout->lineAt(0).naturalTextWidth(), y,
                                    m_charWidth, m_lineHeight),
                             palette().brush(QPalette::Highlight));
    }
    if (hasFocus() && (m_caretShown || !m_preedit.isEmpty()))
        painter.fillRect(caretRect(), palette().brush(QPalette::Text));
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
    if (event->timerId() == m_dragScroll.timerId()) {
        dragScroll();
        return;
    }
    if (event->timerId() != m_blink.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretShown = !m_caretShown;
    viewport()->update(caretRect().adjusted(-1, 0, 1, 0));
}
