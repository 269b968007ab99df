#pragma once

#include <QWidget>
#include <memory>

class InterfaceControl;

// The exerciser's one window: the last reported action in the value boxes, the log of all of
// them, and the buttons that send commands through the interface control.
class ExerciserWindow : public QWidget {
    Q_OBJECT

public:
    explicit ExerciserWindow(std::unique_ptr<InterfaceControl> control, QWidget *parent = nullptr);
};
