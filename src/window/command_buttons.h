#pragma once

#include "control_contract.h"
#include "widget_table.h"

#include <array>

// A button that hands a command to the interface control: it sends the text of its source box
// exactly as the box holds it, since the user may mean every blank and the device is the judge
// of what is valid, followed by the suffix, with the verb.
struct CommandButton {
    WidgetRole button;
    WidgetRole source;
    const char *verb;
    const char *suffix;
};

inline constexpr std::array commandButtons{
    CommandButton{WidgetRole::On, WidgetRole::HouseCode, ControlContract::powerlineVerb, " on"},
    CommandButton{WidgetRole::Off, WidgetRole::HouseCode, ControlContract::powerlineVerb, " off"},
    CommandButton{WidgetRole::SendPL, WidgetRole::CommandLine, ControlContract::powerlineVerb, ""},
    CommandButton{WidgetRole::SendRF, WidgetRole::CommandLine, ControlContract::radioVerb, ""},
};
