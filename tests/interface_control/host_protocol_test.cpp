#include "host_protocol.h"
#include "qt_printers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

using namespace HostProtocol;

constexpr qint64 int64Min = std::numeric_limits<qint64>::min();
constexpr qint64 int64Max = std::numeric_limits<qint64>::max();

QString codeUnits(std::initializer_list<char16_t> units)
{
    return QString::fromUtf16(units.begin(), qsizetype(units.size()));
}

QByteArray action(const QByteArray &firstValue)
{
    return R"({"type":"action","values":[)" + firstValue +
           R"(,{"kind":"empty"},{"kind":"empty"},{"kind":"empty"},{"kind":"empty"},)"
           R"({"kind":"empty"},{"kind":"empty"}]})";
}

EventValue firstValue(const QByteArray &line)
{
    const auto parsed = parseLine(line);
    EXPECT_TRUE(std::holds_alternative<Message>(parsed))
        << std::get<Malformed>(parsed).what.toStdString();
    if (!std::holds_alternative<Message>(parsed))
        return {};
    const auto &message = std::get<Message>(parsed);
    EXPECT_TRUE(std::holds_alternative<Action>(message));
    return std::holds_alternative<Action>(message) ? std::get<Action>(message).values.bszAction
                                                   : EventValue();
}

QString malformation(const QByteArray &line)
{
    const auto parsed = parseLine(line);
    return std::holds_alternative<Malformed>(parsed) ? std::get<Malformed>(parsed).what : QString();
}

TEST(HostProtocol, ReadsEveryMessageType)
{
    const std::pair<QByteArray, Message> cases[] = {
        {R"({"type":"ready"})", Ready{}},
        {R"({"type":"done"})", Done{}},
        {R"({"type":"failed","hresult":"0x80040201","description":{"text":"no way "}})",
         Failed{"no way (HRESULT 0x80040201)"}},
        {R"({"description":{"text":"Not installed."},"hresult":"0x800401F3","type":"unavailable"})",
         Unavailable{"Not installed. (HRESULT 0x800401F3)"}},
        {R"( {"type":"ready","later":"fields are ignored"} )", Ready{}},
    };
    for (const auto &[line, expected] : cases) {
        SCOPED_TRACE(line.toStdString());
        EXPECT_EQ(parseLine(line), (std::variant<Message, Malformed>(expected)));
    }
}

TEST(HostProtocol, ReadsAllSevenValuesInOrder)
{
    const QByteArray line =
        R"({"type":"action","values":[{"kind":"text","text":"sendplc"},{"kind":"empty"},)"
        R"({"kind":"null"},{"kind":"number","whole":-5},{"kind":"number","fraction":2.5},)"
        R"({"kind":"text","utf16":[65,66]},{"kind":"text","text":"last"}]})";
    const ActionValues expected{EventValue::text("sendplc"), EventValue(),
                                EventValue::null(),          EventValue::whole(-5),
                                EventValue::number(2.5),     EventValue::text("AB"),
                                EventValue::text("last")};
    EXPECT_EQ(parseLine(line), (std::variant<Message, Malformed>(Message(Action{expected}))));
}

TEST(HostProtocol, KeepsEveryValueExactly)
{
    const std::pair<QByteArray, EventValue> cases[] = {
        {R"({"kind":"number","whole":-9223372036854775808})", EventValue::whole(int64Min)},
        {R"({"kind":"number","whole":9223372036854775807})", EventValue::whole(int64Max)},
        {R"({"kind":"number","whole":0})", EventValue::whole(0)},
        {R"({"kind":"number","fraction":0.30000000000000004})", EventValue::number(0.1 + 0.2)},
        {R"({"kind":"number","fraction":1e+300})", EventValue::number(1e300)},
        {R"({"kind":"number","fraction":"Infinity"})",
         EventValue::number(std::numeric_limits<double>::infinity())},
        {R"({"kind":"number","fraction":"-Infinity"})",
         EventValue::number(-std::numeric_limits<double>::infinity())},
        {R"({"kind":"text","text":"a\u0000b"})", EventValue::text(QString::fromUtf8("a\0b", 3))},
        {R"({"kind":"text","text":"𝄞 Ärger\ttab\r\n"})", EventValue::text("𝄞 Ärger\ttab\r\n")},
        {R"({"kind":"text","text":""})", EventValue::text("")},
        {R"({"kind":"text","utf16":[120,55296,121]})",
         EventValue::text(codeUnits({u'x', 0xD800, u'y'}))},
        {R"({"kind":"text","utf16":[]})", EventValue::text("")},
    };
    for (const auto &[value, expected] : cases) {
        SCOPED_TRACE(value.toStdString());
        EXPECT_EQ(firstValue(action(value)), expected);
    }
    const EventValue nan = firstValue(action(R"({"kind":"number","fraction":"NaN"})"));
    EXPECT_EQ(nan.kind(), EventValue::Kind::Number);
    EXPECT_EQ(nan.signColumnText(), " NaN");
    const EventValue negativeZero = firstValue(action(R"({"kind":"number","fraction":-0.0})"));
    EXPECT_EQ(negativeZero, EventValue::number(0));
}

