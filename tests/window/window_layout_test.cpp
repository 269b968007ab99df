#include "window_placement.h"
#include "window_test_fixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QStyle>

namespace {

struct Placement {
    const char *name;
    QRect pixels; // relative to the parent, at 15 twips to the pixel
    const char *caption;
    const char *accessibleName = ""; // what a screen reader calls a box
};

// The layout in device-independent pixels, worked out by hand from the twips of the design.
const Placement placements[] = {
    {"Title", {104, 8, 465, 25}, "Brisola KV27 Command Viewer/Exerciser ver 2.0"},
    {"Label1", {16, 48, 105, 17}, "Action"},
    {"Label2", {16, 80, 105, 17}, "Parameter 1"},
    {"Label3", {8, 112, 113, 17}, "Parameter 2"},
    {"Label4", {8, 144, 113, 17}, "Parameter 3"},
    {"Label5", {8, 176, 113, 17}, "Parameter 4"},
    {"Label6", {8, 208, 113, 17}, "Parameter 5"},
    {"Label7", {8, 240, 113, 17}, "Reserved"},
    {"Text1", {128, 40, 129, 25}, "", "Action"},
    {"Text2", {128, 72, 129, 25}, "", "Parameter 1"},
    {"Text3", {128, 104, 129, 25}, "", "Parameter 2"},
    {"Text4", {128, 136, 129, 25}, "", "Parameter 3"},
    {"Text5", {128, 168, 129, 25}, "", "Parameter 4"},
    {"Text6", {128, 200, 129, 25}, "", "Parameter 5"},
    {"Text7", {128, 232, 129, 25}, "", "Reserved"},
    {"Command3", {144, 272, 113, 25}, "Clear Log Display"},
    {"Frame1", {8, 312, 249, 73}, "Send Simple PL Command"},
    {"Label9", {8, 16, 105, 17}, "House Code / Unit "},
    {"Text9", {40, 344, 41, 23}, "A1", "House Code / Unit"},
    {"Command1", {112, 344, 49, 25}, "On"},
    {"Command2", {184, 344, 49, 25}, "Off"},
    {"Frame2", {8, 392, 249, 89}, "Free Form Command Line"},
    {"CommandLine", {16, 416, 233, 25}, "", "Free Form Command Line"},
    {"SendPL", {64, 448, 57, 25}, "Send PL"},
    {"SendRF", {144, 448, 57, 25}, "Send RF"},
    {"Text8", {272, 40, 401, 441}, "", "Log"},
};

// A frame's title, or a label's, button's or box's text; the log has none of these.
QString captionOf(const QWidget *widget)
{
    return widget->property(qobject_cast<const QGroupBox *>(widget) ? "title" : "text").toString();
}

using Layout = WindowTest;

// Every widget at its place with its caption or initial text, drawn in front of the frames
// but Label9, and there it stays however the window is resized. The window first shows where
// the placement table says, give or take the window system's frame, unknown before the show.
TEST_F(Layout, EveryWidgetIsWhereTheDesignPutsIt)
{
    EXPECT_EQ(window->objectName(), "Form1");
    EXPECT_EQ(window->windowTitle(), "KV27 Exerciser");
    EXPECT_EQ(window->size(), QSize(674, 489));
    const QPoint placed = centredPosition(window->size(), window->screen()->availableGeometry());
    const QSize border = window->frameGeometry().size() - window->size();
    EXPECT_LE((window->frameGeometry().topLeft() - placed).manhattanLength(),
              border.width() + border.height() + 2);

    const QObjectList &stack = window->children(); // back to front
    const qsizetype frames =
        std::max(stack.indexOf(widget("Frame1")), stack.indexOf(widget("Frame2")));
    for (const QSize size : {QSize(), QSize(1000, 800), QSize(200, 150)}) {
        if (size.isValid())
            window->resize(size);
        QApplication::processEvents();
        for (const Placement &placement : placements) {
            SCOPED_TRACE(placement.name);
            const QWidget *placed = widget(placement.name);
            ASSERT_NE(placed, nullptr);
            EXPECT_EQ(placed->geometry(), placement.pixels);
            EXPECT_EQ(captionOf(placed), QString::fromUtf8(placement.caption));
            EXPECT_EQ(placed->accessibleName(), QString::fromUtf8(placement.accessibleName));
            const bool inFrame = placement.name == std::string_view("Label9");
            EXPECT_EQ(placed->parentWidget(), inFrame ? widget("Frame1") : window.get());
            if (!inFrame && !qobject_cast<const QGroupBox *>(placed))
                EXPECT_LT(frames, stack.indexOf(placed));
        }
    }
    QObject *control = window->findChild<QObject *>("Hearthwick1");
    ASSERT_NE(control, nullptr);
    EXPECT_FALSE(control->isWidgetType()); // it draws nothing
    EXPECT_EQ(log()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(log()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

// Labels and frames are passed over; Tab goes through the log rather than into it.
TEST_F(Layout, FocusStartsInText1AndFollowsTheTabIndex)
{
    const char *const tabOrder[] = {"Text2",    "Text3",       "Text4",    "Text5",  "Text6",
                                    "Text7",    "Command1",    "Command2", "Text8",  "Text9",
                                    "Command3", "CommandLine", "SendPL",   "SendRF", "Text1"};
    EXPECT_EQ(QApplication::focusWidget(), widget("Text1"));
    for (const char *next : tabOrder) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), next);
    }
}

// Each caption's advance fits inside its widget, less what the style puts around it, and the
// title stands out. Whatever a box holds is drawn whole, neither cut at a side nor above or
// below: the text cursor, a line high, stays inside the box's frame at either end of the text.
TEST_F(Layout, EveryCaptionAndEveryBoxsTextIsDrawnWhole)
{
    for (QWidget *captioned : window->findChildren<QWidget *>()) {
        const QStyle *style = captioned->style();
        int room = captioned->contentsRect().width();
        if (qobject_cast<QPushButton *>(captioned))
            room = captioned->width() - style->pixelMetric(QStyle::PM_ButtonMargin) -
                   2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
        else if (qobject_cast<QGroupBox *>(captioned))
            room = captioned->width() - 2 * style->pixelMetric(QStyle::PM_LayoutLeftMargin);
        const int advance = QFontMetrics(captioned->font()).horizontalAdvance(captionOf(captioned));
        EXPECT_LE(advance, room) << captioned->objectName().toStdString();
    }
    const auto *title = widget<QLabel>("Title");
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(title->alignment(), Qt::AlignCenter);
    EXPECT_EQ(title->palette().color(QPalette::WindowText),
              window->palette().color(QPalette::Active, QPalette::Highlight));
    EXPECT_GT(title->font().pointSizeF(), window->font().pointSizeF());

    for (QLineEdit *box : window->findChildren<QLineEdit *>()) {
        box->setText("Wg");
        const int frame = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box);
        const QRect inside = box->rect().adjusted(frame, frame, -frame, -frame);
        box->selectAll();
        for (const auto end : {Qt::ImAnchorRectangle, Qt::ImCursorRectangle}) {
            const QRect cursor = box->inputMethodQuery(end).toRect();
            EXPECT_TRUE(cursor.top() >= inside.top() && cursor.bottom() <= inside.bottom() &&
                        inside.contains(cursor.center().x(), inside.center().y()))
                << box->objectName().toStdString();
        }
    }
}

} // namespace
