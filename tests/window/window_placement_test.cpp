#include "qt_printers.h"
#include "window_placement.h"

#include <gtest/gtest.h>

namespace {

struct Placement {
    const char *name;
    QSize window;
    QRect available;
    QPoint expected;
};

void PrintTo(const Placement &placement, std::ostream *os)
{
    *os << placement.name;
}

const Placement placements[] = {
    {"CentredOnASmallScreen", {674, 489}, {0, 0, 800, 600}, {63, 56}},
    {"CentredBelowATopPanel", {674, 489}, {0, 32, 1920, 1048}, {623, 312}},
    {"CentredOnASecondScreen", {674, 489}, {1920, 0, 1280, 1024}, {2223, 268}},
    {"AtTheLeftOfANarrowScreen", {674, 489}, {100, 0, 600, 1000}, {100, 256}},
    {"AtTheTopOfAShallowScreen", {674, 489}, {0, 40, 1000, 400}, {163, 40}},
    {"AtTheTopLeftOfATinyScreen", {1348, 978}, {10, 20, 400, 300}, {10, 20}},
};

class WindowPlacement : public testing::TestWithParam<Placement> {};

TEST_P(WindowPlacement, KeepsTheTitleBarWithinReach)
{
    EXPECT_EQ(centredPosition(GetParam().window, GetParam().available), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(FirstShow, WindowPlacement, testing::ValuesIn(placements),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
