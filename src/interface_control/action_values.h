#pragma once

#include "event_value.h"

// The seven values of one reported action, in the order the control delivers them.
struct ActionValues {
    EventValue bszAction{};
    EventValue bszParm1{};
    EventValue bszParm2{};
    EventValue bszParm3{};
    EventValue bszParm4{};
    EventValue bszParm5{};
    EventValue reserved{};

    bool operator==(const ActionValues &other) const = default;
};
