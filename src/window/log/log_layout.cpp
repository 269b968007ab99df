#include "log_layout.h"

#include "log_document.h"

#include <QTextLayout>
#include <algorithm>

namespace {

// Lines up to this length are laid out whole and measured exactly. Of a longer line only the part
// in view is laid out, and it is placed where its first character would stand if every character
// took the average width; the line's extent is estimated the same way. Measuring such a line
// exactly would shape all of it, seconds and gigabytes for a pasted line of tens of millions of
// characters, while the estimate lets the scroll bar reach its end at once. The part begins at a
// tab stop, so tabs in it still line up.
constexpr qsizetype longLine = 4096;

// In characters, so that the short fields of a line stand in columns.
constexpr qsizetype tabStop = 8;

// The widest a line may lay out: beyond all screens, within what a layout can count.
constexpr qreal unboundedWidth = 1 << 22;

} // namespace

LogLayout::LogLayout(const LogDocument &document)
    : m_store(document.store())
{
    connect(&document, &LogDocument::changed, this, &LogLayout::textChanged);
}

qsizetype ShownLine::partEnd() const
{
    return partColumn + layout->text().size();
}

qreal ShownLine::naturalPartWidth() const
{
    return layout->lineAt(0).naturalTextWidth();
}

void LogLayout::setFont(const QFont &font, int charWidth, QPaintDevice *device)
{
    m_font = font;
    m_device = device;
    m_charWidth = std::max(1, charWidth);
    drop();
}

void LogLayout::setPreedit(const QString &preedit, qsizetype position)
{
    m_preedit = preedit;
    m_preeditAt = preedit.isEmpty() ? -1 : position;
    drop();
}

void LogLayout::drop()
{
    m_valid = false;
    m_prependedLines = 0;
    m_prependedChars = 0;
}

// Whole lines put at the top leave every line laid out as it was, only further down; any other
// change may have changed a line in view.
void LogLayout::textChanged(const TextChange &change)
{
    if (m_preeditAt >= change.position + change.removed.size())
        m_preeditAt += change.inserted - change.removed.size();
    if (m_valid && change.firstLine == 0 && change.removedLines == 0) {
        m_prependedLines += change.insertedLines;
        m_prependedChars += change.inserted;
    } else {
        drop();
        m_rowsMoved.reset();
    }
}

ShownLine LogLayout::layoutLine(qsizetype line, qsizetype start, const LayoutFrame &frame) const
{
    ShownLine shown;
    shown.line = line;
    shown.start = start;
    shown.length = m_store.nextBreak(start) - start;
    qsizetype count = shown.length;
    const bool isLong = shown.length > longLine;
    if (isLong) {
        const qsizetype scrolled = frame.scrolled / m_charWidth;
        shown.partColumn =
            std::clamp<qsizetype>(scrolled - tabStop, 0, shown.length) / tabStop * tabStop;
        shown.x = qreal(shown.partColumn) * m_charWidth;
        // Enough characters to fill the view even if each were a quarter of the average.
        const qsizetype needed = 4 * (frame.width / m_charWidth + 16) + 16;
        count = std::min(shown.length - shown.partColumn, needed);
    }
    auto layout = std::make_shared<QTextLayout>(m_store.mid(start + shown.partColumn, count),
                                                m_font, m_device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(qreal(tabStop * m_charWidth));
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    const qsizetype partStart = start + shown.partColumn;
    if (m_preeditAt >= partStart && m_preeditAt <= partStart + count)
        layout->setPreeditArea(int(m_preeditAt - partStart), m_preedit);
    layout->beginLayout();
    QTextLine textLine = layout->createLine();
    textLine.setLineWidth(unboundedWidth);
    textLine.setPosition({0, 0});
    layout->endLayout();
    shown.layout = std::move(layout);
    const qreal natural = textLine.naturalTextWidth();
    if (!isLong) {
        shown.width = natural;
        return shown;
    }
    shown.width = qreal(shown.length) * m_charWidth;
    // Letters wider than the average would carry the line's end past its estimated extent, out
    // of the scroll bar's reach: a part that holds the end is drawn ending there.
    if (shown.partEnd() == shown.length && shown.x + natural > shown.width)
        shown.x = std::max<qreal>(0, shown.width - natural);
    shown.width = std::max(shown.width, shown.x + natural);
    return shown;
}

const std::vector<ShownLine> &LogLayout::lines(const LayoutFrame &frame)
{
    if (m_valid && m_prependedLines > 0) {
        const qsizetype added = std::exchange(m_prependedLines, 0);
        const qsizetype moved = std::exchange(m_prependedChars, 0);
        const bool stillAtTop = frame.firstLine == 0 && m_frame.firstLine == 0;
        if (added < frame.lineCount && stillAtTop && frame.width == m_frame.width &&
            frame.scrolled == m_frame.scrolled && frame.lineCount == m_frame.lineCount) {
            for (ShownLine &shown : m_lines) {
                shown.line += added;
                shown.start += moved;
            }
            std::vector<ShownLine> fresh;
            for (qsizetype line = 0, start = 0; line < added; ++line) {
                fresh.push_back(layoutLine(line, start, frame));
                start += fresh.back().length + 1;
            }
            m_lines.insert(m_lines.begin(), std::make_move_iterator(fresh.begin()),
                           std::make_move_iterator(fresh.end()));
            m_lines.resize(std::min<std::size_t>(m_lines.size(),
                                                 std::min(m_store.lineCount(), frame.lineCount)));
            m_frame = frame;
            if (m_rowsMoved)
                *m_rowsMoved += added;
        } else {
            m_valid = false;
            m_rowsMoved.reset();
        }
    }
    if (m_valid && frame == m_frame)
        return m_lines;
    m_lines.clear();
    const qsizetype last = std::min(m_store.lineCount(), frame.firstLine + frame.lineCount);
    qsizetype start = m_store.lineStart(frame.firstLine);
    for (qsizetype line = frame.firstLine; line < last; ++line) {
        m_lines.push_back(layoutLine(line, start, frame));
        start += m_lines.back().length + 1;
    }
    m_frame = frame;
    m_valid = true;
    return m_lines;
}

std::optional<qsizetype> LogLayout::takeRowsMoved()
{
    return std::exchange(m_rowsMoved, 0);
}

ShownLine LogLayout::find(qsizetype line, const LayoutFrame &frame)
{
    for (const ShownLine &shown : lines(frame))
        if (shown.line == line)
            return shown;
    return layoutLine(line, m_store.lineStart(line), frame);
}

qreal LogLayout::xOf(const ShownLine &shown, qsizetype column) const
{
    const qsizetype inPart = column - shown.partColumn;
    if (inPart < 0 || column > shown.partEnd())
        return qreal(column) * m_charWidth;
    return shown.x + shown.layout->lineAt(0).cursorToX(int(inPart));
}

qsizetype LogLayout::columnAt(const ShownLine &shown, qreal x) const
{
    const bool beforePart = shown.partColumn > 0 && x < shown.x;
    const bool afterPart = shown.partEnd() < shown.length && x > shown.x + shown.naturalPartWidth();
    if (beforePart || afterPart)
        return std::clamp<qsizetype>(qsizetype(x / m_charWidth), 0, shown.length);
    return shown.partColumn + shown.layout->lineAt(0).xToCursor(x - shown.x);
}
