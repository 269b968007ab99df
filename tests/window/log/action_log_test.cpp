#include "paint_recorder.h"
#include "window_test_fixture.h"

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextLayout>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {

// Presses the keys, written as a menu shows them: "Ctrl+Right, Ctrl+Shift+Right".
void pressKeys(QWidget *widget, const char *keys)
{
    for (const QString &key : QString::fromLatin1(keys).split(QStringLiteral(", ")))
        QTest::keySequence(widget, QKeySequence(key));
}

using ActionLogTest = WindowTest;

TEST_F(ActionLogTest, KeysMoveSelectAndEditAsInAnEditBox)
{
    const struct {
        const char *name;
        const char *keys;
        QString selected; // after the keys
        // After the keys, lines joined by line feeds.
        QString text = QStringLiteral("one two\nthree");
        QString clipboard = {}; // after the keys, from none
    } cases[] = {
        {"shiftEndSelectsTheLine", "Shift+End", "one two"},
        {"ctrlRightMovesByWord", "Ctrl+Right, Ctrl+Shift+Right", "two"},
        {"ctrlLeftFromTheNextLine", "Down, Ctrl+Left, Ctrl+Shift+Left", "two"},
        {"shiftDownSelectsToTheNextLine", "Right, Shift+Down", "ne two\nt"},
        {"ctrlShiftEndSelectsToTheEnd", "Ctrl+Right, Ctrl+Shift+End", "two\nthree"},
        {"shiftArrowsThenTypingReplaces", "Shift+Right, Shift+Right, X", "", "xe two\nthree"},
        {"backspaceJoinsLines", "Down, Home, Backspace", "", "one twothree"},
        {"deleteTakesTheSelection", "Shift+End, Del", "", "\nthree"},
        {"returnBreaksTheLine", "Ctrl+Right, Return", "", "one \ntwo\nthree"},
        {"selectAll", "Ctrl+A", "one two\nthree"},
        {"ctrlCCopies", "Shift+End, Ctrl+C", "one two", "one two\nthree", "one two"},
        {"ctrlXCuts", "Shift+End, Ctrl+X", "", "\nthree", "one two"},
        {"ctrlBackspaceTakesTheWordBefore", "End, Ctrl+Backspace", "", "one \nthree"},
        {"ctrlDeleteTakesTheWordAfter", "Ctrl+Del", "", "two\nthree"},
        {"pageDown", "PgDown, Shift+End", "three"},
        {"shiftPageDown", "Right, Shift+PgDown", "ne two\nt"},
        {"pageUp", "Down, PgUp, Shift+End", "one two"},
        {"shiftPageUp", "Down, Shift+PgUp", "one two\n"},
    };
    log()->setFocus();
    for (const auto &[name, keys, selected, text, clipboard] : cases) {
        SCOPED_TRACE(name);
        log()->setPlainText("one two\r\nthree");
        QApplication::clipboard()->clear();
        pressKeys(log(), keys);
        EXPECT_EQ(log()->toCrLfText(), QString(text).replace(u'\n', QStringLiteral("\r\n")));
        EXPECT_EQ(log()->document().selectedText(), selected);
        EXPECT_EQ(QApplication::clipboard()->text(), clipboard);
    }
}

// "alpha " dragged to the second line's start; the standard box drops text as if typed there.
void dragAlphaDown(ActionLog &log, QPlainTextEdit &box)
{
    log.document().move(0, 6, 17);
    QTextCursor cursor = box.textCursor();
    cursor.setPosition(6);
    cursor.setPosition(0, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.setPosition(11);
    cursor.insertText("alpha ");
    box.setTextCursor(cursor);
}

void lineArrives(ActionLog &log, QPlainTextEdit &box)
{
    log.prependLine("arrived");
    QTextCursor(box.document()).insertText("arrived\n");
}

// Up and Down keep a column only from one vertical move to the next: after any other move or
// edit they start from where the caret is, while lines that arrive above leave it in its column.
TEST_F(ActionLogTest, UpAndDownGoWhereTheStandardBoxGoes)
{
    // Rows that begin "Down, End, Down" come to the short third line's end, keeping the longer
    // line's column; those that begin "End, X, Home, Down" come to the second line's start,
    // keeping its column, with the first line's end to take back.
    const struct {
        const char *name;
        const char *keys;
        // What a drag or the program does after the keys, to the log and the standard box alike.
        void (*edit)(ActionLog &log, QPlainTextEdit &box) = nullptr;
    } cases[] = {
        {"typing", "Down, End, Down, X"},
        {"backspace", "Down, End, Down, Backspace"},
        {"delete", "Down, End, Down, Del"},
        {"endWhereTheCaretIs", "Down, End, Down, End"},
        {"undo", "End, X, Home, Down, Ctrl+Z"},
        {"redo", "End, X, Home, Down, Ctrl+Z, Ctrl+Shift+Z"},
        {"selectAll", "End, X, Home, Down, Ctrl+A"},
        {"paste", "Down, End, Down, Ctrl+V"},
        {"cut", "Down, End, Down, Shift+Down, Ctrl+X"},
        {"draggedMove", "Down, End, Down", dragAlphaDown},
        {"lineArriving", "Down, End, Down", lineArrives},
    };
    const QString text("alpha beta gamma\nhello, world foo.bar don't 3.14 x_y\n"
                       "alpha beta gamma\nhello, world foo.bar don't 3.14 x_y");
    log()->setFocus();
    for (const auto &[name, keys, edit] : cases) {
        SCOPED_TRACE(name);
        // The standard box, set up as the log is.
        QPlainTextEdit box;
        box.setLineWrapMode(QPlainTextEdit::NoWrap);
        box.setFont(log()->font());
        box.setPlainText(text);
        log()->setPlainText(text);
        QApplication::clipboard()->setText("pasted");
        const auto pressBoth = [&](const char *sequence) {
            pressKeys(log(), sequence);
            pressKeys(&box, sequence);
        };
        pressBoth(keys);
        if (edit)
            edit(*log(), box);
        EXPECT_EQ(log()->document().toPlainText(), box.toPlainText());
        for (const char *key : {"Down", "Up"}) {
            pressBoth(key);
            EXPECT_EQ(log()->document().caret(), box.textCursor().position()) << key;
        }
    }
}

// The arrows pass a composed character whole and Delete takes it whole, where the standard box's
// layout places its cursor stops: never beside a bare accent or inside an emoji.
TEST_F(ActionLogTest, ComposedCharactersAreOneStepAndOneDelete)
{
    const QString clusters[] = {
        QStringLiteral("e\u0301"),                       // e and a combining accent
        QString::fromUtf8("\U0001F469\u200D\U0001F4BB"), // a joined emoji
        QString::fromUtf8("\U0001F1E9\U0001F1EA"),       // a flag
        QStringLiteral("\u0915\u094D\u0937\u093F"),      // an Indic syllable
    };
    log()->setFocus();
    for (const QString &cluster : clusters) {
        const QString text = u'a' + cluster + u'b';
        QTextLayout standard(text, log()->font());
        standard.beginLayout();
        standard.createLine();
        standard.endLayout();
        const int stop = standard.nextCursorPosition(1);
        ASSERT_GT(stop, 2) << "the cluster is one code unit for the standard box too";

        log()->setPlainText(text);
        log()->document().setSelection(1, 1);
        QTest::keyClick(log(), Qt::Key_Right);
        EXPECT_EQ(log()->document().caret(), stop) << cluster.toStdString();
        QTest::keyClick(log(), Qt::Key_Left);
        EXPECT_EQ(log()->document().caret(), 1) << cluster.toStdString();
        QTest::keyClick(log(), Qt::Key_Delete);
        EXPECT_EQ(log()->toCrLfText(), u'a' + text.mid(stop)) << cluster.toStdString();
    }
}

// Dragging a selection past the bottom of the view keeps scrolling it and the selection, until
// the button is let go.
TEST_F(ActionLogTest, DraggingPastTheEdgeScrollsOn)
{
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines << QString::number(i);
    log()->setPlainText(lines.join(u'\n'));
    QApplication::processEvents();
    QWidget *view = log()->viewport();
    QTest::mousePress(view, Qt::LeftButton, {}, {4, 4});
    const QPoint below(4, view->height() + 20);
    QMouseEvent drag(QEvent::MouseMove, below, view->mapToGlobal(below), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drag);
    QTest::qWait(600);
    const int scrolled = log()->verticalScrollBar()->value();
    EXPECT_GT(scrolled, 3);
    EXPECT_GT(log()->document().selectedText().count(u'\n'), scrolled);
    QTest::mouseRelease(view, Qt::LeftButton, {}, below);
    QTest::qWait(200);
    EXPECT_EQ(log()->verticalScrollBar()->value(), scrolled);
}

// Page Down and Page Up move the view by a page and the caret along with it, on the same row.
TEST_F(ActionLogTest, PagesMoveTheViewAndTheCaretAlike)
{
    log()->setPlainText(QString("line\n").repeated(300));
    log()->setFocus();
    QApplication::processEvents();
    const int page = log()->verticalScrollBar()->pageStep();
    ASSERT_GT(page, 2);
    pressKeys(log(), "Down, PgDown, PgDown, Shift+PgUp");
    QApplication::processEvents();
    EXPECT_EQ(log()->verticalScrollBar()->value(), page);
    EXPECT_EQ(log()->document().lineOf(log()->document().caret()), page + 1);
    EXPECT_EQ(log()->document().selectedText().count(u'\n'), page);
}

TEST_F(ActionLogTest, UndoAndRedoTheUsersOwnEdits)
{
    log()->setFocus();
    QTest::keyClicks(log(), "typed");
    QApplication::clipboard()->setText(" pasted");
    pressKeys(log(), "Ctrl+V, Ctrl+Z");
    EXPECT_EQ(log()->toCrLfText(), "typed");
    pressKeys(log(), "Ctrl+Z");
    EXPECT_EQ(log()->toCrLfText(), "");
    EXPECT_FALSE(log()->document().canUndo());
    pressKeys(log(), "Ctrl+Shift+Z, Ctrl+Shift+Z");
    EXPECT_EQ(log()->toCrLfText(), "typed pasted");
    EXPECT_EQ(log()->document().caret(), 12);

    // A run of Backspaces, or of Deletes, is one step for undo too.
    for (const char *keys : {"Backspace, Backspace, Ctrl+Z", "Home, Del, Del, Ctrl+Z"}) {
        pressKeys(log(), keys);
        EXPECT_EQ(log()->toCrLfText(), "typed pasted") << keys;
    }
}

TEST_F(ActionLogTest, DoubleClickSelectsAWordAndTripleClickTheLine)
{
    log()->setPlainText("alpha beta gamma");
    QApplication::processEvents();
    const int y = log()->fontMetrics().height() / 2 + 4;
    QTest::mouseDClick(log()->viewport(), Qt::LeftButton, {}, {6, y});
    EXPECT_EQ(log()->document().selectedText(), "alpha");
    QTest::keyClick(log(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "alpha");
    QTest::mouseClick(log()->viewport(), Qt::LeftButton, {}, {1000, y});
    EXPECT_EQ(log()->document().caret(), log()->toCrLfText().size());
    QTest::mouseClick(log()->viewport(), Qt::LeftButton, Qt::ShiftModifier, {1, y});
    EXPECT_EQ(log()->document().selectedText(), " beta gamma");

    // A third click selects the line.
    log()->setPlainText("alpha beta\ngamma");
    QTest::mouseDClick(log()->viewport(), Qt::LeftButton, {}, {6, y});
    QTest::mouseClick(log()->viewport(), Qt::LeftButton, {}, {6, y});
    EXPECT_EQ(log()->document().selectedText(), "alpha beta");
}

TEST_F(ActionLogTest, TabPassesTheFocusOnAndBack)
{
    log()->setFocus();
    QTest::keyClick(log(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), box("Text9"));
    QTest::keyClick(box("Text9"), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), log());
    QTest::keyClick(log(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), widget("Command2"));
    EXPECT_EQ(log()->toCrLfText(), "");
}

// Of a line far wider than the view only the part in view is laid out; the caret, the scroll bar
// and the mouse must still agree on where in the line they are.
TEST_F(ActionLogTest, ALongLineIsEditedAndScrolledAlongItsLength)
{
    const QString pasted = QString(1'000'000, u'x');
    QApplication::clipboard()->setText(pasted);
    log()->setFocus();
    QTest::keyClick(log(), Qt::Key_V, Qt::ControlModifier);
    QApplication::processEvents();
    QScrollBar *horizontal = log()->horizontalScrollBar();
    EXPECT_GT(horizontal->value(), 900'000 * log()->fontMetrics().averageCharWidth());
    QTest::keyClicks(log(), "end");
    EXPECT_TRUE(log()->toCrLfText() == pasted + "end");

    horizontal->setValue(horizontal->maximum() / 2);
    QTest::mouseClick(log()->viewport(), Qt::LeftButton, {}, {log()->viewport()->width() / 2, 8});
    const double inView = double(horizontal->value()) / log()->fontMetrics().averageCharWidth();
    EXPECT_NEAR(double(log()->document().caret()), inView, 200);

    // A line that comes meanwhile leaves the user where they are along the line.
    const int along = horizontal->value();
    const qsizetype caret = log()->document().caret();
    control->report({.bszAction = EventValue::text("after")});
    QApplication::processEvents();
    EXPECT_EQ(horizontal->value(), along);
    EXPECT_EQ(log()->document().caret(), caret + 11);
    EXPECT_TRUE(log()->toCrLfText() == "after\t\t\t\t\t\r\n" + pasted + "end");
}

TEST_F(ActionLogTest, InputMethodsComposeAtTheCaret)
{
    log()->setPlainText("ab");
    log()->setFocus();
    // What the platform asks before it offers the system's input method.
    EXPECT_TRUE(QGuiApplication::inputMethod()->queryFocusObject(Qt::ImEnabled, {}).toBool());
    log()->moveCursor(QTextCursor::NextCharacter);
    QInputMethodEvent composing("ne", {});
    QApplication::sendEvent(log(), &composing);
    EXPECT_EQ(log()->toCrLfText(), "ab");
    QInputMethodEvent committed;
    committed.setCommitString("\u00f1");
    QApplication::sendEvent(log(), &committed);
    EXPECT_EQ(log()->toCrLfText(), "a\u00f1b");
    EXPECT_EQ(log()->inputMethodQuery(Qt::ImSurroundingText).toString(), "a\u00f1b");
    EXPECT_EQ(log()->inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
}

TEST_F(ActionLogTest, ScreenReadersReadAndEditTheLog)
{
    control->report({.bszAction = EventValue::text("top")});
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(log());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::EditableText);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Log");
    EXPECT_TRUE(accessible->state().editable);
    QAccessibleTextInterface *text = accessible->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 9);
    EXPECT_EQ(text->text(0, 3), "top");
    EXPECT_EQ(text->cursorPosition(), 0);

    QAccessibleEditableTextInterface *editable = accessible->editableTextInterface();
    ASSERT_NE(editable, nullptr);
    editable->insertText(9, "typed");
    int start = 0;
    int end = 0;
    EXPECT_EQ(text->textAtOffset(11, QAccessible::LineBoundary, &start, &end), "typed");
    EXPECT_EQ(std::pair(start, end), std::pair(9, 14));
    text->setSelection(0, 9, 11);
    EXPECT_EQ(log()->document().selectedText(), "ty");
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(9, 11));

    accessible->setText(QAccessible::Value, "read\nback");
    EXPECT_EQ(log()->toCrLfText(), "read\r\nback");
    EXPECT_EQ(accessible->text(QAccessible::Value), "read\nback");
    log()->document().undo();
    EXPECT_EQ(log()->toCrLfText(), "top\t\t\t\t\t\r\ntyped");
}

// The context menu offers the edits in groups, enabled where they apply, and does them.
TEST_F(ActionLogTest, TheContextMenuOffersTheEditsThatApply)
{
    log()->setPlainText("one two");
    log()->document().setSelection(4, 7);
    QApplication::clipboard()->setText("x");
    const QPoint point = log()->characterRect(5).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, point, log()->viewport()->mapToGlobal(point));
    QApplication::sendEvent(log()->viewport(), &click);
    auto *menu = log()->findChild<QMenu *>();
    ASSERT_NE(menu, nullptr);
    QStringList offered;
    for (const QAction *action : menu->actions())
        offered << (action->isSeparator() ? "|"
                                          : action->text() + (action->isEnabled() ? "" : "-"));
    EXPECT_EQ(offered, (QStringList{"&Undo-", "&Redo-", "|", "Cu&t", "&Copy", "&Paste", "Delete",
                                    "|", "Select All"}));
    menu->actions().at(6)->trigger();
    EXPECT_EQ(log()->toCrLfText(), "one ");
    EXPECT_TRUE(log()->document().canUndo());
}

