#pragma once

class ExerciserWindow;
class InterfaceControl;

// Makes every event cost what a plain box's handler costs, in proportion to the log: after the
// window's own handler has filled the value boxes and put the line on top, the whole log is read
// and written back, as a handler that reads the box, puts the new line and a line break in front
// and writes it all back would do. Kept here only, as the yardstick for the program's handler.
void useReadJoinWrite(ExerciserWindow *window, InterfaceControl *control);
