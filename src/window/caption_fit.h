#pragma once

class QLabel;
class QWidget;

// Whether the caption of a label, button or frame, or the text of a single-line box, is drawn
// whole inside the widget.
bool captionFits(const QWidget *widget);

// Gives the window its default font and the title its own: the classic faces where the system
// has them, otherwise the system's face at the largest size, no larger than the classic one,
// at which every caption fits its widget.
void applyFonts(QWidget *window, QLabel *title);
