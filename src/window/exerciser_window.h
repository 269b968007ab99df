#pragma once

#include "action_values.h"
#include "outgoing_command.h"
#include "widget_table.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>

class ActionLog;
class InterfaceControl;
class QLabel;
class QLineEdit;
class QPushButton;

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

    // The widgets the window works with, kept as the table makes them.
    struct Parts {
        std::array<QLineEdit *, ActionValues::shownCount> values{};
        ActionLog *log = nullptr;
        QLineEdit *houseCode = nullptr;
        QLineEdit *commandLine = nullptr;
        QPushButton *on = nullptr;
        QPushButton *off = nullptr;
        QPushButton *sendPL = nullptr;
        QPushButton *sendRF = nullptr;
        QPushButton *clear = nullptr;
        QLabel *title = nullptr;
    };
    void keep(WidgetRole role, QWidget *widget, std::size_t &nextValue);

    InterfaceControl *m_control = nullptr;
    Parts m_parts;
    QPointer<QWidget> m_focusBeforeHeld;
};
