#pragma once

#include <QString>
#include <QStringView>
#include <vector>

// The log's text, held as a list of chunks of bounded size, each knowing how many line breaks it
// holds. Inserting at the top or anywhere else touches one chunk, finding a line walks the
// chunks' counts and scans inside one chunk, and nothing is kept per line. Lines are broken by
// '\n' alone; positions count characters, each break as one.
class LogStore {
public:
    LogStore() = default;
    // Moved, a store hands its chunks over and is left empty; none is copied.
    LogStore(LogStore &&other) noexcept;
    LogStore &operator=(LogStore &&other) noexcept;
    ~LogStore() { clear(); }

    qsizetype size() const { return m_size; }
    qsizetype lineCount() const { return m_breaks + 1; }

    // Carriage return and line feed, a lone carriage return and the paragraph separator all
    // become '\n', as an edit box takes them.
    static QString withPlainBreaks(const QString &text);

    // The text's breaks are taken as withPlainBreaks() gives them.
    void insert(qsizetype position, QStringView text);
    void remove(qsizetype position, qsizetype count);
    void clear();

    QChar at(qsizetype position) const;
    QString mid(qsizetype position, qsizetype count) const;
    // The whole text, lines joined by the separator.
    QString text(QStringView separator = u"\n") const;

    qsizetype lineStart(qsizetype line) const;
    // The position of the first break at or after the position, or the end of the text.
    qsizetype nextBreak(qsizetype position) const;
    qsizetype lineEnd(qsizetype line) const { return nextBreak(lineStart(line)); }
    qsizetype lineOf(qsizetype position) const;

private:
    struct Chunk {
        QString text;
        qsizetype breaks = 0;
    };

    // The chunk holding the position and the position's offset in it; the end of the text maps
    // to the end of the last chunk.
    std::pair<std::size_t, qsizetype> locate(qsizetype position) const;
    void insertNormalised(qsizetype position, QStringView text);
    void split(std::size_t index);

    std::vector<Chunk> m_chunks;
    qsizetype m_size = 0;
    qsizetype m_breaks = 0;
};
