#include "locale_guard.h"
#include "window_test_fixture.h"

#include <QScrollBar>

namespace {

const ActionValues firstAction{EventValue::text("sendplc"), EventValue::text("A1"),
                               EventValue::text("on"),      EventValue(),
                               EventValue::whole(100),      EventValue::whole(100)};
const QString firstLine = "sendplc\tA1\ton\t\t 100\t 100";

class ActionEvent : public WindowTest {
protected:
    QStringList valueBoxes() const
    {
        return texts({"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7"});
    }
};

// Boxes and log hold whatever the control reports, however long; numbers in the boxes and the
// text fields follow the locale, the sign columns do not. Clear Log Display empties the log
// alone.
TEST_F(ActionEvent, FillsTheValueBoxesAndPutsEachLineAtTheTop)
{
    LocaleGuard guard(german);
    control->report(firstAction);
    EXPECT_EQ(valueBoxes(), (QStringList{"sendplc", "A1", "on", "", "100", "100", ""}));
    const QString longText = QString(100'000, u'x') + "end";
    control->report({.bszAction = EventValue::text(longText),
                     .bszParm1 = EventValue::fraction(-0.5),
                     .bszParm3 = EventValue::fraction(2.5),
                     .reserved = EventValue::text("reserved")});
    EXPECT_EQ(valueBoxes().mid(1), (QStringList{"-0,5", "", "2,5", "", "", ""}));
    EXPECT_TRUE(box("Text1")->text() == longText) << "the long value was cut";
    EXPECT_TRUE(log()->toCrLfText() == longText + "\t-0,5\t\t 2.5\t\t\r\n" + firstLine + "\r\n");

    const QStringList shownBeforeClear = valueBoxes();
    press("Command3");
    EXPECT_EQ(log()->toCrLfText(), "");
    EXPECT_EQ(valueBoxes(), shownBeforeClear);
    control->report({EventValue::null(), EventValue(), EventValue::text(""), EventValue::null(),
                     EventValue::text(""), EventValue::null(), EventValue::null()});
    EXPECT_EQ(valueBoxes(), QStringList(7, QString()));
    EXPECT_EQ(log()->toCrLfText(), "\t\t\t\t\t\r\n");
}

// What the user types stays below the new lines and whole, however the lines come while they
// type; a selection they made stays on its text, to be copied, even once they look elsewhere.
TEST_F(ActionEvent, WhatTheUserTypesStaysWholeWhileLinesArrive)
{
    log()->setPlainText("one two");
    log()->setFocus();
    log()->document().setSelection(4, 4);
    QTest::keyClicks(log(), "ab");
    control->report(firstAction);
    QTest::keyClicks(log(), "cd");
    EXPECT_EQ(log()->toCrLfText(), firstLine + "\r\none abcdtwo");
    // Undo takes back the user's typing, never the program's line.
    log()->document().undo();
    log()->document().undo();
    EXPECT_EQ(log()->toCrLfText(), firstLine + "\r\none abtwo");

    const qsizetype one = firstLine.size() + 1;
    log()->document().setSelection(one, one + 3);
    box("Text1")->setFocus();
    control->report(firstAction);
    EXPECT_EQ(log()->document().selectedText(), "one");
    EXPECT_EQ(log()->toCrLfText(), firstLine + "\r\n" + firstLine + "\r\none abtwo");
}

// Every line of a burst is there when scrolled to. A new line keeps the view on the text the
// user works on; otherwise it brings the log's beginning, with the newest line, into view.
TEST_F(ActionEvent, ShowsEveryLineAndTheNewestOnTop)
{
    log()->setPlainText(QString(300, u'x'));
    for (int i = 0; i < 200; ++i)
        control->report({.bszAction = EventValue::whole(i)});
    QApplication::processEvents(); // the frame that follows the burst
    QScrollBar *vertical = log()->verticalScrollBar();
    vertical->setValue(vertical->maximum());
    log()->grab();
    QTest::mouseDClick(log()->viewport(), Qt::LeftButton, {}, {6, 6});
    EXPECT_GT(vertical->value(), 150);
    EXPECT_EQ(log()->document().selectedText(), QString::number(199 - vertical->value()));

    const int shown = vertical->value();
    const QString selected = log()->document().selectedText();
    control->report(firstAction);
    QApplication::processEvents();
    EXPECT_EQ(vertical->value(), shown + 1);
    EXPECT_EQ(log()->document().selectedText(), selected);

    box("Text1")->setFocus();
    log()->document().setSelection(log()->document().caret(), log()->document().caret());
    QApplication::processEvents();
    QScrollBar *horizontal = log()->horizontalScrollBar();
    horizontal->setValue(horizontal->maximum());
    ASSERT_GT(horizontal->value(), 0);
    ASSERT_GT(vertical->value(), 0);
    control->report(firstAction);
    QApplication::processEvents();
    EXPECT_EQ(vertical->value(), 0);
    EXPECT_EQ(horizontal->value(), 0);
    EXPECT_EQ(log()->document().caret(), 0);

    // Short fields line up in columns eight characters wide.
    log()->setPlainText("abcde\tX\na\tX");
    const auto caretX = [&](qsizetype position) {
        log()->document().setSelection(position, position);
        return log()->inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
    };
    EXPECT_EQ(caretX(6), caretX(10));
    EXPECT_GT(caretX(6), caretX(5));
}

} // namespace
