#include "twips.h"
#include "widget_table.h"
#include "window_test_fixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <map>
#include <vector>

namespace {

// What each frame holds, as the user sees it.
const struct {
    const char *frame;
    std::vector<const char *> members;
} frames[] = {
    {"Frame1", {"Label9", "Text9", "Command1", "Command2"}},
    {"Frame2", {"CommandLine", "SendPL", "SendRF"}},
};

// A frame's title, or a label's, button's or box's text; the log has none of these.
QString captionOf(const QWidget *widget)
{
    return widget->property(qobject_cast<const QGroupBox *>(widget) ? "title" : "text").toString();
}

QRect inWindow(const QWidget *widget)
{
    return {widget->mapTo(widget->window(), QPoint(0, 0)), widget->size()};
}

using Layout = WindowTest;

// The window's widgets as the design draws them: each caption where it belongs, nothing
// overlapping but a frame and what lies in it, drawn in front of it; the value boxes in one
// column, each beside its label; the log at the right, as tall as the column beside it. And so
// it stays however the window is resized. The window first shows centred on the screen.
TEST_F(Layout, EveryWidgetIsWhereTheDesignPutsIt)
{
    EXPECT_EQ(window->objectName(), "Form1");
    EXPECT_EQ(window->windowTitle(), "KV27 Exerciser");
    EXPECT_EQ(window->size(), QSize(twipsToPixels(10110), twipsToPixels(7335)));
    // Give or take the window system's frame, unknown before the show.
    const QRect available = window->screen()->availableGeometry();
    const QSize border = window->frameGeometry().size() - window->size();
    if (available.contains(window->frameGeometry())) {
        EXPECT_LE((window->geometry().center() - available.center()).manhattanLength(),
                  border.width() + border.height() + 2);
    }

    std::map<QString, QRect> first;
    for (const WidgetRow &row : widgetTable())
        first[row.name] = inWindow(widget(row.name));
    const auto at = [&](const char *name) {
        const auto found = first.find(QString::fromUtf8(name));
        EXPECT_NE(found, first.end()) << name;
        return found == first.end() ? QRect() : found->second;
    };

    for (const WidgetRow &row : widgetTable()) {
        SCOPED_TRACE(row.name);
        const QWidget *placed = widget(row.name);
        EXPECT_EQ(captionOf(placed), QString::fromUtf8(row.caption));
        EXPECT_EQ(placed->accessibleName(), QString::fromUtf8(row.accessibleName));
        EXPECT_TRUE(window->rect().contains(at(row.name)));
    }

    const QObjectList &stack = window->children(); // back to front
    for (const auto &[frame, members] : frames) {
        for (const char *member : members) {
            EXPECT_TRUE(at(frame).contains(at(member))) << member << " in " << frame;
            if (std::string_view(member) == "Label9") {
                EXPECT_EQ(widget(member)->parentWidget(), widget(frame));
            } else {
                EXPECT_LT(stack.indexOf(widget(frame)), stack.indexOf(widget(member))) << member;
            }
        }
    }
    const auto children = window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (const QWidget *a : children)
        for (const QWidget *b : children) {
            const bool frame =
                qobject_cast<const QGroupBox *>(a) || qobject_cast<const QGroupBox *>(b);
            if (a != b && !frame && a->isVisible() && b->isVisible()) {
                EXPECT_FALSE(inWindow(a).intersects(inWindow(b)))
                    << a->objectName().toStdString() << " overlaps "
                    << b->objectName().toStdString();
            }
        }

    // The column: boxes of one size at even steps, each label right-aligned at the left of its
    // box, at the same height in it; the button and the frames below end where the boxes end.
    const int step = at("Text2").top() - at("Text1").top();
    for (int row = 1; row <= 7; ++row) {
        const QRect box = at(qPrintable(QStringLiteral("Text%1").arg(row)));
        const QRect label = at(qPrintable(QStringLiteral("Label%1").arg(row)));
        EXPECT_EQ(box.size(), at("Text1").size()) << row;
        EXPECT_EQ(box.topLeft(), at("Text1").topLeft() + QPoint(0, (row - 1) * step)) << row;
        EXPECT_LT(label.right(), box.left()) << row;
        EXPECT_EQ(label.right(), at("Label1").right()) << row;
        EXPECT_EQ(label.top() - box.top(), at("Label1").top() - at("Text1").top()) << row;
        EXPECT_LE(label.bottom(), box.bottom()) << row;
    }
    for (const char *below : {"Command3", "Frame1", "Frame2"})
        EXPECT_EQ(at(below).right(), at("Text1").right()) << below;
    EXPECT_GT(at("Text8").left(), at("Text1").right());
    EXPECT_EQ(at("Text8").top(), at("Text1").top());
    EXPECT_EQ(at("Text8").bottom(), at("Frame2").bottom());
    EXPECT_LE(std::abs(at("Title").center().x() - window->rect().center().x()), 1);

    for (const QSize size : {QSize(1000, 800), QSize(200, 150)}) {
        window->resize(size);
        QApplication::processEvents();
        for (const WidgetRow &row : widgetTable())
            EXPECT_EQ(inWindow(widget(row.name)), at(row.name)) << row.name;
    }
    // Both bars, even with nothing to scroll.
    EXPECT_TRUE(log()->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(log()->verticalScrollBar()->isVisible());
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
