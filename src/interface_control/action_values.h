#pragma once

#include "control_contract.h"
#include "event_value.h"

#include <array>
#include <cstddef>

// The seven values of one reported action, in the order the control delivers them. Named as the
// control names them, and reached by position where every value is treated alike.
struct ActionValues {
    EventValue bszAction{};
    EventValue bszParm1{};
    EventValue bszParm2{};
    EventValue bszParm3{};
    EventValue bszParm4{};
    EventValue bszParm5{};
    EventValue reserved{};

    // The action and parameters 1 to 5: what the window shows; the reserved value it does not.
    static constexpr std::size_t shownCount = 6;
    static constexpr std::size_t size() { return ControlContract::actionValueCount; }

    EventValue &operator[](std::size_t position) { return this->*byPosition[position]; }
    const EventValue &operator[](std::size_t position) const { return this->*byPosition[position]; }

    bool operator==(const ActionValues &other) const = default;

private:
    static constexpr std::array<EventValue ActionValues::*, ControlContract::actionValueCount>
        byPosition{&ActionValues::bszAction, &ActionValues::bszParm1, &ActionValues::bszParm2,
                   &ActionValues::bszParm3,  &ActionValues::bszParm4, &ActionValues::bszParm5,
                   &ActionValues::reserved};
};
