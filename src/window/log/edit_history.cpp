#include "edit_history.h"

namespace {

// Adds the edit to the last one where it goes on the same run: typing at the end of what was
// typed, or deleting just before (Backspace) or at (Delete) what was deleted.
bool joined(TextEdit &last, const TextEdit &edit, EditKind kind)
{
    if (kind == EditKind::Typing && edit.removed.isEmpty() &&
        edit.position == last.position + last.inserted.size()) {
        last.inserted += edit.inserted;
        return true;
    }
    if (kind != EditKind::Deleting || !edit.inserted.isEmpty() || !last.inserted.isEmpty())
        return false;
    if (edit.position + edit.removed.size() == last.position) {
        last.position = edit.position;
        last.removed.prepend(edit.removed);
        return true;
    }
    if (edit.position == last.position) {
        last.removed += edit.removed;
        return true;
    }
    return false;
}

} // namespace

void EditHistory::record(TextEdit edit, EditKind kind)
{
    m_edits.resize(m_done);
    if (kind != EditKind::Other && kind == m_run && !m_edits.empty() &&
        joined(m_edits.back(), edit, kind))
        return;
    m_edits.push_back(std::move(edit));
    m_done = m_edits.size();
    m_run = kind;
}

void EditHistory::clear()
{
    std::vector<TextEdit>().swap(m_edits);
    m_done = 0;
    m_run = EditKind::Other;
}

const TextEdit &EditHistory::undo()
{
    m_run = EditKind::Other;
    return m_edits[--m_done];
}

const TextEdit &EditHistory::redo()
{
    m_run = EditKind::Other;
    return m_edits[m_done++];
}
