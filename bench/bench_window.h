#pragma once

#include "action_values.h"

#include <QPoint>
#include <QString>
#include <Qt>
#include <memory>

class ActionLog;
class RecordingControl;
class ExerciserWindow;
class PaintRecorder;
class QPushButton;

// One shown exerciser window whose control the benchmark drives. Its log either takes each line
// the way the program does, or by reading, joining and writing back the whole text, the way a
// plain multi-line box would, for comparison.
class BenchWindow {
public:
    enum class Handler { InsertAtTop, ReadJoinWrite };

    // Shown at the place, counted in windows across and down, so that windows shown at once
    // stand side by side.
    BenchWindow(Handler handler, QPoint place);
    ~BenchWindow();

    // Reports one action through the window's handler, as the control would.
    void report(const ActionValues &values);
    // Does what the event loop does until it is idle: runs the calls and requests the widgets
    // queued, which paints whatever the last steps changed, and whatever those queued in turn,
    // and makes sure the log was painted. Throws std::runtime_error when it was not, since then
    // nothing was measured.
    void paint();
    // Runs only the calls the widgets queued, without painting: what the event loop does
    // between two events that come faster than it paints.
    void runQueuedCalls();
    // Presses Clear Log Display.
    void clear();

    // The user's side of the log, each step until its frame is painted.
    void pasteIntoLog(const QString &text);
    void typeIntoLog(Qt::Key key, Qt::KeyboardModifiers modifiers, const QString &text);
    // Scrolls the log along its lines to the fraction of their widest extent.
    void scrollLogAlong(double fraction);
    void repaintLog();
    // Gives the keyboard focus to another control, as a user does who is done typing.
    void leaveLog();

    int lineCount() const;
    // How many lines the log holds when one more fills the rows its view shows whole, the empty
    // line after the last break among them.
    int linesFillingView() const;
    QString logText() const;
    // Writes the text into the log at once, without going through the handler.
    void setLogText(const QString &text);

private:
    class EventCounter;

    RecordingControl *m_control;
    std::unique_ptr<ExerciserWindow> m_window;
    ActionLog *m_log;
    QPushButton *m_clear;
    std::unique_ptr<PaintRecorder> m_logPaints;
    std::unique_ptr<EventCounter> m_events;
};

// The action the benchmark reports as its n-th: a dim or bright command on a changing address,
// about 30 characters in the log.
ActionValues benchAction(int n);
