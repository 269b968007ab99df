#pragma once

#include "command_history.h"

#include <QObject>

class QLineEdit;

// Up and Down in a box that commands are sent from: they call back what was sent from it during
// this run, newest first, putting it into the box as if the user had typed it.
class CommandRecall : public QObject {
    Q_OBJECT

public:
    // Belongs to the box.
    explicit CommandRecall(QLineEdit *box);

    // The box's text is being sent.
    void recordSent();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_box;
    CommandHistory m_history;
};
