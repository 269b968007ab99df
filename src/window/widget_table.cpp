#include "widget_table.h"

#include <array>

namespace {

using K = WidgetKind;
using S = WidgetStyle;
using R = WidgetRole;

// clang-format off
constexpr std::array rows{
    //       name           kind       role            caption                                          left   top    width  height tab style
    WidgetRow{"Title",       K::Label,  R::Title,       "Brisola KV27 Command Viewer/Exerciser ver 2.0", 1560,  120,  6975,  375,  21, S::Title},
    WidgetRow{"Label1",      K::Label,  R::None,        "Action",                                         240,  720,  1575,  255,  11, S::RightAligned},
    WidgetRow{"Label2",      K::Label,  R::None,        "Parameter 1",                                    240, 1200,  1575,  255,  12, S::RightAligned},
    WidgetRow{"Label3",      K::Label,  R::None,        "Parameter 2",                                    120, 1680,  1695,  255,  13, S::RightAligned},
    WidgetRow{"Label4",      K::Label,  R::None,        "Parameter 3",                                    120, 2160,  1695,  255,  14, S::RightAligned},
    WidgetRow{"Label5",      K::Label,  R::None,        "Parameter 4",                                    120, 2640,  1695,  255,  15, S::RightAligned},
    WidgetRow{"Label6",      K::Label,  R::None,        "Parameter 5",                                    120, 3120,  1695,  255,  16, S::RightAligned},
    WidgetRow{"Label7",      K::Label,  R::None,        "Reserved",                                       120, 3600,  1695,  255,  17, S::RightAligned},
    WidgetRow{"Text1",       K::Box,    R::Value,       "",                                              1920,  600,  1935,  375,   1, S::Plain, nullptr, "Action"},
    WidgetRow{"Text2",       K::Box,    R::Value,       "",                                              1920, 1080,  1935,  375,   2, S::Plain, nullptr, "Parameter 1"},
    WidgetRow{"Text3",       K::Box,    R::Value,       "",                                              1920, 1560,  1935,  375,   3, S::Plain, nullptr, "Parameter 2"},
    WidgetRow{"Text4",       K::Box,    R::Value,       "",                                              1920, 2040,  1935,  375,   4, S::Plain, nullptr, "Parameter 3"},
    WidgetRow{"Text5",       K::Box,    R::Value,       "",                                              1920, 2520,  1935,  375,   5, S::Plain, nullptr, "Parameter 4"},
    WidgetRow{"Text6",       K::Box,    R::Value,       "",                                              1920, 3000,  1935,  375,   6, S::Plain, nullptr, "Parameter 5"},
    WidgetRow{"Text7",       K::Box,    R::None,        "",                                              1920, 3480,  1935,  375,   7, S::Plain, nullptr, "Reserved"},
    WidgetRow{"Command3",    K::Button, R::Clear,       "Clear Log Display",                             2160, 4080,  1695,  375,  22},
    WidgetRow{"Frame1",      K::Frame,  R::None,        "Send Simple PL Command",                         120, 4680,  3735, 1095,  19},
    WidgetRow{"Label9",      K::Label,  R::None,        "House Code / Unit ",                             120,  240,  1575,  255,  20, S::Plain, "Frame1"},
    WidgetRow{"Text9",       K::Box,    R::HouseCode,   "A1",                                             600, 5160,   615,  345,  18, S::Plain, nullptr, "House Code / Unit"},
    WidgetRow{"Command1",    K::Button, R::On,          "On",                                            1680, 5160,   735,  375,   8},
    WidgetRow{"Command2",    K::Button, R::Off,         "Off",                                           2760, 5160,   735,  375,   9},
    WidgetRow{"Frame2",      K::Frame,  R::None,        "Free Form Command Line",                         120, 5880,  3735, 1335,  26},
    WidgetRow{"CommandLine", K::Box,    R::CommandLine, "",                                               240, 6240,  3495,  375,  23, S::Plain, nullptr, "Free Form Command Line"},
    WidgetRow{"SendPL",      K::Button, R::SendPL,      "Send PL",                                        960, 6720,   855,  375,  24},
    WidgetRow{"SendRF",      K::Button, R::SendRF,      "Send RF",                                       2160, 6720,   855,  375,  25},
    WidgetRow{"Text8",       K::LogBox, R::Log,         "",                                              4080,  600,  6015, 6615,  10, S::Plain, nullptr, "Log"},
};
// clang-format on

} // namespace

std::span<const WidgetRow> widgetTable()
{
    return rows;
}
