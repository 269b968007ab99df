#include "app_icon.h"
#include "exerciser_window.h"
#include "simulated_control.h"

#include <QApplication>
#include <chrono>

using namespace std::chrono_literals;

namespace {

// About as long as a powerline command takes to go out and be heard back.
constexpr auto transmissionDelay = 250ms;

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KV27 Exerciser"));
    QApplication::setDesktopFileName(QStringLiteral(KV27_APP_ID));
    QApplication::setWindowIcon(applicationIcon());

    ExerciserWindow window(new SimulatedControl(transmissionDelay));
    window.show();
    return QApplication::exec();
}
