#pragma once

#include "action_values.h"

#include <QString>
#include <array>
#include <optional>
#include <variant>

// A powerline and radio interface with lamp modules behind it, for trying the tool without
// hardware. It understands "<address> <function> [<amount>]", for example "A1 on" or
// "p16 dim 37.5", and answers each command with the action the real device would report.
class SimulatedDevice {
public:
    enum class Function { On, Off, Dim, Bright };

    struct Command {
        int houseCode = 0; // 0 for A
        int unit = 1;
        Function function = Function::On;
        std::optional<double> amount; // dim and bright only, 0 to 100
    };

    // Gives the command, or a message that names what is wrong with the text.
    static std::variant<Command, QString> parse(const QString &text);

    // Carries out one command and gives the action it reports, or why it was refused. A refused
    // command changes nothing.
    std::variant<ActionValues, QString> execute(const QString &verb, const QString &text);

    double brightness(int houseCode, int unit) const;

    static constexpr int houseCodes = 16; // A to P
    static constexpr int units = 16;

private:
    std::array<double, houseCodes * units> m_brightness{};
};