// A line arriving at a log at rest moves what is on screen down and paints its own row alone:
// neither the rest of the view, nor the scroll bars whose sliders stay put, nor the log's frame.
TEST_F(ActionLogTest, ALineArrivingAtRestPaintsOnlyItsRow)
{
    log()->setPlainText(QString(QString(60, u'x') + u'\n').repeated(100'000));
    box("Text1")->setFocus();
    QTest::qWait(50);
    PaintRecorder recorder{log(), log()->viewport(), log()->verticalScrollBar(),
                           log()->horizontalScrollBar()};
    control->report({.bszAction = EventValue::text("new")});
    QTest::qWait(50);
    ASSERT_EQ(recorder.paints.size(), 1u);
    EXPECT_EQ(recorder.paints[0].widget, log()->viewport());
    EXPECT_EQ(recorder.paints[0].region.height(), log()->fontMetrics().lineSpacing());
}

// With the horizontal thumb at its far right, the end of a long line of letters wider than the
// average is in view.
TEST_F(ActionLogTest, TheThumbAtItsFarRightShowsTheEndOfALongLine)
{
    const qsizetype length = 200'000;
    log()->setPlainText(QString(length, u'W') + u'.');
    QApplication::processEvents();
    QScrollBar *horizontal = log()->horizontalScrollBar();
    horizontal->setValue(horizontal->maximum());
    QApplication::processEvents();
    const QRect last = log()->characterRect(length);
    EXPECT_TRUE(log()->viewport()->rect().contains(last))
        << last.x() << " in a view " << log()->viewport()->width() << " wide";
}

// The range along the lines is that of the lines the log holds: it shrinks when the widest line
// goes, even after lines came above it, but not for an edit elsewhere.
TEST_F(ActionLogTest, TheHorizontalRangeShrinksWhenTheWidestLineGoes)
{
    log()->setPlainText("short\n" + QString(500, u'x') + "\nshort");
    QApplication::processEvents();
    QScrollBar *horizontal = log()->horizontalScrollBar();
    const int wide = horizontal->maximum();
    ASSERT_GT(wide, 0);
    control->report({.bszAction = EventValue::text("arrived")});
    log()->setFocus();
    log()->document().setSelection(log()->document().size(), log()->document().size());
    QTest::keyClick(log(), Qt::Key_Backspace);
    QApplication::processEvents();
    EXPECT_EQ(horizontal->maximum(), wide) << "the wide line is still there";

    const qsizetype wideLine = log()->document().store().lineStart(2);
    log()->document().setSelection(wideLine, wideLine + 500);
    QTest::keyClick(log(), Qt::Key_Delete);
    QApplication::processEvents();
    EXPECT_EQ(horizontal->maximum(), 0);
}

// A press on the selection begins to drag it rather than a new selection; let go without a drag,
// it places the caret. Text dropped from elsewhere goes in where it is dropped, selected.
TEST_F(ActionLogTest, TheSelectionIsDraggedNotSelectedAnew)
{
    log()->setPlainText("alpha beta gamma");
    log()->document().setSelection(6, 10);
    QApplication::processEvents();
    QWidget *view = log()->viewport();
    const QPoint onBeta = log()->characterRect(7).center();
    QTest::mousePress(view, Qt::LeftButton, {}, onBeta);
    const QPoint away = onBeta + QPoint(QApplication::startDragDistance() + 20, 0);
    QMouseEvent drag(QEvent::MouseMove, away, view->mapToGlobal(away), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view, &drag);
    QTest::mouseRelease(view, Qt::LeftButton, {}, away);
    EXPECT_EQ(log()->document().selectedText(), "beta");

    QTest::mouseClick(view, Qt::LeftButton, {}, onBeta);
    EXPECT_FALSE(log()->document().hasSelection());
    EXPECT_EQ(log()->document().caret(), log()->positionAt(onBeta));

    QMimeData dropped;
    dropped.setText("new ");
    const QPoint atTheStart = log()->characterRect(0).topLeft() + QPoint(0, 2);
    QDragEnterEvent enter(atTheStart, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    QDropEvent drop(atTheStart, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    EXPECT_EQ(log()->toCrLfText(), "new alpha beta gamma");
    EXPECT_EQ(log()->document().selectedText(), "new ");
}

// A log made taller in the frame a line arrives in draws every row it now has room for.
TEST_F(ActionLogTest, ALogMadeTallerAsALineArrivesDrawsItsNewRows)
{
    log()->setPlainText(QString("line\n").repeated(200));
    box("Text1")->setFocus();
    const QSize size = log()->size();
    log()->resize(size.width(), size.height() / 3);
    QApplication::processEvents();
    log()->viewport()->repaint();
    control->report({.bszAction = EventValue::text("new")});
    log()->resize(size);
    QApplication::processEvents();
    const QImage frame = log()->viewport()->grab().toImage();
    const int lineHeight = log()->fontMetrics().lineSpacing();
    const qsizetype low = log()->positionAt(QPoint(2, frame.height() - 3 * lineHeight));
    const QRect letter = log()->characterRect(low);
    ASSERT_GT(letter.top(), size.height() / 2);
    bool inked = false;
    for (int y = letter.top(); y <= letter.bottom(); ++y)
        for (int x = letter.left(); x <= letter.right(); ++x)
            inked |= qGray(frame.pixel(x, y)) < 128;
    EXPECT_TRUE(inked) << "no text drawn at row " << letter.top() / lineHeight;
}

// What screen readers hear of the log: text that comes or goes, and the caret it moves along, so
// that they keep reading where the user is. The platform's accessibility is switched on as a
// screen reader would, which has no public call.
struct Heard {
    QAccessible::Event type;
    int position;
    QString text; // removed, then inserted
    bool operator==(const Heard &) const = default;
};

void PrintTo(const Heard &heard, std::ostream *os)
{
    *os << heard.type << " at " << heard.position << " " << heard.text.toStdString();
}

std::vector<Heard> heard;
const QObject *listenedTo = nullptr;

TEST_F(ActionLogTest, ScreenReadersHearTheTextAndTheCaretChange)
{
    log()->setPlainText("older");
    log()->setFocus();
    log()->document().setSelection(2, 2);
    QPlatformAccessibility *platform =
        QGuiApplicationPrivate::platformIntegration()->accessibility();
    platform->setActive(true);
    listenedTo = log();
    const auto previous = QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
        if (event->object() != listenedTo)
            return;
        if (event->type() == QAccessible::TextCaretMoved) {
            const auto *caret = static_cast<QAccessibleTextCursorEvent *>(event);
            heard.push_back({event->type(), caret->cursorPosition(), {}});
        } else if (event->type() == QAccessible::TextInserted) {
            const auto *text = static_cast<QAccessibleTextInsertEvent *>(event);
            heard.push_back({event->type(), text->changePosition(), text->textInserted()});
        } else if (event->type() == QAccessible::TextRemoved) {
            const auto *text = static_cast<QAccessibleTextRemoveEvent *>(event);
            heard.push_back({event->type(), text->changePosition(), text->textRemoved()});
        } else if (event->type() == QAccessible::TextUpdated) {
            const auto *text = static_cast<QAccessibleTextUpdateEvent *>(event);
            heard.push_back({event->type(), text->changePosition(),
                             text->textRemoved() + u'|' + text->textInserted()});
        }
    });
    heard.clear();
    control->report({.bszAction = EventValue::text("new")});
    QTest::keyClick(log(), Qt::Key_Backspace);
    log()->setPlainText("x");
    QAccessible::installUpdateHandler(previous);
    platform->setActive(false);
    const std::vector<Heard> expected{
        {QAccessible::TextInserted, 0, "new\t\t\t\t\t\n"},
        {QAccessible::TextCaretMoved, 2 + 9, {}},
        {QAccessible::TextRemoved, 10, "l"},
        {QAccessible::TextCaretMoved, 10, {}},
        {QAccessible::TextUpdated, 0, "new\t\t\t\t\t\noder|x"},
        {QAccessible::TextCaretMoved, 0, {}},
    };
    EXPECT_EQ(heard, expected);
}

// Where the platform has a selection of its own, selecting offers it and a middle click pastes
// it, as other boxes do; elsewhere a middle click leaves the text alone. The suite runs this once
// on X11 as well.
TEST(LogPrimarySelection, FollowsThePlatform)
{
    const bool x11 = QGuiApplication::platformName() == "xcb";
    QClipboard *clipboard = QGuiApplication::clipboard();
    ASSERT_EQ(clipboard->supportsSelection(), x11) << QGuiApplication::platformName().toStdString();
    ActionLog log;
    log.resize(300, 100);
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    log.setPlainText("alpha beta");
    QApplication::processEvents();
    QTest::mouseDClick(log.viewport(), Qt::LeftButton, {}, log.characterRect(1).center());
    ASSERT_EQ(log.document().selectedText(), "alpha");
    QTest::mouseClick(log.viewport(), Qt::MiddleButton, {}, log.characterRect(10).center());
    if (x11) {
        EXPECT_EQ(clipboard->text(QClipboard::Selection), "alpha");
        EXPECT_EQ(log.toCrLfText(), "alpha betaalpha");
    } else {
        EXPECT_EQ(log.toCrLfText(), "alpha beta");
    }
}

} // namespace
