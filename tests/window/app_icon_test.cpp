#include "app_icon.h"
#include "qt_printers.h"

#include <QIcon>
#include <QImage>
#include <gtest/gtest.h>

namespace {

// The tile has rounded corners, a blue border and a white house in its middle: a blank or
// missing picture draws none of them.
TEST(ApplicationIcon, IsDrawnAtEverySizeADesktopShows)
{
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage image = applicationIcon().pixmap(size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(image.pixel(size - 1, size - 1)), 0) << size;
        EXPECT_EQ(image.pixelColor(size / 2, size * 3 / 10), QColor(Qt::white)) << size;
        EXPECT_EQ(image.pixelColor(size / 6, size * 2 / 3), QColor(0x1f, 0x5f, 0x8b)) << size;
    }
}

} // namespace
