#include "log_store.h"

#include <algorithm>
#include <utility>

namespace {

// Big enough that a million lines make a few thousand chunks, small enough that an edit inside
// one moves little.
constexpr qsizetype chunkSize = 8192;

qsizetype breaksIn(QStringView text)
{
    return text.count(u'\n');
}

bool isBreak(QChar ch)
{
    return ch == u'\r' || ch == QChar::ParagraphSeparator;
}

} // namespace

LogStore::LogStore(LogStore &&other) noexcept
    : m_chunks(std::exchange(other.m_chunks, {}))
    , m_size(std::exchange(other.m_size, 0))
    , m_breaks(std::exchange(other.m_breaks, 0))
{}

LogStore &LogStore::operator=(LogStore &&other) noexcept
{
    clear();
    m_chunks = std::exchange(other.m_chunks, {});
    m_size = std::exchange(other.m_size, 0);
    m_breaks = std::exchange(other.m_breaks, 0);
    return *this;
}

std::pair<std::size_t, qsizetype> LogStore::locate(qsizetype position) const
{
    for (std::size_t i = 0; i < m_chunks.size(); ++i) {
        const qsizetype size = m_chunks[i].text.size();
        if (position < size || i + 1 == m_chunks.size())
            return {i, position};
        position -= size;
    }
    return {0, 0};
}

QString LogStore::withPlainBreaks(const QString &text)
{
    if (std::none_of(text.begin(), text.end(), isBreak))
        return text;
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        plain += isBreak(text[i]) ? QChar(u'\n') : text[i];
    }
    return plain;
}

void LogStore::insert(qsizetype position, QStringView text)
{
    if (std::none_of(text.begin(), text.end(), isBreak))
        insertNormalised(position, text);
    else
        insertNormalised(position, withPlainBreaks(text.toString()));
}

void LogStore::insertNormalised(qsizetype position, QStringView text)
{
    if (text.isEmpty())
        return;
    position = std::clamp<qsizetype>(position, 0, m_size);
    const qsizetype breaks = breaksIn(text);
    m_size += text.size();
    m_breaks += breaks;

    // A large text goes in as chunks of its own, so that no chunk grows past twice the bound.
    if (text.size() > chunkSize) {
        std::size_t at = 0;
        if (!m_chunks.empty()) {
            auto [index, offset] = locate(position);
            Chunk &chunk = m_chunks[index];
            if (offset == 0) {
                at = index;
            } else if (offset == chunk.text.size()) {
                at = index + 1;
            } else {
                Chunk tail{chunk.text.mid(offset), 0};
                chunk.text.truncate(offset);
                tail.breaks = breaksIn(tail.text);
                chunk.breaks -= tail.breaks;
                m_chunks.insert(m_chunks.begin() + index + 1, std::move(tail));
                at = index + 1;
            }
        }
        std::vector<Chunk> pieces;
        for (qsizetype from = 0; from < text.size(); from += chunkSize) {
            const QStringView piece = text.mid(from, chunkSize);
            pieces.push_back({piece.toString(), breaksIn(piece)});
        }
        m_chunks.insert(m_chunks.begin() + at, std::make_move_iterator(pieces.begin()),
                        std::make_move_iterator(pieces.end()));
        return;
    }

    if (m_chunks.empty()) {
        m_chunks.push_back({text.toString(), breaks});
        return;
    }
    auto [index, offset] = locate(position);
    Chunk &chunk = m_chunks[index];
    chunk.text.insert(offset, text);
    chunk.breaks += breaks;
    if (chunk.text.size() > 2 * chunkSize)
        split(index);
}

void LogStore::split(std::size_t index)
{
    Chunk &chunk = m_chunks[index];
    Chunk tail{chunk.text.mid(chunkSize), 0};
    chunk.text.truncate(chunkSize);
    chunk.text.squeeze();
    tail.breaks = breaksIn(tail.text);
    chunk.breaks -= tail.breaks;
    m_chunks.insert(m_chunks.begin() + index + 1, std::move(tail));
}

