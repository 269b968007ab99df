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

// Currency is a count of ten-thousandths.
json currency(CY value)
{
    const bool negative = value.int64 < 0;
    const std::uint64_t magnitude = negative ? 0 - std::uint64_t(value.int64) : value.int64;
    return exactValue(negative, 0, magnitude, 4);
}

json decimal(const DECIMAL &value)
{
    return exactValue(value.sign & DECIMAL_NEG, value.Hi32, value.Lo64, value.scale);
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
        return fractionValue(value);
    char digits[32];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), value);
    double number = value;
    std::from_chars(digits, written.ptr, number);
    return fractionValue(number);
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
        return wholeValue(V_I1(&value));
    case VT_I2:
        return wholeValue(V_I2(&value));
    case VT_I4:
        return wholeValue(V_I4(&value));
    case VT_INT:
        return wholeValue(V_INT(&value));
    case VT_I8:
        return wholeValue(V_I8(&value));
    case VT_UI1:
        return wholeValue(V_UI1(&value));
    case VT_UI2:
        return wholeValue(V_UI2(&value));
    case VT_UI4:
        return wholeValue(V_UI4(&value));
    case VT_UINT:
        return wholeValue(V_UINT(&value));
    case VT_UI8:
        return exactValue(false, 0, V_UI8(&value), 0);
    case VT_R4:
        return singlePrecision(V_R4(&value));
    case VT_R8:
        return fractionValue(V_R8(&value));
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

json wireValue(const VARIANT &value)
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
