#include "qt_printers.h"
#include "simulated_device.h"

#include <gtest/gtest.h>

namespace {

// Nothing is reported for a refused command, and no module changes.
TEST(SimulatedDevice, RefusesWithAMessageThatNamesTheFault)
{
    const std::tuple<const char *, const char *, const char *> refused[] = {
        {"sendplc", "   ", "empty"},
        {"sendplc", "Q1 on", "house codes run from A to P"},
        {"sendrf", "A17 on", "units run from 1 to 16"},
        {"sendplc", "A0 on", "units run from 1 to 16"},
        {"sendplc", "1A on", "\"1A\" is not an address"},
        {"sendplc", "A1", "no function"},
        {"sendplc", "A1 blink", "\"blink\" is not a function"},
        {"sendplc", "A1 dim", "dim needs an amount"},
        {"sendplc", "A1 bright 100.5", "\"100.5\" is too large"},
        {"sendplc", "A1 dim -5", "\"-5\" is not an amount"},
        {"sendplc", "A1 on 5", "on takes no amount"},
        {"sendplc", "A1 bright 5 6", "only one amount"},
        {"sendx", "A1 on", "use \"sendplc\" for the powerline or \"sendrf\" for radio"},
        {"SENDPLC", "A1 on", "Unknown verb \"SENDPLC\""},
    };
    SimulatedDevice device;
    for (const auto &[verb, text, fault] : refused) {
        const auto outcome = device.execute(verb, QString::fromUtf8(text));
        const auto *message = std::get_if<QString>(&outcome);
        ASSERT_NE(message, nullptr) << verb << " " << text;
        EXPECT_TRUE(message->contains(QString::fromUtf8(fault))) << message->toStdString();
    }
    EXPECT_EQ(device.brightness(0, 1), 0);
}

// Every module starts dark; on and off set it, dim and bright move it within 0 to 100. The
// words come in any case, with any blanks around and between them.
TEST(SimulatedDevice, ReportsEachCommandAndTheModulesBrightness)
{
    SimulatedDevice device;
    const ActionValues on{EventValue::text("sendrf"), EventValue::text("B2"),
                          EventValue::text("on"),     EventValue(),
                          EventValue::fraction(100),  EventValue::fraction(100)};
    EXPECT_EQ(device.execute("sendrf", "b2 ON"), (std::variant<ActionValues, QString>(on)));
    const struct {
        const char *text;
        std::optional<double> amount;
        double brightness;
        double change;
    } steps[] = {
        {"b2\tDim 37.5", 37.5, 62.5, -37.5},
        {"  B2   bright 60  ", 60, 100, 37.5},
        {"B02 dim 100", 100, 0, -100},
        {"B2 dim 10", 10, 0, 0},
        {"B2 dim 0", 0, 0, 0},
        {"B2 off", std::nullopt, 0, 0},
    };
    for (const auto &[text, amount, brightness, change] : steps) {
        const auto outcome = device.execute("sendplc", text);
        ASSERT_TRUE(std::holds_alternative<ActionValues>(outcome)) << text;
        const ActionValues &report = std::get<ActionValues>(outcome);
        EXPECT_EQ(report.bszParm3, amount ? EventValue::fraction(*amount) : EventValue()) << text;
        EXPECT_EQ(report.bszParm4, EventValue::fraction(brightness)) << text;
        EXPECT_EQ(report.bszParm5, EventValue::fraction(change)) << text;
    }
    device.execute("sendplc", "p16 on");
    EXPECT_EQ(device.brightness(15, 16), 100);
    EXPECT_EQ(device.brightness(15, 15), 0);
    EXPECT_EQ(device.brightness(14, 16), 0);
}

} // namespace
