#pragma once

#include <QString>
#include <vector>

// One of the user's edits: at the position, the removed text was replaced by the inserted one.
struct TextEdit {
    qsizetype position = 0;
    QString removed;
    QString inserted;
    // The caret's place and the selection's other end before the edit, given back by undo.
    qsizetype caretBefore = 0;
    qsizetype anchorBefore = 0;
};

// The user's edits, for undo and redo. Characters typed one after another make one step, as in
// any edit box.
class EditHistory {
public:
    void record(TextEdit edit, bool typing);
    // Ends the step that typing is adding to, as a caret move does.
    void closeStep() { m_typing = false; }
    void clear();

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_edits.size(); }
    // The edit to take back or to make again; the caller applies it.
    const TextEdit &undo();
    const TextEdit &redo();

private:
    std::vector<TextEdit> m_edits;
    std::size_t m_done = 0;
    bool m_typing = false;
};
