#pragma once

#include <QIcon>

// The program's icon, drawn from its scalable picture at the sizes desktops ask for, so that it
// needs no image plugin at run time. Windows takes the executable's own instead.
QIcon applicationIcon();
