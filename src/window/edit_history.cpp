#include "edit_history.h"

void EditHistory::record(TextEdit edit, bool typing)
{
    m_edits.resize(m_done);
    if (typing && m_typing && !m_edits.empty()) {
        TextEdit &last = m_edits.back();
        if (edit.removed.isEmpty() && edit.position == last.position + last.inserted.size()) {
            last.inserted += edit.inserted;
            return;
        }
    }
    m_edits.push_back(std::move(edit));
    m_done = m_edits.size();
    m_typing = typing;
}

void EditHistory::clear()
{
    std::vector<TextEdit>().swap(m_edits);
    m_done = 0;
    m_typing = false;
}

const TextEdit &EditHistory::undo()
{
    m_typing = false;
    return m_edits[--m_done];
}

const TextEdit &EditHistory::redo()
{
    m_typing = false;
    return m_edits[m_done++];
}
