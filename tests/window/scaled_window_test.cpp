#include "caption_fit.h"
#include "window_test_fixture.h"

#include <QScreen>
#include <QStyle>

namespace {

double scaleFactor()
{
    return qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
}

// The layout is in device-independent pixels: on the screen each is factor pixels wide and high.
TEST_F(WindowTest, DrawsAtTheScreensScaleFactor)
{
    const double factor = scaleFactor();
    EXPECT_DOUBLE_EQ(window->devicePixelRatioF(), factor);
    for (QWidget *drawn : window->findChildren<QWidget *>()) {
        const QPixmap pixmap = drawn->grab();
        EXPECT_EQ(pixmap.size(), (QSizeF(drawn->size()) * factor).toSize())
            << drawn->objectName().toStdString();
    }
    EXPECT_EQ(window->grab().size(), (QSizeF(674, 489) * factor).toSize());
}

// Whatever a box holds is drawn in it from the first character to the last, neither cut at a
// side nor above or below: the text cursor, a line high, stays inside the box's frame at either
// end of the text.
bool cursorInside(const QRect &cursor, const QRect &inside)
{
    return cursor.top() >= inside.top() && cursor.bottom() <= inside.bottom() &&
           cursor.center().x() >= inside.left() && cursor.center().x() <= inside.right();
}

TEST_F(WindowTest, EveryBoxShowsItsTextWhole)
{
    for (QLineEdit *box : window->findChildren<QLineEdit *>()) {
        const std::string name = box->objectName().toStdString();
        const int frame = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box);
        const QRect inside = box->rect().adjusted(frame, frame, -frame, -frame);
        box->selectAll();
        for (const auto end : {Qt::ImAnchorRectangle, Qt::ImCursorRectangle}) {
            const QRect cursor = box->inputMethodQuery(end).toRect();
            EXPECT_PRED2(cursorInside, cursor, inside) << name;
        }
        EXPECT_TRUE(captionFits(box)) << name;
    }
}

// Centred on its screen, or against the top or left of a screen too small for it. The window
// system's frame, unknown before the first show, may shift it by its own width and height.
TEST_F(WindowTest, FirstShowsCentredOnItsScreen)
{
    const QRect available = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    const QSize border = frame.size() - window->size();
    if (frame.width() <= available.width())
        EXPECT_NEAR(frame.left() - available.left(), available.right() - frame.right(),
                    border.width() + 1);
    else
        EXPECT_EQ(frame.left(), available.left());
    if (frame.height() <= available.height())
        EXPECT_NEAR(frame.top() - available.top(), available.bottom() - frame.bottom(),
                    border.height() + 1);
    else
        EXPECT_EQ(frame.top(), available.top());
}

} // namespace
