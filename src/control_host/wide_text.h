#pragma once

#include <string>
#include <string_view>

// Windows' wide texts as the wire takes them, and back: on Windows a wide character is a UTF-16
// code unit.
inline std::u16string_view asUtf16(std::wstring_view text)
{
    return {reinterpret_cast<const char16_t *>(text.data()), text.size()};
}

inline std::wstring asWide(std::u16string_view text)
{
    return {reinterpret_cast<const wchar_t *>(text.data()), text.size()};
}
