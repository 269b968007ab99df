#include "widest_line.h"

#include "log_document.h"

WidestLine::WidestLine(const LogDocument &document)
{
    connect(&document, &LogDocument::changed, this, &WidestLine::textChanged);
}

bool WidestLine::see(qsizetype line, qreal width)
{
    if (width <= m_width)
        return false;
    m_width = width;
    m_line = line;
    return true;
}

void WidestLine::forget()
{
    m_width = 0;
    m_line = -1;
}

void WidestLine::textChanged(const TextChange &change)
{
    if (m_line < change.firstLine)
        return;
    if (m_line < change.firstLine + change.removedLines)
        forget();
    else
        m_line += change.insertedLines - change.removedLines;
}
