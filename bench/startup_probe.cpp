// The program's own start-up, with one addition for the benchmark: standard output hears when the
// window's first frame has been painted and handed to the platform, and with --quit the program
// then quits.
#include "app_icon.h"
#include "control_contract.h"
#include "exerciser_window.h"
#include "simulated_control.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>

using namespace std::chrono_literals;

namespace {

class FirstFrameReporter : public QObject {
public:
    explicit FirstFrameReporter(bool quit)
        : m_quit(quit)
    {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The window paints itself and its children into the backing store and flushes it in
        // one go; a zero timer runs once that is done.
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                std::fputs("painted\n", stdout);
                std::fflush(stdout);
                if (m_quit)
                    QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool m_quit;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf16(ControlContract::programName));
    QApplication::setWindowIcon(applicationIcon());

    FirstFrameReporter reporter(QApplication::arguments().contains(QStringLiteral("--quit")));
    ExerciserWindow window(std::make_unique<SimulatedControl>(250ms));
    window.installEventFilter(&reporter);
    window.show();
    return QApplication::exec();
}
