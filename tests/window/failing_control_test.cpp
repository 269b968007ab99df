#include "action_log.h"
#include "exerciser_window.h"
#include "interface_control.h"
#include "log_line.h"
#include "qt_printers.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Refuses every second command; the others come back as reports a turn of the event loop
// later, as a device's would.
class FlakyControl : public InterfaceControl {
public:
    std::optional<QString> sendCommand(const QString &verb, const QString &text) override
    {
        if (++calls % 2 == 0)
            return QStringLiteral("The interface did not answer.");
        QTimer::singleShot(0, this, [this, verb, text] {
            emit actionEvent({EventValue::text(verb), EventValue::text(text)});
        });
        return std::nullopt;
    }

    int calls = 0;
};

TEST(FailingControl, AStreamOfPressesKeepsTheProgramAndTheLog)
{
    auto *control = new FlakyControl;
    ExerciserWindow window(control);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    auto *log = window.findChild<ActionLog *>("Text8");
    log->setPlainText("typed by the user");
    window.findChild<QLineEdit *>("CommandLine")->setText("B2 dim 5");

    const char *const buttons[] = {"Command1", "Command2", "SendPL", "SendRF"};
    const char *const texts[] = {"A1 on", "A1 off", "B2 dim 5", "B2 dim 5"};
    const char *const verbs[] = {"sendplc", "sendplc", "sendplc", "sendrf"};
    constexpr int presses = 200;
    QStringList expected{"typed by the user"};
    int failuresShown = 0;
    for (int i = 0; i < presses; ++i) {
        const int button = i % 4;
        QTest::mouseClick(window.findChild<QPushButton *>(buttons[button]), Qt::LeftButton);
        if (i % 2 == 0)
            expected.prepend(
                logLine({EventValue::text(verbs[button]), EventValue::text(texts[button])}));
        if (auto *failure = window.findChild<QMessageBox *>()) {
            ++failuresShown;
            EXPECT_TRUE(failure->isVisible());
            failure->accept();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !window.findChild<QMessageBox *>(); }));
        }
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return log->lineCount() == presses / 2 + 1; }));

    EXPECT_EQ(control->calls, presses);
    EXPECT_EQ(failuresShown, presses / 2);
    EXPECT_EQ(log->text(), expected.join(QStringLiteral("\r\n")));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(quitting.count(), 0);
}

} // namespace
