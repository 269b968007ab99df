#include "exerciser_window.h"

#include "control_contract.h"
#include "exerciser_controller.h"
#include "form.h"
#include "interface_control.h"
#include "twips.h"
#include "window_placement.h"

#include <QScreen>

ExerciserWindow::ExerciserWindow(std::unique_ptr<InterfaceControl> control, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QString::fromUtf16(ControlContract::formName));
    setWindowTitle(QString::fromUtf16(ControlContract::programName));
    resize(twipsToPixels(windowWidthTwips), twipsToPixels(windowHeightTwips));
    move(centredPosition(size(), screen()->availableGeometry()));

    // A child of the window, as a control sits on its form: found by its name, and gone with it.
    control->setParent(this);
    control->setObjectName(QString::fromUtf16(ControlContract::controlName));

    new ExerciserController(this, Form(this), control.release());
}
