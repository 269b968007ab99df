#include "variant_value.h"

#include "com_failure.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <iterator>
#include <limits>
#include <string>

namespace {

using nlohmann::json;
using namespace HostWire;

json text(std::wstring_view value)
{
    return textValue(asUtf16(value));
}

json whole(std::int64_t value)
{
    return wholeValue(value);
}

json fraction(double value)
{
    return fractionValue(value);
}

json unsignedWhole(std::uint64_t value)
{
    if (value <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))
        return whole(std::int64_t(value));
    return fraction(double(value));
}

// Currency is a count of ten-thousandths.
json currency(CY value)
{
    if (value.int64 % 10000 == 0)
        return whole(value.int64 / 10000);
    return fraction(double(value.int64) / 10000.0);
}

json decimal(const DECIMAL &value)
{
    const bool negative = value.sign & DECIMAL_NEG;
    constexpr auto int64Max = std::uint64_t(std::numeric_limits<std::int64_t>::max());
    if (value.scale == 0 && value.Hi32 == 0) {
        if (value.Lo64 <= int64Max)
            return whole(negative ? -std::int64_t(value.Lo64) : std::int64_t(value.Lo64));
        if (negative && value.Lo64 == int64Max + 1)
            return whole(std::numeric_limits<std::int64_t>::min());
    }
    double number = 0;
    VarR8FromDec(const_cast<DECIMAL *>(&value), &number);
    return fraction(number);
}

json bstr(BSTR value)
{
    return text(std::wstring_view(value ? value : L"", value ? SysStringLen(value) : 0));
}

// A single-precision number as its own shortest digits show it: 0.1f is 0.1, not the double
// nearest to it, 0.100000001490116.
json singlePrecision(float value)
{
    if (!std::isfinite(value))
        return fraction(value);
    char digits[32];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), value);
    double number = value;
    std::from_chars(digits, written.ptr, number);
    return fraction(number);
}

json errorCode(SCODE code)
{
    wchar_t written[32];
    std::swprintf(written, std::size(written), L"error 0x%08lX", static_cast<unsigned long>(code));
    return text(written);
}

// Kinds that are neither empty, null, text nor number are shown as the text that OLE
// Automation gives them, as a script would see them; objects and lists, which have no text of
// their own here, by their kind.
json asText(const VARIANT &value)
{
    const VARTYPE type = V_VT(&value);
    if (type & VT_ARRAY)
        return text(L"(a list of values)");
    if (type == VT_UNKNOWN || type == VT_DISPATCH)
        return text(L"(an object)");
    VARIANT converted;
    VariantInit(&converted);
    const HRESULT result = VariantChangeTypeEx(&converted, const_cast<VARIANT *>(&value),
                                               LOCALE_USER_DEFAULT, VARIANT_ALPHABOOL, VT_BSTR);
    if (FAILED(result))
        return text(L"(a value of a kind that has no text)");
    json convertedText = bstr(V_BSTR(&converted));
    VariantClear(&converted);
    return convertedText;
}

json direct(const VARIANT &value)
{
    switch (V_VT(&value)) {
    case VT_EMPTY:
        return emptyValue();
    case VT_NULL:
        return nullValue();
    case VT_BSTR:
        return bstr(V_BSTR(&value));
    case VT_I1:
        return whole(V_I1(&value));
    case VT_I2:
        return whole(V_I2(&value));
    case VT_I4:
        return whole(V_I4(&value));
    case VT_INT:
        return whole(V_INT(&value));
    case VT_I8:
        return whole(V_I8(&value));
    case VT_UI1:
        return whole(V_UI1(&value));
    case VT_UI2:
        return whole(V_UI2(&value));
    case VT_UI4:
        return whole(V_UI4(&value));
    case VT_UINT:
        return whole(V_UINT(&value));
    case VT_UI8:
        return unsignedWhole(V_UI8(&value));
    case VT_R4:
        return singlePrecision(V_R4(&value));
    case VT_R8:
        return fraction(V_R8(&value));
    case VT_CY:
        return currency(V_CY(&value));
    case VT_DECIMAL:
        return decimal(V_DECIMAL(&value));
    case VT_ERROR:
        // An optional argument left out arrives as this error: it was simply not given.
        if (V_ERROR(&value) == DISP_E_PARAMNOTFOUND)
            return emptyValue();
        return errorCode(V_ERROR(&value));
    default:
        return asText(value);
    }
}

} // namespace

json eventValue(const VARIANT &value)
{
    if (!(V_VT(&value) & VT_BYREF))
        return direct(value);
    VARIANT copy;
    VariantInit(&copy);
    if (FAILED(VariantCopyInd(&copy, const_cast<VARIANT *>(&value))))
        return text(L"(a value passed by reference that could not be read)");
    json result = direct(copy);
    VariantClear(&copy);
    return result;
}
