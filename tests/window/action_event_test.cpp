#include "locale_guard.h"
#include "simulated_control.h"
#include "window_test_fixture.h"

#include <QScrollBar>

namespace {

using namespace std::chrono_literals;

EventValue text(const char *text)
{
    return EventValue::text(QString::fromUtf8(text));
}

const ActionValues firstAction{
    text("sendplc"),        text("A1"),  text("on"), EventValue(), EventValue::whole(100),
    EventValue::whole(100), EventValue()};
const QString firstLine = "sendplc\tA1\ton\t\t 100\t 100";
const ActionValues secondAction{.bszAction = text("a"), .bszParm3 = EventValue::whole(5)};
const QString secondLine = "a\t\t\t 5\t\t";

class ActionEvent : public WindowTest {
protected:
    QStringList valueBoxes() const
    {
        QStringList texts;
        for (const char *name : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"})
            texts << box(name)->text();
        return texts;
    }
};

TEST_F(ActionEvent, FillsTheValueBoxesAndPutsItsLineAtTheTop)
{
    control->report(firstAction);
    EXPECT_EQ(valueBoxes(), (QStringList{"sendplc", "A1", "on", "", "100", "100"}));
    EXPECT_EQ(log()->text(), firstLine + "\r\n");

    control->report(secondAction);
    EXPECT_EQ(valueBoxes(), (QStringList{"a", "", "", "5", "", ""}));
    EXPECT_EQ(log()->text(), secondLine + "\r\n" + firstLine + "\r\n");
}

TEST_F(ActionEvent, AllAbsentEmptiesTheBoxesAndLogsFiveTabs)
{
    control->report(firstAction);
    control->report({EventValue::null(), EventValue(), text(""), EventValue::null(), EventValue(),
                     EventValue(), text("reserved")});
    EXPECT_EQ(valueBoxes(), QStringList(6, QString()));
    EXPECT_EQ(box("Text7")->text(), "");
    EXPECT_TRUE(log()->text().startsWith("\t\t\t\t\t\r\n" + firstLine));
}

TEST_F(ActionEvent, BoxesFollowTheLocaleAndTheLogDoesNot)
{
    LocaleGuard guard(german);
    control->report({.bszParm3 = EventValue::number(2.5), .bszParm4 = EventValue::whole(0)});
    EXPECT_EQ(box("Text4")->text(), "2,5");
    EXPECT_EQ(box("Text5")->text(), "0");
    EXPECT_EQ(log()->text(), "\t\t\t 2.5\t 0\t\r\n");
}

TEST_F(ActionEvent, ValueBoxesShowControlCharactersAsTheyCame)
{
    control->report({.bszAction = text("a\tb")});
    EXPECT_EQ(box("Text1")->text(), "a\tb");
    EXPECT_EQ(log()->text(), "a\u2409b\t\t\t\t\t\r\n");
    EXPECT_EQ(log()->lineCount(), 2);
}

// Half a surrogate pair is no line break: the log keeps it as the value box does, and shows it
// as a replacement glyph.
TEST_F(ActionEvent, LoneSurrogatesAreKept)
{
    const QString broken = QChar(0xD800) + QStringLiteral("x") + QChar(0xDC00);
    control->report({.bszAction = EventValue::text(broken), .bszParm5 = EventValue::text(broken)});
    EXPECT_EQ(box("Text1")->text(), broken);
    EXPECT_EQ(log()->text(), broken + "\t\t\t\t\t" + broken + "\r\n");
    EXPECT_EQ(log()->lineCount(), 2);
}

TEST_F(ActionEvent, TypedTextStaysBelowTheNewLine)
{
    log()->setFocus();
    QTest::keyClicks(log(), "typed");
    QTest::keyClick(log(), Qt::Key_Return);
    QTest::keyClicks(log(), "more");
    control->report(firstAction);
    EXPECT_EQ(log()->text(), firstLine + "\r\ntyped\r\nmore");
}

TEST_F(ActionEvent, ASelectionInTheLogIsNotReplaced)
{
    log()->setPlainText("old");
    log()->selectAll();
    control->report(firstAction);
    EXPECT_EQ(log()->text(), firstLine + "\r\nold");
    EXPECT_FALSE(log()->hasSelection());
}

TEST_F(ActionEvent, TheProgramsLinesCannotBeUndone)
{
    log()->setFocus();
    QTest::keyClicks(log(), "typed");
    control->report(firstAction);
    EXPECT_FALSE(log()->isUndoAvailable());
    log()->undo();
    EXPECT_EQ(log()->text(), firstLine + "\r\ntyped");
}

TEST_F(ActionEvent, ShowsTheBeginningOfTheLog)
{
    QString many;
    for (int i = 0; i < 500; ++i)
        many += QString(300, u'x') + u'\n';
    log()->setPlainText(many);
    log()->moveCursor(QTextCursor::End);
    log()->horizontalScrollBar()->setValue(log()->horizontalScrollBar()->maximum());
    ASSERT_GT(log()->verticalScrollBar()->value(), 0);
    ASSERT_GT(log()->horizontalScrollBar()->value(), 0);

    control->report(firstAction);
    EXPECT_EQ(log()->verticalScrollBar()->value(), 0);
    EXPECT_EQ(log()->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(log()->cursorPosition(), 0);
}

TEST_F(ActionEvent, ALineOfShortFieldsFitsTheLogsWidth)
{
    control->report(firstAction);
    EXPECT_EQ(log()->tabStopDistance(), 8 * log()->fontMetrics().averageCharWidth());
    log()->grab(); // lays out the lines in view
    EXPECT_EQ(log()->horizontalScrollBar()->maximum(), 0);
}

TEST_F(ActionEvent, LinesOfABurstAreLaidOutWhenScrolledTo)
{
    for (int i = 0; i < 200; ++i)
        control->report({.bszAction = EventValue::whole(i)});
    QApplication::processEvents(); // the frame that follows the burst
    QScrollBar *scroll = log()->verticalScrollBar();
    scroll->setValue(scroll->maximum());
    log()->grab();

    QTest::mouseDClick(log()->viewport(), Qt::LeftButton, {}, {6, 6});
    EXPECT_GT(scroll->value(), 150);
    EXPECT_EQ(log()->selectedText(), QString::number(199 - scroll->value()));
}

TEST_F(ActionEvent, ClearEmptiesOnlyTheLog)
{
    control->report(firstAction);
    control->report(secondAction);
    press("Command3");
    EXPECT_EQ(log()->text(), "");
    EXPECT_EQ(valueBoxes(), (QStringList{"a", "", "", "5", "", ""}));

    control->report(firstAction);
    EXPECT_EQ(log()->text(), firstLine + "\r\n");
}

TEST(SimulatedDeviceInTheWindow, ACommandComesBackAsTheTopLine)
{
    auto *control = new SimulatedControl(0ms);
    ExerciserWindow window(control);
    window.show();
    auto *log = window.findChild<ActionLog *>("Text8");

    ASSERT_EQ(control->sendCommand("sendplc", "A1 on"), std::nullopt);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log->text().isEmpty(); }));
    EXPECT_EQ(log->text(), firstLine + "\r\n");
    EXPECT_EQ(window.findChild<QLineEdit *>("Text5")->text(), "100");
}

} // namespace
