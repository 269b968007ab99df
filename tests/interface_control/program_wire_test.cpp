#include "action_line.h"
#include "program_wire.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

namespace {

using namespace ProgramWire;
using Parsed = std::variant<Message, Malformed>;

TEST(ProgramWire, ReadsEveryMessage)
{
    const std::pair<QByteArray, Message> cases[] = {
        {R"({"type":"ready"})", Ready{}},
        {R"({"type":"done"})", Done{}},
        {R"({"type":"failed","hresult":"0x80040201","description":{"text":"no way "}})",
         Failed{"no way (HRESULT 0x80040201)"}},
        {R"({"description":{"text":"Not installed."},"hresult":"0x800401F3","type":"unavailable"})",
         Unavailable{"Not installed. (HRESULT 0x800401F3)"}},
        {R"( {"type":"ready","later":"fields are ignored"} )", Ready{}},
        {R"({"type":"action","values":[{"kind":"text","text":"sendplc"},{"kind":"empty"},)"
         R"({"kind":"null"},{"kind":"number","whole":-5},{"kind":"number","fraction":2.5},)"
         R"({"kind":"text","utf16":[65,66]},{"kind":"text","text":"last"}]})",
         Action{{EventValue::text("sendplc"), EventValue(), EventValue::null(),
                 EventValue::whole(-5), EventValue::fraction(2.5), EventValue::text("AB"),
                 EventValue::text("last")}}},
        {actionLine(R"({"kind":"number","decimal":"-79228162514264337593543950335.5"})"),
         Action{{EventValue::decimal("-79228162514264337593543950335.5")}}},
        {actionLine(R"({"kind":"number","decimal":"0.0000000000000000000000000001"})"),
         Action{{EventValue::decimal("0.0000000000000000000000000001")}}},
        {R"({"type":"window","open":true})", ControlWindow{true}},
        {R"({"type":"modeless","enabled":false})", Modeless{false}},
    };
    for (const auto &[line, expected] : cases)
        EXPECT_EQ(parseLine(line), Parsed(expected)) << line.toStdString();
}

TEST(ProgramWire, NamesWhatIsWrongWithAMalformedLine)
{
    const std::pair<QByteArray, const char *> cases[] = {
        {"", "not JSON"},
        {"\xff\xfe{}", "not JSON"},
        {R"({"type":"ready"} {"type":"done"})", "not JSON"},
        {"[]", "not a JSON object"},
        {R"({"type":"Ready"})", "no known type"},
        {R"({"type":7})", "no known type"},
        {R"({"type":"failed","description":{"text":"x"}})", "no HRESULT"},
        {R"({"type":"failed","hresult":"0x8004020","description":{"text":"x"}})", "no HRESULT"},
        {R"({"type":"unavailable","hresult":"0x80040201"})", "description is not a text"},
        {R"({"type":"failed","hresult":"0x80040201","description":"x"})", "not a text object"},
        {R"({"type":"action","values":{}})", "seven values"},
        {actionLine(R"({"kind":"empty"},{"kind":"empty"})"), "seven values"},
        {actionLine(R"("text")"), "value 1 of the action is not an object"},
        {actionLine(R"({"text":"x"})"), "no known kind"},
        {actionLine(R"({"kind":"text"})"), "neither \"text\" nor \"utf16\""},
        {actionLine(R"({"kind":"text","text":5})"), "not a string"},
        {actionLine(R"({"kind":"text","utf16":[65536]})"), "code unit out of range"},
        {actionLine(R"({"kind":"text","utf16":[1.5]})"), "code unit out of range"},
        {actionLine(R"({"kind":"number"})"), "no \"whole\", \"fraction\" or \"decimal\""},
        {actionLine(R"({"kind":"number","whole":1.5})"), "not a 64-bit whole number"},
        {actionLine(R"({"kind":"number","whole":9223372036854775808})"), "not a 64-bit whole"},
        {actionLine(R"({"kind":"number","whole":"12"})"), "not a 64-bit whole number"},
        {actionLine(R"({"kind":"number","fraction":"nan"})"), "no \"whole\", \"fraction\" or"},
        {actionLine(R"({"kind":"number","decimal":"1e5"})"), "not a decimal number"},
        {actionLine(R"({"kind":"number","decimal":"01.5"})"), "not a decimal number"},
        {actionLine(R"({"kind":"number","decimal":"1.50"})"), "not a decimal number"},
        {actionLine(R"({"kind":"number","decimal":"-0"})"), "not a decimal number"},
        {actionLine(R"({"kind":"number","decimal":".5"})"), "not a decimal number"},
        {actionLine(R"({"kind":"number","decimal":1.5})"), "not a decimal number"},
        {actionLine(R"({"kind":"number","decimal":")" + QByteArray(259, '1') + R"("})"),
         "not a decimal number"},
        {R"({"type":"window","open":"yes"})", "window message has no true or false"},
        {R"({"type":"modeless"})", "modeless message has no true or false"},
        {actionLine(R"({"kind":"text","text":")" + QByteArray(ControlWire::maxLineLength, 'x') +
                    R"("})"),
         "longer than"},
    };
    for (const auto &[line, expected] : cases) {
        const auto parsed = parseLine(line);
        const auto *malformed = std::get_if<Malformed>(&parsed);
        EXPECT_TRUE(malformed && malformed->what.contains(QString::fromUtf8(expected)))
            << line.left(80).toStdString();
    }
}

} // namespace
