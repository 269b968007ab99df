#include "qt_printers.h"
#include "simulated_device.h"

#include <gtest/gtest.h>

namespace {

using Function = SimulatedDevice::Function;

struct Accepted {
    const char *text;
    int houseCode;
    int unit;
    Function function;
    std::optional<double> amount;
};

void PrintTo(const Accepted &accepted, std::ostream *os)
{
    *os << '"' << accepted.text << '"';
}

class SimulatedDeviceAccepts : public testing::TestWithParam<Accepted> {};

TEST_P(SimulatedDeviceAccepts, ParsesTheCommand)
{
    const auto parsed = SimulatedDevice::parse(QString::fromUtf8(GetParam().text));
    const auto *command = std::get_if<SimulatedDevice::Command>(&parsed);
    ASSERT_NE(command, nullptr) << std::get<QString>(parsed).toStdString();
    EXPECT_EQ(command->houseCode, GetParam().houseCode);
    EXPECT_EQ(command->unit, GetParam().unit);
    EXPECT_EQ(command->function, GetParam().function);
    EXPECT_EQ(command->amount, GetParam().amount);
}

INSTANTIATE_TEST_SUITE_P(Grammar, SimulatedDeviceAccepts,
                         testing::Values(Accepted{"A1 on", 0, 1, Function::On, std::nullopt},
                                         Accepted{"  p16   OFF  ", 15, 16, Function::Off,
                                                  std::nullopt},
                                         Accepted{"b3 Dim 37.5", 1, 3, Function::Dim, 37.5},
                                         Accepted{"C10\tbright 100", 2, 10, Function::Bright, 100},
                                         Accepted{"a1 dim 0", 0, 1, Function::Dim, 0},
                                         Accepted{"A01 on", 0, 1, Function::On, std::nullopt}));

struct Refused {
    const char *text;
    const char *fault; // words the message must hold
};

void PrintTo(const Refused &refused, std::ostream *os)
{
    *os << '"' << refused.text << '"';
}

class SimulatedDeviceRefuses : public testing::TestWithParam<Refused> {};

TEST_P(SimulatedDeviceRefuses, NamesTheFault)
{
    const auto parsed = SimulatedDevice::parse(QString::fromUtf8(GetParam().text));
    const auto *message = std::get_if<QString>(&parsed);
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->contains(QString::fromUtf8(GetParam().fault))) << message->toStdString();
}

INSTANTIATE_TEST_SUITE_P(Grammar, SimulatedDeviceRefuses,
                         testing::Values(Refused{"", "empty"}, Refused{"   ", "empty"},
                                         Refused{"Q1 on", "house codes run from A to P"},
                                         Refused{"A17 on", "units run from 1 to 16"},
                                         Refused{"A0 on", "units run from 1 to 16"},
                                         Refused{"1A on", "\"1A\" is not an address"},
                                         Refused{"A on", "\"A\" is not an address"},
                                         Refused{"A1", "no function"},
                                         Refused{"A1 blink", "\"blink\" is not a function"},
                                         Refused{"A1 dim", "dim needs an amount"},
                                         Refused{"A1 bright 100.5", "\"100.5\" is too large"},
                                         Refused{"A1 dim -5", "\"-5\" is not an amount"},
                                         Refused{"A1 dim 3,5", "\"3,5\" is not an amount"},
                                         Refused{"A1 dim .5", "\".5\" is not an amount"},
                                         Refused{"A1 on 5", "on takes no amount"},
                                         Refused{"A1 dim 5 6", "only one amount"}));

ActionValues executed(SimulatedDevice &device, const QString &verb, const QString &text)
{
    auto outcome = device.execute(verb, text);
    if (const auto *error = std::get_if<QString>(&outcome)) {
        ADD_FAILURE() << error->toStdString();
        return {};
    }
    return std::get<ActionValues>(outcome);
}

TEST(SimulatedDevice, ReportsTheCommandAndTheModulesBrightness)
{
    SimulatedDevice device;
    const ActionValues on = executed(device, "sendplc", "a1 ON");
    EXPECT_EQ(on, (ActionValues{EventValue::text("sendplc"), EventValue::text("A1"),
                                EventValue::text("on"), EventValue(), EventValue::number(100),
                                EventValue::number(100), EventValue()}));

    const ActionValues dim = executed(device, "sendrf", "A1 dim 37.5");
    EXPECT_EQ(dim,
              (ActionValues{EventValue::text("sendrf"), EventValue::text("A1"),
                            EventValue::text("dim"), EventValue::number(37.5),
                            EventValue::number(62.5), EventValue::number(-37.5), EventValue()}));
}

TEST(SimulatedDevice, BrightnessStaysWithinZeroAndOneHundred)
{
    struct Step {
        const char *text;
        double brightness;
        double change;
    };
    SimulatedDevice device;
    for (const Step &step :
         {Step{"B2 dim 10", 0, 0}, Step{"B2 bright 60", 60, 60}, Step{"B2 bright 60", 100, 40},
          Step{"B2 dim 20", 80, -20}, Step{"B2 on", 100, 20}, Step{"B2 off", 0, -100},
          Step{"B2 off", 0, 0}}) {
        const ActionValues report = executed(device, "sendplc", step.text);
        EXPECT_EQ(report.bszParm4, EventValue::number(step.brightness)) << step.text;
        EXPECT_EQ(report.bszParm5, EventValue::number(step.change)) << step.text;
    }
}

TEST(SimulatedDevice, ModulesAreIndependent)
{
    SimulatedDevice device;
    executed(device, "sendplc", "A1 on");
    EXPECT_EQ(device.brightness(0, 1), 100);
    EXPECT_EQ(device.brightness(0, 2), 0);
    EXPECT_EQ(device.brightness(1, 1), 0);
    EXPECT_EQ(device.brightness(15, 16), 0);
}

TEST(SimulatedDevice, RefusesUnknownVerbsAndChangesNothing)
{
    SimulatedDevice device;
    for (const char *verb : {"sendx", "SENDPLC", ""}) {
        const auto outcome = device.execute(QString::fromUtf8(verb), "A1 on");
        const auto *message = std::get_if<QString>(&outcome);
        ASSERT_NE(message, nullptr) << verb;
        EXPECT_TRUE(message->contains("\"sendplc\"")) << message->toStdString();
        EXPECT_TRUE(message->contains("\"sendrf\"")) << message->toStdString();
    }
    EXPECT_TRUE(std::holds_alternative<QString>(device.execute("sendplc", "A1 dim 500")));
    EXPECT_EQ(device.brightness(0, 1), 0);
}

} // namespace
