#include "caption_fit.h"
#include "window_test_fixture.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>

namespace {

struct Placement {
    const char *name;
    QRect pixels; // relative to the parent, at 15 twips to the pixel
    const char *caption;
};

void PrintTo(const Placement &placement, std::ostream *os)
{
    *os << placement.name;
}

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
    {"Text1", {128, 40, 129, 25}, ""},
    {"Text2", {128, 72, 129, 25}, ""},
    {"Text3", {128, 104, 129, 25}, ""},
    {"Text4", {128, 136, 129, 25}, ""},
    {"Text5", {128, 168, 129, 25}, ""},
    {"Text6", {128, 200, 129, 25}, ""},
    {"Text7", {128, 232, 129, 25}, ""},
    {"Command3", {144, 272, 113, 25}, "Clear Log Display"},
    {"Frame1", {8, 312, 249, 73}, "Send Simple PL Command"},
    {"Label9", {8, 16, 105, 17}, "House Code / Unit "},
    {"Text9", {40, 344, 41, 23}, "A1"},
    {"Command1", {112, 344, 49, 25}, "On"},
    {"Command2", {184, 344, 49, 25}, "Off"},
    {"Frame2", {8, 392, 249, 89}, "Free Form Command Line"},
    {"CommandLine", {16, 416, 233, 25}, ""},
    {"SendPL", {64, 448, 57, 25}, "Send PL"},
    {"SendRF", {144, 448, 57, 25}, "Send RF"},
    {"Text8", {272, 40, 401, 441}, ""},
};

QString captionOf(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (const auto *frame = qobject_cast<const QGroupBox *>(widget))
        return frame->title();
    if (const auto *box = qobject_cast<const QLineEdit *>(widget))
        return box->text();
    if (const auto *log = qobject_cast<const ActionLog *>(widget))
        return log->text();
    return {};
}

class WidgetPlacement : public WindowTest, public testing::WithParamInterface<Placement> {};

TEST_P(WidgetPlacement, MatchesTheDesign)
{
    const QWidget *placed = widget(GetParam().name);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->geometry(), GetParam().pixels);
    EXPECT_EQ(captionOf(placed), QString::fromUtf8(GetParam().caption));
}

TEST_P(WidgetPlacement, StaysWhenTheWindowIsResized)
{
    for (const QSize size : {QSize(1000, 800), QSize(200, 150)}) {
        window->resize(size);
        QApplication::processEvents();
        EXPECT_EQ(widget(GetParam().name)->geometry(), GetParam().pixels);
    }
}

INSTANTIATE_TEST_SUITE_P(Layout, WidgetPlacement, testing::ValuesIn(placements),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(WindowTest, HasTheDesignedClientAreaAndCaption)
{
    EXPECT_EQ(window->objectName(), "Form1");
    EXPECT_EQ(window->windowTitle(), "KV27 Exerciser");
    EXPECT_EQ(window->size(), QSize(674, 489));
}

TEST_F(WindowTest, ControlIsAChildThatDrawsNothing)
{
    QObject *control = window->findChild<QObject *>("Hearthwick1");
    ASSERT_NE(control, nullptr);
    EXPECT_FALSE(control->isWidgetType());
}

TEST_F(WindowTest, OnlyLabel9IsInsideAFrameAndFramesAreBehind)
{
    EXPECT_EQ(widget("Label9")->parentWidget(), widget("Frame1"));
    EXPECT_EQ(widget("Label9")->mapTo(window.get(), QPoint(0, 0)), QPoint(16, 328));

    const QObjectList &stack = window->children(); // back to front
    for (const char *frame : {"Frame1", "Frame2"}) {
        const qsizetype frameIndex = stack.indexOf(widget(frame));
        for (const char *front :
             {"Text9", "Command1", "Command2", "CommandLine", "SendPL", "SendRF"}) {
            EXPECT_EQ(widget(front)->parentWidget(), window.get()) << front;
            EXPECT_LT(frameIndex, stack.indexOf(widget(front))) << frame << " " << front;
        }
    }
}

TEST_F(WindowTest, StartsWithFocusInText1AndOnlyTheHouseCodeFilled)
{
    EXPECT_EQ(QApplication::focusWidget(), widget("Text1"));
    for (const char *name :
         {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "CommandLine"})
        EXPECT_TRUE(box(name)->text().isEmpty()) << name;
    EXPECT_EQ(box("Text9")->text(), "A1");
    EXPECT_TRUE(log()->text().isEmpty());
}

const char *const tabOrder[] = {"Text1", "Text2",    "Text3",       "Text4",    "Text5",
                                "Text6", "Text7",    "Command1",    "Command2", "Text8",
                                "Text9", "Command3", "CommandLine", "SendPL",   "SendRF"};

TEST_F(WindowTest, TabAndShiftTabFollowTheTabIndexThroughTheLog)
{
    for (std::size_t i = 1; i <= std::size(tabOrder); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), tabOrder[i % std::size(tabOrder)]);
    }
    for (std::size_t i = std::size(tabOrder); i > 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), tabOrder[i - 1]);
    }
}

