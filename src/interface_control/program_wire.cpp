#include "program_wire.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <cmath>
#include <limits>
#include <optional>

namespace ProgramWire {

namespace {

using Parsed = std::variant<Message, Malformed>;
using namespace ControlWire;

constexpr auto actionValues = qsizetype(ActionValues::size());

QLatin1StringView word(const char *word)
{
    return QLatin1StringView(word);
}

Malformed malformed(const QString &what)
{
    return {what};
}

QJsonObject textObject(const QString &text)
{
    if (text.isValidUtf16())
        return {{word(Field::text), text}};
    QJsonArray units;
    for (QChar unit : text)
        units.append(unit.unicode());
    return {{word(Field::utf16), units}};
}

std::variant<QString, Malformed> readText(const QJsonValue &value, const QString &where)
{
    const QJsonObject object = value.toObject();
    if (!value.isObject())
        return malformed(QStringLiteral("%1 is not a text object").arg(where));
    if (const QJsonValue text = object.value(word(Field::text)); !text.isUndefined()) {
        if (!text.isString())
            return malformed(QStringLiteral("the text of %1 is not a string").arg(where));
        return text.toString();
    }
    const QJsonValue units = object.value(word(Field::utf16));
    if (!units.isArray())
        return malformed(QStringLiteral("%1 holds neither \"text\" nor \"utf16\"").arg(where));
    QString text;
    for (const QJsonValue unit : units.toArray()) {
        const qint64 code = unit.toInteger(-1);
        if (code < 0 || code > 0xFFFF)
            return malformed(QStringLiteral("%1 holds a UTF-16 code unit out of range").arg(where));
        text.append(QChar(char16_t(code)));
    }
    return text;
}

std::optional<double> nonFinite(const QString &name)
{
    if (name == word(NonFinite::notANumber))
        return std::numeric_limits<double>::quiet_NaN();
    if (name == word(NonFinite::infinity))
        return std::numeric_limits<double>::infinity();
    if (name == word(NonFinite::negativeInfinity))
        return -std::numeric_limits<double>::infinity();
    return std::nullopt;
}

std::variant<EventValue, Malformed> readNumber(const QJsonObject &value, const QString &where)
{
    if (const QJsonValue whole = value.value(word(Field::whole)); !whole.isUndefined()) {
        // Two different fallbacks tell a true whole number from one that is not.
        const qint64 number = whole.toInteger(0);
        if (!whole.isDouble() || number != whole.toInteger(1))
            return malformed(QStringLiteral("%1 is not a 64-bit whole number").arg(where));
        return EventValue::whole(number);
    }
    if (const QJsonValue decimal = value.value(word(Field::decimal)); !decimal.isUndefined()) {
        // As the host writes them: no exponent, no superfluous zeros, no negative zero.
        static const QRegularExpression digits(
            QStringLiteral("^-?(0|[1-9][0-9]*)(\\.[0-9]*[1-9])?$"));
        const QString text = decimal.toString();
        if (!decimal.isString() || text.size() > qsizetype(maxDecimalLength) ||
            !digits.match(text).hasMatch() || text == u"-0")
            return malformed(QStringLiteral("%1 is not a decimal number").arg(where));
        return EventValue::decimal(text);
    }
    const QJsonValue fraction = value.value(word(Field::fraction));
    if (fraction.isDouble())
        return EventValue::fraction(fraction.toDouble());
    if (const auto special = nonFinite(fraction.toString()); fraction.isString() && special)
        return EventValue::fraction(*special);
    return malformed(QStringLiteral("%1 has no \"whole\", \"fraction\" or \"decimal\"").arg(where));
}

std::variant<EventValue, Malformed> readValue(const QJsonValue &value, int index)
{
    const QString where = QStringLiteral("value %1 of the action").arg(index + 1);
    if (!value.isObject())
        return malformed(QStringLiteral("%1 is not an object").arg(where));
    const QJsonObject object = value.toObject();
    const QString kind = object.value(word(Field::kind)).toString();
    if (kind == word(Kind::empty))
        return EventValue();
    if (kind == word(Kind::null))
        return EventValue::null();
    if (kind == word(Kind::text)) {
        auto text = readText(value, where);
        if (auto *problem = std::get_if<Malformed>(&text))
            return *problem;
        return EventValue::text(std::get<QString>(text));
    }
    if (kind == word(Kind::number))
        return readNumber(object, where);
    return malformed(QStringLiteral("%1 is of no known kind").arg(where));
}

Parsed readAction(const QJsonObject &message)
{
    const QJsonValue values = message.value(word(Field::values));
    if (!values.isArray() || values.toArray().size() != actionValues)
        return malformed(QStringLiteral("an action does not have seven values"));
    const QJsonArray array = values.toArray();
    ActionValues action;
    for (int i = 0; i < actionValues; ++i) {
        auto value = readValue(array.at(i), i);
        if (auto *problem = std::get_if<Malformed>(&value))
            return *problem;
        action[i] = std::get<EventValue>(std::move(value));
    }
    return Message(Action{std::move(action)});
}

// "Description (HRESULT 0x80020009)"
std::variant<QString, Malformed> readFailure(const QJsonObject &message)
{
    const QJsonValue code = message.value(word(Field::hresult));
    static const QRegularExpression hexCode(QStringLiteral("^0x[0-9A-Fa-f]{8}$"));
    if (!code.isString() || !hexCode.match(code.toString()).hasMatch())
        return malformed(QStringLiteral("a failure has no HRESULT in hex"));
    auto description =
        readText(message.value(word(Field::description)), QStringLiteral("its description"));
    if (auto *problem = std::get_if<Malformed>(&description))
        return *problem;
    return QStringLiteral("%1 (HRESULT %2)")
        .arg(std::get<QString>(description).trimmed(), code.toString());
}

} // namespace

std::variant<Message, Malformed> parseLine(QByteArrayView line)
{
    if (line.size() > qsizetype(maxLineLength))
        return malformed(QStringLiteral("a line is longer than %1 bytes").arg(maxLineLength));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError)
        return malformed(QStringLiteral("a line is not JSON (%1 at byte %2)")
                             .arg(error.errorString())
                             .arg(error.offset));
    if (!document.isObject())
        return malformed(QStringLiteral("a line is not a JSON object"));
    const QJsonObject message = document.object();
    const QString type = message.value(word(Field::type)).toString();
    if (type == word(Type::ready))
        return Message(Ready{});
    if (type == word(Type::done))
        return Message(Done{});
    if (type == word(Type::action))
        return readAction(message);
    if (type == word(Type::window) || type == word(Type::modeless)) {
        const bool window = type == word(Type::window);
        const QJsonValue state = message.value(word(window ? Field::open : Field::enabled));
        if (!state.isBool())
            return malformed(QStringLiteral("a %1 message has no true or false").arg(type));
        return window ? Message(ControlWindow{state.toBool()}) : Message(Modeless{state.toBool()});
    }
    if (type == word(Type::failed) || type == word(Type::unavailable)) {
        auto reason = readFailure(message);
        if (auto *problem = std::get_if<Malformed>(&reason))
            return *problem;
        if (type == word(Type::failed))
            return Message(Failed{std::get<QString>(reason)});
        return Message(Unavailable{std::get<QString>(reason)});
    }
    return malformed(QStringLiteral("a message is of no known type"));
}

QByteArray commandLine(const QString &verb, const QString &text)
{
    const QJsonObject command{{word(Field::verb), textObject(verb)},
                              {word(Field::command), textObject(text)}};
    return QJsonDocument(command).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace ProgramWire
