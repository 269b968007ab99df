#include "app_icon.h"
#include "window_test_fixture.h"

#include <QImage>

namespace {

class ApplicationIcon : public testing::TestWithParam<int> {};

// The tile has rounded corners, a blue border and a white house in its middle: a blank or
// missing picture draws none of them.
TEST_P(ApplicationIcon, IsDrawnAtEverySizeADesktopShows)
{
    const int size = GetParam();
    const QImage image = applicationIcon().pixmap(size).toImage();
    ASSERT_EQ(image.size(), QSize(size, size));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(size - 1, size - 1)), 0);
    EXPECT_EQ(image.pixelColor(size / 2, size * 3 / 10), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(size / 6, size * 2 / 3), QColor(0x1f, 0x5f, 0x8b));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ApplicationIcon, testing::Values(16, 22, 24, 32, 48, 64, 128, 256));

TEST_F(WindowTest, CarriesTheApplicationIcon)
{
    const QIcon icon = window->windowIcon();
    EXPECT_EQ(icon.availableSizes(), applicationIcon().availableSizes());
    EXPECT_EQ(icon.pixmap(32).toImage(), applicationIcon().pixmap(32).toImage());
}

} // namespace