TEST_F(WindowTest, LabelsAndFramesTakeNoFocus)
{
    for (const QWidget *child : window->findChildren<QWidget *>()) {
        if (qobject_cast<const QLabel *>(child) || qobject_cast<const QGroupBox *>(child)) {
            EXPECT_EQ(child->focusPolicy(), Qt::NoFocus) << child->objectName().toStdString();
        }
    }
}

// Each caption's advance must fit inside the widget, less what the style puts around it.
int roomFor(const QWidget *widget)
{
    const QStyle *style = widget->style();
    if (qobject_cast<const QAbstractButton *>(widget))
        return widget->width() - style->pixelMetric(QStyle::PM_ButtonMargin) -
               2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
    if (qobject_cast<const QGroupBox *>(widget))
        return widget->width() - 2 * style->pixelMetric(QStyle::PM_LayoutLeftMargin);
    return widget->contentsRect().width();
}

TEST_F(WindowTest, EveryCaptionFitsItsWidget)
{
    for (const char *name :
         {"Title", "Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7", "Label9",
          "Command1", "Command2", "Command3", "SendPL", "SendRF", "Frame1", "Frame2"}) {
        const QWidget *captioned = widget(name);
        const int advance = QFontMetrics(captioned->font()).horizontalAdvance(captionOf(captioned));
        EXPECT_LE(advance, roomFor(captioned)) << name;
        EXPECT_TRUE(captionFits(captioned)) << name;
    }
}

TEST_F(WindowTest, TitleIsBoldInTheHighlightColour)
{
    const auto *title = widget<QLabel>("Title");
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(title->alignment(), Qt::AlignCenter);
    EXPECT_EQ(title->palette().color(QPalette::WindowText),
              window->palette().color(QPalette::Active, QPalette::Highlight));
    EXPECT_GT(title->font().pointSizeF(), window->font().pointSizeF());
}

TEST_F(WindowTest, ScreenReadersCanNameEveryBoxAndButton)
{
    const std::pair<const char *, const char *> names[] = {
        {"Text1", "Action"},      {"Text2", "Parameter 1"},
        {"Text3", "Parameter 2"}, {"Text4", "Parameter 3"},
        {"Text5", "Parameter 4"}, {"Text6", "Parameter 5"},
        {"Text7", "Reserved"},    {"Text9", "House Code / Unit"},
        {"Text8", "Log"},         {"CommandLine", "Free Form Command Line"}};
    for (const auto &[name, accessible] : names)
        EXPECT_EQ(widget(name)->accessibleName(), accessible) << name;
    for (const char *button : {"Command1", "Command2", "Command3", "SendPL", "SendRF"})
        EXPECT_FALSE(widget<QPushButton>(button)->text().isEmpty()) << button;
}

TEST_F(WindowTest, ValueBoxesHoldTextsOfAnyLength)
{
    const QString longText(100000, u'x');
    for (const char *name : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7"}) {
        box(name)->setText(longText);
        EXPECT_EQ(box(name)->text().size(), longText.size()) << name;
    }
}

TEST_F(WindowTest, LogShowsBothScrollBars)
{
    EXPECT_EQ(log()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(log()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

} // namespace
