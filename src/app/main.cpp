#include "control_contract.h"
#include "exerciser_window.h"

#include <QApplication>
#include <chrono>

#ifdef Q_OS_WIN
#include "hosted_control.h"
#else
#include "app_icon.h"
#include "simulated_control.h"
#endif

using namespace std::chrono_literals;

namespace {

// About as long as a powerline command takes to go out and be heard back.
constexpr auto transmissionDelay = 250ms;

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf16(ControlContract::programName));
    QApplication::setDesktopFileName(QStringLiteral(KV27_APP_ID));
#ifndef Q_OS_WIN
    QApplication::setWindowIcon(applicationIcon());
#endif

#ifdef Q_OS_WIN
    // The device's own control, hosted beside the program; without it, the simulated device.
    const QString folder = QApplication::applicationDirPath() + u'/';
    QList<QStringList> hosts;
    for (const char *host : ControlContract::hostPrograms)
        hosts.append({folder + QString::fromUtf8(host)});
    auto owned =
        std::make_unique<HostedControl>(hosts, HostedControl::Timeouts{}, transmissionDelay);
    HostedControl *control = owned.get();
    ExerciserWindow window(std::move(owned));
    control->followWindow(&window, window.winId());
#else
    ExerciserWindow window(std::make_unique<SimulatedControl>(transmissionDelay));
#endif
    window.show();
    return QApplication::exec();
}
