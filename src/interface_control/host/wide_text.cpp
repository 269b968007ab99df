#include "wide_text.h"

#include <windows.h>

namespace {

bool isWellFormed(std::wstring_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1]))
            ++i;
        else if (IS_HIGH_SURROGATE(text[i]) || IS_LOW_SURROGATE(text[i]))
            return false;
    }
    return true;
}

std::string toUtf8(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(std::size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(), size, nullptr,
                        nullptr);
    return utf8;
}

std::optional<std::wstring> fromUtf8(const std::string &utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                         int(utf8.size()), nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    std::wstring text(std::size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), text.data(),
                        size);
    return text;
}

} // namespace

void putText(nlohmann::json &message, std::wstring_view text)
{
    if (isWellFormed(text)) {
        message["text"] = toUtf8(text);
        return;
    }
    auto &units = message["utf16"] = nlohmann::json::array();
    for (wchar_t unit : text)
        units.push_back(unsigned(unit));
}

std::optional<std::wstring> takeText(const nlohmann::json &message)
{
    if (const auto text = message.find("text"); text != message.end())
        return text->is_string() ? fromUtf8(text->get_ref<const std::string &>()) : std::nullopt;
    const auto units = message.find("utf16");
    if (units == message.end() || !units->is_array())
        return std::nullopt;
    std::wstring text;
    for (const auto &unit : *units) {
        if (!unit.is_number_unsigned() || unit.get<std::uint64_t>() > 0xFFFF)
            return std::nullopt;
        text.push_back(wchar_t(unit.get<std::uint64_t>()));
    }
    return text;
}