void LogStore::remove(qsizetype position, qsizetype count)
{
    position = std::clamp<qsizetype>(position, 0, m_size);
    count = std::min(count, m_size - position);
    if (count <= 0)
        return;
    m_size -= count;
    auto [index, offset] = locate(position);
    while (count > 0) {
        Chunk &chunk = m_chunks[index];
        const qsizetype taken = std::min(count, chunk.text.size() - offset);
        const qsizetype breaks = breaksIn(QStringView(chunk.text).mid(offset, taken));
        chunk.text.remove(offset, taken);
        chunk.breaks -= breaks;
        m_breaks -= breaks;
        count -= taken;
        if (chunk.text.isEmpty()) {
            m_chunks.erase(m_chunks.begin() + index);
        } else {
            ++index;
        }
        offset = 0;
    }
    // Small neighbours are joined, so that many edits do not leave many tiny chunks.
    if (index > 0 && index < m_chunks.size() &&
        m_chunks[index - 1].text.size() + m_chunks[index].text.size() <= chunkSize) {
        m_chunks[index - 1].text += m_chunks[index].text;
        m_chunks[index - 1].breaks += m_chunks[index].breaks;
        m_chunks.erase(m_chunks.begin() + index);
    }
}

void LogStore::clear()
{
    // From the oldest chunk, which the allocator mostly placed lowest, to the newest at the top
    // of the heap: freed the other way round, each chunk would join the heap's top and the
    // allocator would hand memory back to the system once per chunk, taking a hundred times as
    // long. This way the freed room is returned in one piece at the end.
    while (!m_chunks.empty())
        m_chunks.pop_back();
    std::vector<Chunk>().swap(m_chunks);
    m_size = 0;
    m_breaks = 0;
}

QChar LogStore::at(qsizetype position) const
{
    if (position < 0 || position >= m_size)
        return {};
    auto [index, offset] = locate(position);
    return m_chunks[index].text.at(offset);
}

QString LogStore::mid(qsizetype position, qsizetype count) const
{
    position = std::clamp<qsizetype>(position, 0, m_size);
    count = std::clamp<qsizetype>(count, 0, m_size - position);
    QString part;
    if (count == 0)
        return part;
    auto [index, offset] = locate(position);
    // A part inside one chunk shares nothing but is made in one copy.
    if (offset + count <= m_chunks[index].text.size())
        return m_chunks[index].text.mid(offset, count);
    part.reserve(count);
    for (; part.size() < count; ++index, offset = 0)
        part += QStringView(m_chunks[index].text).mid(offset, count - part.size());
    return part;
}

QString LogStore::text(QStringView separator) const
{
    QString joined;
    joined.reserve(m_size + m_breaks * (separator.size() - 1));
    for (const Chunk &chunk : m_chunks) {
        const QStringView text(chunk.text);
        qsizetype from = 0;
        for (qsizetype at; (at = text.indexOf(u'\n', from)) >= 0; from = at + 1) {
            joined += text.mid(from, at - from);
            joined += separator;
        }
        joined += text.mid(from);
    }
    return joined;
}

qsizetype LogStore::lineStart(qsizetype line) const
{
    if (line <= 0)
        return 0;
    if (line > m_breaks)
        return m_size;
    qsizetype position = 0;
    for (const Chunk &chunk : m_chunks) {
        if (line > chunk.breaks) {
            line -= chunk.breaks;
            position += chunk.text.size();
            continue;
        }
        qsizetype at = -1;
        for (; line > 0; --line)
            at = chunk.text.indexOf(u'\n', at + 1);
        return position + at + 1;
    }
    return m_size;
}

qsizetype LogStore::nextBreak(qsizetype position) const
{
    position = std::max<qsizetype>(position, 0);
    if (position >= m_size)
        return m_size;
    auto [index, offset] = locate(position);
    // A line longer than a chunk is passed over by the chunks' counts, not by scanning.
    for (; index < m_chunks.size(); ++index, offset = 0) {
        const Chunk &chunk = m_chunks[index];
        if (chunk.breaks > 0) {
            const qsizetype at = chunk.text.indexOf(u'\n', offset);
            if (at >= 0)
                return position + at - offset;
        }
        position += chunk.text.size() - offset;
    }
    return m_size;
}

qsizetype LogStore::lineOf(qsizetype position) const
{
    position = std::clamp<qsizetype>(position, 0, m_size);
    qsizetype line = 0;
    for (const Chunk &chunk : m_chunks) {
        if (position >= chunk.text.size()) {
            position -= chunk.text.size();
            line += chunk.breaks;
            continue;
        }
        return line + breaksIn(QStringView(chunk.text).first(position));
    }
    return line;
}
