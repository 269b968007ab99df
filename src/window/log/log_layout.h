#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class LogDocument;
class LogStore;
class QPaintDevice;
class QTextLayout;
struct TextChange;

// A line as it is drawn: the part of it from its part column on, laid out, or all of it when it is
// short.
struct ShownLine {
    qsizetype line = 0;
    qsizetype start = 0;      // the line's first position
    qsizetype length = 0;     // without the break
    qsizetype partColumn = 0; // the column the laid-out part begins at
    qreal x = 0;              // where the layout begins, from the line's start
    qreal width = 0;          // of the whole line, estimated for a long one
    std::shared_ptr<QTextLayout> layout;

    qsizetype partEnd() const; // the column after the laid-out part
    qreal naturalPartWidth() const;
};

// Which lines are in view and how far the view is scrolled along them.
struct LayoutFrame {
    qsizetype firstLine = 0;
    qsizetype lineCount = 0;
    int width = 0;    // of the text's room
    int scrolled = 0; // along the lines, in pixels
    bool operator==(const LayoutFrame &) const = default;
};

// The laid-out lines of the frame in view, kept from one frame to the next until the text, the
// font or the frame changes; the layout follows the document's changes itself. Lines put at the
// top of a log shown from its beginning are laid out alone, the others moved down, and the view
// moves the rows it drew down with them.
class LogLayout : public QObject {
    Q_OBJECT

public:
    explicit LogLayout(const LogDocument &document);

    // The device the lines are drawn on gives the font's resolution.
    void setFont(const QFont &font, int charWidth, QPaintDevice *device);
    int charWidth() const { return m_charWidth; }
    // Text an input method is composing, shown at the position but not yet in the text; it
    // stays with the text around it as the text changes.
    void setPreedit(const QString &preedit, qsizetype position);

    const std::vector<ShownLine> &lines(const LayoutFrame &frame);
    // The shown line of the frame holding the line, or the line laid out anew as the frame
    // would show it.
    ShownLine find(qsizetype line, const LayoutFrame &frame);
    // How many rows the lines kept moved down, as lines came at the top, since the last call; none
    // where a change to the text had them laid out anew, so that nothing drawn of them holds.
    std::optional<qsizetype> takeRowsMoved();

    qreal xOf(const ShownLine &shown, qsizetype column) const;
    qsizetype columnAt(const ShownLine &shown, qreal x) const;

private:
    void textChanged(const TextChange &change);
    void drop();
    ShownLine layoutLine(qsizetype line, qsizetype start, const LayoutFrame &frame) const;

    const LogStore &m_store;
    QFont m_font;
    QPaintDevice *m_device = nullptr;
    int m_charWidth = 1;
    QString m_preedit;
    qsizetype m_preeditAt = -1;

    std::vector<ShownLine> m_lines;
    LayoutFrame m_frame;
    bool m_valid = false;
    // Lines put at the top since the last frame, and their characters with the breaks.
    qsizetype m_prependedLines = 0;
    qsizetype m_prependedChars = 0;
    // Since the view last asked.
    std::optional<qsizetype> m_rowsMoved = 0;
};