TEST(HostProtocol, NamesWhatIsWrongWithAMalformedLine)
{
    const std::pair<QByteArray, const char *> cases[] = {
        {"", "not JSON"},
        {"not a message", "not JSON"},
        {"\xff\xfe{}", "not JSON"},
        {R"({"type":"ready")", "not JSON"},
        {R"({"type":"ready"} {"type":"done"})", "not JSON"},
        {"[]", "not a JSON object"},
        {R"("ready")", "not JSON"},
        {R"({})", "no known type"},
        {R"({"type":"Ready"})", "no known type"},
        {R"({"type":7})", "no known type"},
        {R"({"type":"failed","description":{"text":"x"}})", "no HRESULT"},
        {R"({"type":"failed","hresult":"0x8004020","description":{"text":"x"}})", "no HRESULT"},
        {R"({"type":"failed","hresult":2147746305,"description":{"text":"x"}})", "no HRESULT"},
        {R"({"type":"unavailable","hresult":"0x80040201"})", "description is not a text"},
        {R"({"type":"failed","hresult":"0x80040201","description":"x"})", "not a text object"},
        {R"({"type":"action"})", "seven values"},
        {R"({"type":"action","values":{}})", "seven values"},
        {R"({"type":"action","values":[]})", "seven values"},
        {action(R"({"kind":"empty"},{"kind":"empty"})"), "seven values"},
        {action(R"("text")"), "value 1 of the action is not an object"},
        {action(R"({"kind":"texts","text":"x"})"), "no known kind"},
        {action(R"({"text":"x"})"), "no known kind"},
        {action(R"({"kind":"text"})"), "neither \"text\" nor \"utf16\""},
        {action(R"({"kind":"text","text":5})"), "not a string"},
        {action(R"({"kind":"text","utf16":[65536]})"), "code unit out of range"},
        {action(R"({"kind":"text","utf16":[-1]})"), "code unit out of range"},
        {action(R"({"kind":"text","utf16":["A"]})"), "code unit out of range"},
        {action(R"({"kind":"text","utf16":[1.5]})"), "code unit out of range"},
        {action(R"({"kind":"number"})"), "neither a \"whole\" nor a \"fraction\""},
        {action(R"({"kind":"number","whole":1.5})"), "not a 64-bit whole number"},
        {action(R"({"kind":"number","whole":9223372036854775808})"), "not a 64-bit whole"},
        {action(R"({"kind":"number","whole":"12"})"), "not a 64-bit whole number"},
        {action(R"({"kind":"number","fraction":"nan"})"), "neither a \"whole\" nor"},
        {action(R"({"kind":"number","fraction":null})"), "neither a \"whole\" nor"},
    };
    for (const auto &[line, expected] : cases) {
        SCOPED_TRACE(line.toStdString());
        const QString what = malformation(line);
        EXPECT_TRUE(what.contains(QString::fromUtf8(expected))) << what.toStdString();
    }
}

TEST(HostProtocol, RefusesALineLongerThanItWillHold)
{
    const QByteArray line =
        action(R"({"kind":"text","text":")" + QByteArray(maxLineLength, 'x') + R"("})");
    EXPECT_TRUE(malformation(line).contains("longer than"));
}

// Whatever a broken host writes, the answer is a message or a reason, never a crash.
TEST(HostProtocol, SurvivesMangledLines)
{
    const QByteArray seeds[] = {
        action(R"({"kind":"text","utf16":[120,55296]})"),
        action(R"({"kind":"number","whole":-9223372036854775808})"),
        R"({"type":"failed","hresult":"0x80040201","description":{"text":"no way"}})",
    };
    QRandomGenerator random(27);
    int messages = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray line = seeds[round % std::size(seeds)];
        for (int edits = 1 + random.bounded(4); edits > 0; --edits) {
            const qsizetype at = random.bounded(line.size());
            switch (random.bounded(3)) {
            case 0:
                line[at] = char(random.bounded(256));
                break;
            case 1:
                line.remove(at, 1 + random.bounded(8));
                break;
            default:
                line.insert(at, line.mid(random.bounded(line.size()), random.bounded(12)));
            }
        }
        const auto parsed = parseLine(line);
        if (const auto *malformed = std::get_if<Malformed>(&parsed))
            EXPECT_FALSE(malformed->what.isEmpty()) << line.toStdString();
        else
            ++messages;
    }
    EXPECT_GT(messages, 0); // some edits leave a valid message, and it is still read
}

TEST(HostProtocol, WritesEachCommandOnOneLineExactly)
{
    const QString awkward[] = {"A1 on",         "",
                               " b2 DIM 20 ",   "line\r\nbreak",
                               "\"quoted\" \\", QString::fromUtf8("a\0b", 3),
                               "𝄞 Ärger",       codeUnits({u'x', 0xDC00})};
    for (const QString &text : awkward) {
        SCOPED_TRACE(text.toStdString());
        const QByteArray line = commandLine("sendrf", text);
        ASSERT_TRUE(line.endsWith('\n'));
        EXPECT_EQ(line.count('\n'), 1);
        const QJsonObject command = QJsonDocument::fromJson(line).object();
        EXPECT_EQ(command.value("verb").toObject().value("text").toString(), "sendrf");
        const QJsonObject sent = command.value("command").toObject();
        if (text.isValidUtf16()) {
            EXPECT_EQ(sent.value("text").toString(), text);
        } else {
            QString units;
            for (const auto unit : sent.value("utf16").toArray())
                units.append(QChar(char16_t(unit.toInteger())));
            EXPECT_EQ(units, text);
        }
    }
}

} // namespace
