#include "simulated_control.h"
#include "window_test_fixture.h"

#include <QClipboard>
#include <QMessageBox>

namespace {

using namespace std::chrono_literals;

using LargeValue = WindowTest;

TEST_F(LargeValue, TenMillionCharactersAreShownAndLoggedWhole)
{
    const QString value = QString(10'000'000, u'x') + QStringLiteral("end");
    control->report({.bszAction = EventValue::text(value)});
    QApplication::processEvents();
    EXPECT_EQ(box("Text1")->text(), value);
    EXPECT_TRUE(log()->text() == value + QStringLiteral("\t\t\t\t\t\r\n"));

    control->report({.bszAction = EventValue::text("next")});
    QApplication::processEvents();
    EXPECT_TRUE(log()->text() ==
                QStringLiteral("next\t\t\t\t\t\r\n") + value + QStringLiteral("\t\t\t\t\t\r\n"));
}

TEST_F(LargeValue, FiftyMegabytesPastedIntoTheLogStayBelowTheNextLine)
{
    QString pasted;
    pasted.reserve(50'000'000);
    for (int line = 0; pasted.size() < 50'000'000 - 100; ++line)
        pasted += QStringLiteral("pasted line %1 ").arg(line, 8, 10, QChar(u'0')) +
                  QString(77, u'p') + u'\n';
    QApplication::clipboard()->setText(pasted);
    log()->setFocus();
    log()->paste();

    control->report({.bszAction = EventValue::text("after")});
    QApplication::processEvents();
    pasted.replace(u'\n', QStringLiteral("\r\n"));
    EXPECT_TRUE(log()->text() == QStringLiteral("after\t\t\t\t\t\r\n") + pasted);
}

class LargeCommand : public testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<ExerciserWindow>(new SimulatedControl(0ms));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        commandLine = window->findChild<QLineEdit *>("CommandLine");
        log = window->findChild<ActionLog *>("Text8");
    }

    void sendPL() const
    {
        QTest::mouseClick(window->findChild<QPushButton *>("SendPL"), Qt::LeftButton);
    }

    std::unique_ptr<ExerciserWindow> window;
    QLineEdit *commandLine = nullptr;
    ActionLog *log = nullptr;
};

TEST_F(LargeCommand, AMillionCharactersAreRefusedInAShortMessageAndKept)
{
    const QString command = QStringLiteral("start") + QString(1'000'000, u'z') + "finish";
    commandLine->setText(command);
    log->setPlainText("kept");
    sendPL();

    auto *failure = window->findChild<QMessageBox *>();
    ASSERT_NE(failure, nullptr);
    EXPECT_TRUE(failure->isVisible());
    for (const QString &shown : {failure->text(), shownInformativeText(failure)}) {
        EXPECT_LT(shown.size(), 500);
        EXPECT_TRUE(shown.startsWith(QStringLiteral("The command \"startzzz")) ||
                    shown.startsWith(QStringLiteral("\"startzzz")))
            << shown.toStdString();
    }
    EXPECT_TRUE(failure->text().endsWith(QStringLiteral("zzzfinish\" (sendplc) was not sent.")));
    EXPECT_TRUE(shownInformativeText(failure).endsWith(QStringLiteral("such as A1.")));
    EXPECT_EQ(commandLine->text(), command);
    QTest::qWait(10);
    EXPECT_EQ(log->text(), "kept");
}

TEST_F(LargeCommand, AMillionBlanksAroundACommandAreTakenAsTheCommand)
{
    commandLine->setText(QString(500'000, u' ') + QStringLiteral("A1 on") + QString(500'000, u' '));
    sendPL();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log->text().isEmpty(); }));
    EXPECT_EQ(log->text(), "sendplc\tA1\ton\t\t 100\t 100\r\n");
    EXPECT_EQ(window->findChild<QMessageBox *>(), nullptr);
}

} // namespace
