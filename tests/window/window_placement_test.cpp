#include "qt_printers.h"
#include "window_placement.h"

#include <gtest/gtest.h>

namespace {

// Centred as Qt's styles align a rectangle, then kept within the screen's available area.
TEST(WindowPlacement, KeepsTheTitleBarWithinReach)
{
    const struct {
        const char *name;
        QSize window;
        QRect available;
        QPoint expected;
    } placements[] = {
        {"CentredBelowATopPanel", {674, 489}, {0, 32, 1920, 1048}, {623, 312}},
        {"AtTheLeftOfANarrowScreen", {674, 489}, {100, 0, 600, 1000}, {100, 256}},
        {"AtTheTopOfAShallowScreen", {674, 489}, {0, 40, 1000, 400}, {163, 40}},
        {"AtTheTopLeftOfATinyScreen", {1348, 978}, {10, 20, 400, 300}, {10, 20}},
    };
    for (const auto &[name, window, available, expected] : placements)
        EXPECT_EQ(centredPosition(window, available), expected) << name;
}

} // namespace
