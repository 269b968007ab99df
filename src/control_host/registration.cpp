#include "registration.h"

#include <optional>

namespace {

constexpr int ownBits = sizeof(void *) * 8;
constexpr int otherBits = ownBits == 64 ? 32 : 64;
constexpr REGSAM ownView = ownBits == 64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
constexpr REGSAM otherView = ownBits == 64 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

std::wstring bits(int count)
{
    return std::to_wstring(count) + L"-bit";
}

// The default text of a key of the classes root in one view of the registry, with any
// environment variables in it expanded.
std::optional<std::wstring> registered(const std::wstring &key, REGSAM view)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(MAX_PATH, L'\0');
    DWORD size = DWORD(text.size() * sizeof(wchar_t));
    DWORD type = 0;
    const LSTATUS status = RegQueryValueExW(opened, nullptr, nullptr, &type,
                                            reinterpret_cast<BYTE *>(text.data()), &size);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t)));
    if (type == REG_EXPAND_SZ) {
        std::wstring expanded(32768, L'\0');
        expanded.resize(ExpandEnvironmentStringsW(text.c_str(), expanded.data(), 32768));
        text = expanded.c_str();
    }
    // Registered paths with blanks are often written in quotes.
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
        text = text.substr(1, text.size() - 2);
    return text;
}

std::wstring classKey(const CLSID &classId)
{
    wchar_t written[40];
    StringFromGUID2(classId, written, 40);
    return std::wstring(L"CLSID\\") + written;
}

// The file as the system would find it when it loads it: as given, or along the search path.
std::optional<std::wstring> found(const std::wstring &file)
{
    if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES)
        return file;
    wchar_t path[MAX_PATH];
    if (SearchPathW(nullptr, file.c_str(), nullptr, MAX_PATH, path, nullptr) > 0)
        return path;
    return std::nullopt;
}

// 32 or 64 for a Windows DLL or program of that bitness; 0 when the file says neither.
int bitnessOf(const std::wstring &file)
{
    const HANDLE opened = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return 0;
    IMAGE_DOS_HEADER dos{};
    DWORD signature = 0;
    IMAGE_FILE_HEADER header{};
    DWORD read = 0;
    LARGE_INTEGER at{};
    const bool readAll = ReadFile(opened, &dos, sizeof dos, &read, nullptr) && read == sizeof dos &&
                         dos.e_magic == IMAGE_DOS_SIGNATURE && (at.QuadPart = dos.e_lfanew, true) &&
                         SetFilePointerEx(opened, at, nullptr, FILE_BEGIN) &&
                         ReadFile(opened, &signature, sizeof signature, &read, nullptr) &&
                         read == sizeof signature && signature == IMAGE_NT_SIGNATURE &&
                         ReadFile(opened, &header, sizeof header, &read, nullptr) &&
                         read == sizeof header;
    CloseHandle(opened);
    if (!readAll)
        return 0;
    switch (header.Machine) {
    case IMAGE_FILE_MACHINE_I386:
        return 32;
    case IMAGE_FILE_MACHINE_AMD64:
        return 64;
    default:
        return 0;
    }
}

ComFailure forOtherBitnessOnly(const std::wstring &name, HRESULT result)
{
    return {result, name + L" is installed for " + bits(otherBits) + L" programs only, which the " +
                        bits(ownBits) + L" host cannot load."};
}

} // namespace

ComFailure whyNotCreated(const std::wstring &name, const std::wstring &programmaticId,
                         const CLSID *classId, HRESULT result)
{
    if (!classId) {
        // Where the registry keeps programmatic identifiers apart for each bitness.
        if (const auto other = registered(programmaticId + L"\\CLSID", otherView); other) {
            CLSID otherClass;
            if (SUCCEEDED(CLSIDFromString(other->c_str(), &otherClass)) &&
                registered(classKey(otherClass) + L"\\InprocServer32", otherView))
                return forOtherBitnessOnly(name, result);
        }
        return {result, name + L" is not installed: nothing on this computer registered it."};
    }
    const std::wstring key = classKey(*classId);
    if (const auto server = registered(key + L"\\InprocServer32", ownView)) {
        const auto file = found(*server);
        if (!file)
            return {result,
                    name + L" is registered with the file \"" + *server + L"\", which is missing."};
        if (const int fileBits = bitnessOf(*file); fileBits && fileBits != ownBits)
            return {result, name + L" is registered for " + bits(ownBits) +
                                L" programs with the file \"" + *file + L"\", which is a " +
                                bits(fileBits) + L" DLL that " + bits(ownBits) +
                                L" programs cannot load."};
        const std::wstring system = describe(result, *file);
        return {result, name + L" could not be created from the file \"" + *file + L"\"." +
                            (system.empty() ? L"" : L" " + system)};
    }
    if (registered(key + L"\\InprocServer32", otherView))
        return forOtherBitnessOnly(name, result);
    if (registered(key + L"\\LocalServer32", ownView) ||
        registered(key + L"\\LocalServer32", otherView))
        return {result, name + L" is registered only as a program of its own (an out-of-process "
                               L"server), and the host loads only controls that run inside it."};
    return {result, name + L" is not installed: its class is not registered."};
}
