#include "command_history.h"

void CommandHistory::record(const QString &text)
{
    if (m_entries.isEmpty() || m_entries.front() != text)
        m_entries.prepend(text);
    m_shown.reset();
}

std::optional<QString> CommandHistory::older(const QString &boxText)
{
    beginUnlessStepping(boxText);
    if (m_position + 1 >= m_entries.size())
        return std::nullopt;
    return show(m_position + 1);
}

std::optional<QString> CommandHistory::newer(const QString &boxText)
{
    beginUnlessStepping(boxText);
    if (m_position <= bottom())
        return std::nullopt;
    return show(m_position - 1);
}

void CommandHistory::beginUnlessStepping(const QString &boxText)
{
    if (m_shown == boxText)
        return;
    m_ownText = boxText;
    m_position = bottom();
    m_shown = boxText;
}

qsizetype CommandHistory::bottom() const
{
    return !m_entries.isEmpty() && m_entries.front() == m_ownText ? 0 : -1;
}

QString CommandHistory::show(qsizetype position)
{
    m_position = position;
    m_shown = position < 0 ? m_ownText : m_entries.at(position);
    return *m_shown;
}
