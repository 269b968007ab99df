#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What was sent from one box during this run, newest first, and the user's steps through it.
// What the box held when the stepping began is the user's own text: it is kept, and comes back
// below the newest entry. Held in memory only, so nothing outlives the run.
class CommandHistory {
public:
    // Takes a text just sent from the box. The same text sent again right after is kept once.
    // Ends any stepping.
    void record(const QString &text);

    // The text one step older or newer than where the stepping stands, or nothing where there is
    // no step to take. Where the box no longer holds what the last step gave it, the user has
    // edited it, and the stepping begins anew from the edited text, so that no typing is lost.
    std::optional<QString> older(const QString &boxText);
    std::optional<QString> newer(const QString &boxText);

private:
    void beginUnlessStepping(const QString &boxText);
    // Where the stepping starts: at the user's own text (-1), or at the newest entry where the
    // user's text is that entry, as it is right after a send, so that no step looks like none.
    qsizetype bottom() const;
    QString show(qsizetype position);

    QStringList m_entries; // newest first
    qsizetype m_position = -1;
    QString m_ownText;
    std::optional<QString> m_shown; // what the last step gave the box, while stepping
};
