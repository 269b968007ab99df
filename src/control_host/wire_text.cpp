#include "wire_text.h"

#include "control_wire.h"

namespace {

using namespace ControlWire;

bool isHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The code points of well-formed UTF-16, or nothing.
std::optional<std::u32string> codePoints(std::u16string_view text)
{
    std::u32string points;
    points.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            points.push_back(0x10000 + ((unit - 0xD800) << 10) + (char32_t(text[++i]) - 0xDC00));
            continue;
        }
        if (isHighSurrogate(unit) || isLowSurrogate(unit))
            return std::nullopt;
        points.push_back(unit);
    }
    return points;
}

std::string toUtf8(const std::u32string &points)
{
    std::string utf8;
    utf8.reserve(points.size());
    for (const char32_t point : points) {
        if (point < 0x80) {
            utf8 += char(point);
        } else if (point < 0x800) {
            utf8 += char(0xC0 | (point >> 6));
            utf8 += char(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            utf8 += char(0xE0 | (point >> 12));
            utf8 += char(0x80 | ((point >> 6) & 0x3F));
            utf8 += char(0x80 | (point & 0x3F));
        } else {
            utf8 += char(0xF0 | (point >> 18));
            utf8 += char(0x80 | ((point >> 12) & 0x3F));
            utf8 += char(0x80 | ((point >> 6) & 0x3F));
            utf8 += char(0x80 | (point & 0x3F));
        }
    }
    return utf8;
}

// Strict UTF-8, as the program writes it: no overlong forms, no surrogates, nothing past
// U+10FFFF. Anything else is no text.
std::optional<std::u16string> fromUtf8(std::string_view utf8)
{
    std::u16string text;
    text.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80                    ? 1
                                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        if (length == 0 || i + length > utf8.size())
            return std::nullopt;
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            point = (point << 6) | (next & 0x3F);
        }
        constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < smallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return std::nullopt;
        if (point < 0x10000) {
            text += char16_t(point);
        } else {
            text += char16_t(0xD800 + ((point - 0x10000) >> 10));
            text += char16_t(0xDC00 + ((point - 0x10000) & 0x3FF));
        }
        i += length;
    }
    return text;
}

} // namespace

void putText(nlohmann::json &message, std::u16string_view text)
{
    // Qt's JSON reader drops a byte-order mark that begins a string, so such a text goes as its
    // code units too.
    const bool startsWithByteOrderMark = !text.empty() && text.front() == u'\uFEFF';
    if (const auto points = codePoints(text); points && !startsWithByteOrderMark) {
        message[Field::text] = toUtf8(*points);
        return;
    }
    auto &units = message[Field::utf16] = nlohmann::json::array();
    for (const char16_t unit : text)
        units.push_back(unsigned(unit));
}

std::optional<std::u16string> takeText(const nlohmann::json &message)
{
    if (const auto text = message.find(Field::text); text != message.end())
        return text->is_string() ? fromUtf8(text->get_ref<const std::string &>()) : std::nullopt;
    const auto units = message.find(Field::utf16);
    if (units == message.end() || !units->is_array())
        return std::nullopt;
    std::u16string text;
    for (const auto &unit : *units) {
        if (!unit.is_number_unsigned() || unit.get<std::uint64_t>() > 0xFFFF)
            return std::nullopt;
        text.push_back(char16_t(unit.get<std::uint64_t>()));
    }
    return text;
}
