#include "simulated_control.h"
#include "window_test_fixture.h"

#include <QMessageBox>

namespace {

using namespace std::chrono_literals;
using Sent = QPair<QString, QString>;

const char *const allBoxes[] = {"Text1", "Text2", "Text3", "Text4",      "Text5",
                                "Text6", "Text7", "Text9", "CommandLine"};

class CommandSending : public WindowTest {
protected:
    QStringList boxTexts() const
    {
        QStringList texts;
        for (const char *name : allBoxes)
            texts << box(name)->text();
        return texts << log()->text();
    }

    QList<QMessageBox *> failures() const { return window->findChildren<QMessageBox *>(); }
};

TEST_F(CommandSending, EachButtonSendsItsVerbAndText)
{
    box("CommandLine")->setText("  b2 DIM 20 ");
    press("Command1");
    press("Command2");
    press("SendPL");
    press("SendRF");
    EXPECT_EQ(control->sent, (QList<Sent>{{"sendplc", "A1 on"},
                                          {"sendplc", "A1 off"},
                                          {"sendplc", "  b2 DIM 20 "},
                                          {"sendrf", "  b2 DIM 20 "}}));
}

TEST_F(CommandSending, SendsWhatTheBoxesHoldEvenEmpty)
{
    box("Text9")->clear();
    press("Command1");
    box("Text9")->setText("B12");
    press("Command2");
    press("SendPL");
    press("SendRF");
    EXPECT_EQ(
        control->sent,
        (QList<Sent>{{"sendplc", " on"}, {"sendplc", "B12 off"}, {"sendplc", ""}, {"sendrf", ""}}));
}

TEST_F(CommandSending, TwoPressesSendTwiceAndChangeNoWidget)
{
    box("Text1")->setText("last action");
    log()->setPlainText("kept");
    const QStringList before = boxTexts();
    press("Command1");
    press("Command1");
    EXPECT_EQ(control->sent, (QList<Sent>{{"sendplc", "A1 on"}, {"sendplc", "A1 on"}}));
    EXPECT_EQ(boxTexts(), before);
    EXPECT_TRUE(failures().isEmpty());
}

TEST_F(CommandSending, ARefusedCommandIsShownAndLosesNothing)
{
    control->report({.bszAction = EventValue::text("earlier")});
    box("CommandLine")->setText("Z9 on");
    const QStringList before = boxTexts();
    control->failure = "house codes run from A to P";

    press("SendRF");

    ASSERT_EQ(failures().size(), 1);
    QMessageBox *failure = failures().front();
    EXPECT_TRUE(failure->isVisible());
    EXPECT_TRUE(failure->text().contains("\"Z9 on\"")) << failure->text().toStdString();
    EXPECT_TRUE(failure->text().contains("sendrf"));
    EXPECT_EQ(shownInformativeText(failure), "house codes run from A to P");
    EXPECT_EQ(boxTexts(), before);
    EXPECT_TRUE(window->isVisible());

    failure->accept();
    control->failure.reset();
    press("SendPL");
    EXPECT_EQ(control->sent.back(), Sent("sendplc", "Z9 on"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return failures().isEmpty(); }));
}

TEST_F(CommandSending, MessagesAreShownAsPlainText)
{
    box("CommandLine")->setText("<b>A1</b> on");
    control->failure = "<i>not</i> an address";
    press("SendPL");
    ASSERT_EQ(failures().size(), 1);
    const QMessageBox *failure = failures().front();
    EXPECT_EQ(failure->textFormat(), Qt::PlainText);
    EXPECT_TRUE(failure->text().contains("\"<b>A1</b> on\""));
    EXPECT_EQ(shownInformativeText(failure), "<i>not</i> an address");
}

TEST(CommandSendingWithTheSimulatedDevice, OnComesBackAtTheTopOfTheLog)
{
    ExerciserWindow window(new SimulatedControl(0ms));
    window.show();
    auto *log = window.findChild<ActionLog *>("Text8");

    QTest::mouseClick(window.findChild<QPushButton *>("Command1"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log->text().isEmpty(); }));
    EXPECT_EQ(log->text(), "sendplc\tA1\ton\t\t 100\t 100\r\n");
}

TEST(CommandSendingWithTheSimulatedDevice, ATypoIsRefusedAndTheNextCommandStillGoesOut)
{
    ExerciserWindow window(new SimulatedControl(0ms));
    window.show();
    auto *log = window.findChild<ActionLog *>("Text8");
    auto *commandLine = window.findChild<QLineEdit *>("CommandLine");
    log->setPlainText("typed by the user");

    commandLine->setText("A1 dimm 20");
    QTest::mouseClick(window.findChild<QPushButton *>("SendPL"), Qt::LeftButton);
    auto *failure = window.findChild<QMessageBox *>();
    ASSERT_NE(failure, nullptr);
    EXPECT_TRUE(failure->text().contains("\"A1 dimm 20\""));
    EXPECT_TRUE(shownInformativeText(failure).contains("\"dimm\" is not a function"));
    QTest::qWait(10);
    EXPECT_EQ(log->text(), "typed by the user");
    EXPECT_EQ(commandLine->text(), "A1 dimm 20");
    failure->accept();

    commandLine->setText("A1 bright 20");
    QTest::mouseClick(window.findChild<QPushButton *>("SendRF"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log->text() != "typed by the user"; }));
    EXPECT_EQ(log->text(), "sendrf\tA1\tbright\t 20\t 20\t 20\r\ntyped by the user");
}

} // namespace
