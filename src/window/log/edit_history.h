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

// How an edit came about: a run of typing, or of deleting one character after another, makes one
// step, as in any edit box.
enum class EditKind { Other, Typing, Deleting };

// The user's edits, for undo and redo.
class EditHistory {
public:
    void record(TextEdit edit, EditKind kind);
    // Ends the step that a run is adding to, as a caret move does.
    void closeStep() { m_run = EditKind::Other; }
    void clear();

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_edits.size(); }
    // The edit to take back or to make again; the caller applies it.
    const TextEdit &undo();
    const TextEdit &redo();

private:
    std::vector<TextEdit> m_edits;
    std::size_t m_done = 0;
    EditKind m_run = EditKind::Other;
};
