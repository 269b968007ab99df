#include "simulated_device.h"

#include "control_contract.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace {

const QString plcVerb = QString::fromLatin1(ControlContract::powerlineVerb);
const QString rfVerb = QString::fromLatin1(ControlContract::radioVerb);
constexpr double fullBrightness = 100;

QString quoted(const QString &word)
{
    return u'"' + word + u'"';
}

std::optional<SimulatedDevice::Function> functionNamed(const QString &word)
{
    const QString name = word.toLower();
    if (name == u"on")
        return SimulatedDevice::Function::On;
    if (name == u"off")
        return SimulatedDevice::Function::Off;
    if (name == u"dim")
        return SimulatedDevice::Function::Dim;
    if (name == u"bright")
        return SimulatedDevice::Function::Bright;
    return std::nullopt;
}

QString functionName(SimulatedDevice::Function function)
{
    switch (function) {
    case SimulatedDevice::Function::On:
        return QStringLiteral("on");
    case SimulatedDevice::Function::Off:
        return QStringLiteral("off");
    case SimulatedDevice::Function::Dim:
        return QStringLiteral("dim");
    case SimulatedDevice::Function::Bright:
        return QStringLiteral("bright");
    }
    return {};
}

bool takesAmount(SimulatedDevice::Function function)
{
    return function == SimulatedDevice::Function::Dim ||
           function == SimulatedDevice::Function::Bright;
}

std::variant<std::pair<int, int>, QString> parseAddress(const QString &word)
{
    static const QRegularExpression shape(QStringLiteral("^([A-Za-z])([0-9]{1,9})$"));
    const auto match = shape.match(word);
    if (!match.hasMatch())
        return quoted(word) + QStringLiteral(" is not an address: an address is a house code "
                                             "A to P followed by a unit 1 to %1, such as A1.")
                                  .arg(SimulatedDevice::units);
    const int houseCode = match.captured(1).toUpper().at(0).unicode() - u'A';
    if (houseCode >= SimulatedDevice::houseCodes)
        return quoted(word) + QStringLiteral(" is not an address: house codes run from A to P.");
    const int unit = match.captured(2).toInt();
    if (unit < 1 || unit > SimulatedDevice::units)
        return quoted(word) + QStringLiteral(" is not an address: units run from 1 to %1.")
                                  .arg(SimulatedDevice::units);
    return std::pair{houseCode, unit};
}

std::variant<double, QString> parseAmount(const QString &word)
{
    static const QRegularExpression shape(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    const QString range = QStringLiteral("amounts run from 0 to 100, with a full stop before any "
                                         "fraction, such as 37.5.");
    if (!shape.match(word).hasMatch())
        return quoted(word) + QStringLiteral(" is not an amount: ") + range;
    const double amount = word.toDouble();
    if (amount > fullBrightness)
        return quoted(word) + QStringLiteral(" is too large: ") + range;
    return amount;
}

} // namespace

std::variant<SimulatedDevice::Command, QString> SimulatedDevice::parse(const QString &text)
{
    const QStringList words = text.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QStringLiteral("The command is empty: type an address such as A1, then on, off, "
                              "dim or bright.");

    Command command;
    const auto address = parseAddress(words[0]);
    if (const auto *error = std::get_if<QString>(&address))
        return *error;
    std::tie(command.houseCode, command.unit) = std::get<std::pair<int, int>>(address);

    if (words.size() < 2)
        return QStringLiteral("The command has no function: after the address comes on, off, dim "
                              "or bright.");
    const auto function = functionNamed(words[1]);
    if (!function)
        return quoted(words[1]) + QStringLiteral(" is not a function: use on, off, dim or bright.");
    command.function = *function;

    if (takesAmount(command.function)) {
        if (words.size() < 3)
            return functionName(command.function) +
                   QStringLiteral(" needs an amount from 0 to 100, such as ") + words[0] + u' ' +
                   functionName(command.function) + QStringLiteral(" 20.");
        const auto amount = parseAmount(words[2]);
        if (const auto *error = std::get_if<QString>(&amount))
            return *error;
        command.amount = std::get<double>(amount);
    }

    const qsizetype used = command.amount ? 3 : 2;
    if (words.size() > used)
        return QStringLiteral("Unexpected ") + quoted(words.mid(used).join(u' ')) +
               QStringLiteral(" after the command: ") +
               (command.amount
                    ? QStringLiteral("only one amount is taken.")
                    : functionName(command.function) + QStringLiteral(" takes no amount."));
    return command;
}

std::variant<ActionValues, QString> SimulatedDevice::execute(const QString &verb,
                                                             const QString &text)
{
    if (verb != plcVerb && verb != rfVerb)
        return QStringLiteral("Unknown verb ") + quoted(verb) + QStringLiteral(": use ") +
               quoted(plcVerb) + QStringLiteral(" for the powerline or ") + quoted(rfVerb) +
               QStringLiteral(" for radio.");

    const auto parsed = parse(text);
    if (const auto *error = std::get_if<QString>(&parsed))
        return *error;
    const Command &command = std::get<Command>(parsed);

    double &level = m_brightness[command.houseCode * units + command.unit - 1];
    const double before = level;
    switch (command.function) {
    case Function::On:
        level = fullBrightness;
        break;
    case Function::Off:
        level = 0;
        break;
    case Function::Dim:
        level = std::max(0.0, level - *command.amount);
        break;
    case Function::Bright:
        level = std::min(fullBrightness, level + *command.amount);
        break;
    }

    ActionValues report;
    report.bszAction = EventValue::text(verb);
    report.bszParm1 =
        EventValue::text(QChar(u'A' + command.houseCode) + QString::number(command.unit));
    report.bszParm2 = EventValue::text(functionName(command.function));
    if (command.amount)
        report.bszParm3 = EventValue::fraction(*command.amount);
    report.bszParm4 = EventValue::fraction(level);
    report.bszParm5 = EventValue::fraction(level - before);
    return report;
}

double SimulatedDevice::brightness(int houseCode, int unit) const
{
    return m_brightness[houseCode * units + unit - 1];
}
