#pragma once

#include <QObject>

class LogDocument;
struct TextChange;

// The widest line yet seen in view, and which line it is: the horizontal scroll range reaches it.
// The widths of lines out of view are not known, so the record gives the width up when that
// line's text changes or the line goes, and follows the line when lines come or go above it.
class WidestLine : public QObject {
    Q_OBJECT

public:
    explicit WidestLine(const LogDocument &document);

    qreal width() const { return m_width; }
    // Records the line if it is wider than the widest yet; whether it was.
    bool see(qsizetype line, qreal width);
    // For a new font, which changes every width.
    void forget();

private:
    void textChanged(const TextChange &change);

    qreal m_width = 0;
    qsizetype m_line = -1;
};
