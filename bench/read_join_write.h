#pragma once

class ExerciserWindow;
class InterfaceControl;

// Replaces the window's action handler with one that fills the value boxes the same way but
// writes the log as a whole text: it reads the log, puts the new line and a line break in front
// and writes it all back, so every event costs time in proportion to the log. Kept here only, as
// the yardstick for the program's own handler.
void useReadJoinWrite(ExerciserWindow *window, InterfaceControl *control);
