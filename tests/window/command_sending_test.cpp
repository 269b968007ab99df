#include "window_test_fixture.h"

namespace {

using Sent = QPair<QString, QString>;

class CommandSending : public WindowTest {
protected:
    QStringList boxTexts() const
    {
        return texts({"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text9",
                      "CommandLine"})
               << log()->toCrLfText();
    }

    QMessageBox *failure() const { return window->findChild<QMessageBox *>(); }
};

// Each press sends the box's text exactly as it stands, empty included, remembers nothing and
// changes no widget.
TEST_F(CommandSending, EachButtonSendsItsVerbAndTheTextOfItsBox)
{
    const struct {
        const char *button;
        const char *source;
        const char *typed;
        Sent sent;
    } presses[] = {
        {"Command1", "Text9", "A1", {"sendplc", "A1 on"}},
        {"Command2", "Text9", "B12", {"sendplc", "B12 off"}},
        {"Command1", "Text9", "", {"sendplc", " on"}},
        {"Command1", "Text9", " d4 ", {"sendplc", " d4  on"}},
        {"Command2", "Text9", " c3 ", {"sendplc", " c3  off"}},
        {"SendPL", "CommandLine", "  b2 DIM 20 ", {"sendplc", "  b2 DIM 20 "}},
        {"SendRF", "CommandLine", " a1 ON ", {"sendrf", " a1 ON "}},
        {"SendPL", "CommandLine", "", {"sendplc", ""}},
        {"SendRF", "CommandLine", "", {"sendrf", ""}},
    };
    control->report({.bszAction = EventValue::text("earlier")});
    for (const auto &[button, source, typed, sent] : presses) {
        control->sent.clear();
        box(source)->setText(typed);
        const QStringList before = boxTexts();
        press(button);
        press(button);
        EXPECT_EQ(control->sent, (QList<Sent>{sent, sent})) << button << " \"" << typed << '"';
        EXPECT_EQ(boxTexts(), before) << button;
    }
    EXPECT_EQ(failure(), nullptr);
}

// The user's log and boxes matter more than any one command. The message gives the command
// and the control's reason as plain text, shortened to both ends however long they are, never
// between the halves of a character.
TEST_F(CommandSending, ARefusedCommandIsShownAndLosesNothing)
{
    control->report({.bszAction = EventValue::text("earlier")});
    const QString emoji = QString::fromUtf8("\U0001F600");
    const QString command =
        "<b>Z9</b> on" + QString(87, u'z') + emoji + QString(100'000, u'z') + "finish";
    box("CommandLine")->setText(command);
    const QStringList before = boxTexts();
    control->failure = "<i>house</i> codes run from A to P" + QString(100'000, u'y') + emoji +
                       QString(96, u'y') + "end";

    press("SendRF");
    ASSERT_NE(failure(), nullptr);
    EXPECT_TRUE(failure()->isVisible());
    EXPECT_EQ(failure()->textFormat(), Qt::PlainText);
    const QString what = failure()->text();
    const QString why = shownText(failure()).sliced(what.size() + 1);
    EXPECT_TRUE(what.startsWith("The command \"<b>Z9</b> on" + QString(87, u'z') + u'\u2026'))
        << what.toStdString();
    EXPECT_TRUE(what.endsWith("zzzfinish\" (sendrf) was not sent.")) << what.toStdString();
    EXPECT_TRUE(why.startsWith("<i>house</i> codes run from A to P")) << why.toStdString();
    EXPECT_TRUE(why.endsWith(u'\u2026' + QString(96, u'y') + "end")) << why.toStdString();
    EXPECT_LT(what.size() + why.size(), 1000);
    EXPECT_TRUE(boxTexts() == before) << "a box or the log changed";
    EXPECT_TRUE(window->isVisible());

    failure()->accept();
    control->failure.reset();
    press("SendPL");
    EXPECT_TRUE(control->sent.back() == Sent("sendplc", command)) << "the command was not sent";
    EXPECT_TRUE(QTest::qWaitFor([&] { return failure() == nullptr; }));
}

// A problem the control meets outside any command is shown as a refused command is, and costs
// nothing either.
TEST_F(CommandSending, AProblemOfTheControlIsShownAsPlainText)
{
    control->report({.bszAction = EventValue::text("earlier")});
    const QStringList before = boxTexts();
    control->announce("Something <i>happened</i>.", "<b>Because</b>\nof this.");
    ASSERT_NE(failure(), nullptr);
    EXPECT_EQ(shownText(failure()), "Something <i>happened</i>.\n<b>Because</b>\nof this.");
    EXPECT_EQ(boxTexts(), before);
}

} // namespace
