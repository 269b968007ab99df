#pragma once

#include <span>

enum class WidgetKind { Label, Box, LogBox, Button, Frame };

enum class WidgetStyle { Plain, RightAligned, Title };

// What the window does with a widget beyond showing it: the value boxes in the control's order,
// the buttons that send and their source boxes as command_buttons.h pairs them.
enum class WidgetRole {
    None,
    Value,
    Log,
    HouseCode,
    CommandLine,
    On,
    Off,
    SendPL,
    SendRF,
    Clear,
    Title
};

// One widget of the window, its place and size in twips relative to its parent.
struct WidgetRow {
    const char *name;
    WidgetKind kind;
    WidgetRole role;
    const char *caption; // or initial text
    int left;
    int top;
    int width;
    int height;
    int tabIndex;
    WidgetStyle style = WidgetStyle::Plain;
    const char *parent = nullptr; // a frame's name, or the window
    const char *accessibleName = nullptr;
};

// Client area of the window, in twips.
constexpr int windowWidthTwips = 10110;
constexpr int windowHeightTwips = 7335;

// Every widget of the window in creation order: a frame comes before the widgets drawn in
// front of it.
std::span<const WidgetRow> widgetTable();
