#include "app_icon.h"
#include "exerciser_window.h"
#include "simulated_control.h"

#include <QApplication>
#include <chrono>

#ifdef Q_OS_WIN
#include "hosted_control.h"

#include <QMessageBox>
#endif

using namespace std::chrono_literals;

namespace {

// About as long as a powerline command takes to go out and be heard back.
constexpr auto transmissionDelay = 250ms;

#ifdef Q_OS_WIN
// The device's own control, hosted beside the program; without it, the simulated device.
InterfaceControl *createControl()
{
    const QString folder = QApplication::applicationDirPath() + u'/';
    auto started = HostedControl::startFirst(
        {{folder + "kv27-control-host64.exe"}, {folder + "kv27-control-host32.exe"}}, {});
    if (auto *hosted = std::get_if<std::unique_ptr<HostedControl>>(&started))
        return hosted->release();
    QMessageBox::warning(nullptr, QApplication::applicationName(),
                         QApplication::translate("main",
                                                 "The KV27 scripting control could not be "
                                                 "created, so a simulated device stands in.\n\n%1")
                             .arg(std::get<QString>(started)));
    return new SimulatedControl(transmissionDelay);
}
#else
InterfaceControl *createControl()
{
    return new SimulatedControl(transmissionDelay);
}
#endif

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KV27 Exerciser"));
    QApplication::setDesktopFileName(QStringLiteral(KV27_APP_ID));
    QApplication::setWindowIcon(applicationIcon());

    ExerciserWindow window(createControl());
    window.show();
    return QApplication::exec();
}
