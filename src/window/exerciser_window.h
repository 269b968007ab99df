#pragma once

#include "action_values.h"
#include "outgoing_command.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>

class ActionLog;
class InterfaceControl;
class QLineEdit;

// The exerciser's one window: the last reported action in the value boxes, the log of all of
// them, and the buttons that send commands through the interface control.
class ExerciserWindow : public QWidget {
    Q_OBJECT

public:
    explicit ExerciserWindow(std::unique_ptr<InterfaceControl> control, QWidget *parent = nullptr);

private:
    void buildWidgets();
    void onActionEvent(const ActionValues &values);
    void clearLog();
    void send(CommandButton button, const QLineEdit *source);
    void showFailure(const QString &what, const QString &why);
    void holdForTheControl(bool held);

    InterfaceControl *m_control = nullptr;
    std::array<QLineEdit *, 6> m_valueBoxes{};
    ActionLog *m_log = nullptr;
    QPointer<QWidget> m_focusBeforeHeld;
};
