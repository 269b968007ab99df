#pragma once

#include "action_values.h"

#include <QObject>
#include <QPointer>

class ActionLog;
class Form;
class InterfaceControl;
class QLineEdit;
class QWidget;
struct CommandButton;

// The window's work: each reported action shown in the value boxes and at the top of the log,
// the command each sending button stands for handed to the control, the log cleared, and the
// window held while the control asks for it.
class ExerciserController : public QObject {
    Q_OBJECT

public:
    // Belongs to the window.
    ExerciserController(QWidget *window, const Form &form, InterfaceControl *control);

private:
    void showAction(const ActionValues &values);
    void send(const CommandButton &button, const QString &sourceText);
    void showFailure(const QString &what, const QString &why);
    void holdForTheControl(bool held);

    QWidget *m_window;
    InterfaceControl *m_control;
    QList<QLineEdit *> m_values;
    ActionLog *m_log;
    QPointer<QWidget> m_focusBeforeHeld;
};
