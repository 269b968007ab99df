#include "registration.h"

#include "pe_image.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

constexpr int ownBits = sizeof(void *) * 8;
constexpr int otherBits = ownBits == 64 ? 32 : 64;
constexpr REGSAM ownView = ownBits == 64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
constexpr REGSAM otherView = ownBits == 64 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

std::wstring bits(int count)
{
    return std::to_wstring(count) + L"-bit";
}

// The default text of a key of the classes root in one view of the registry, however long, with
// any environment variables in it expanded.
std::optional<std::wstring> registered(const std::wstring &key, REGSAM view)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text;
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = ERROR_MORE_DATA;
    while (status == ERROR_MORE_DATA) {
        text.resize(size / sizeof(wchar_t) + 1);
        size = DWORD(text.size() * sizeof(wchar_t));
        status = RegQueryValueExW(opened, nullptr, nullptr, &type,
                                  reinterpret_cast<BYTE *>(text.data()), &size);
    }
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    text.resize(wcsnlen(text.c_str(), size / sizeof(wchar_t)));
    if (type == REG_EXPAND_SZ) {
        std::wstring expanded(ExpandEnvironmentStringsW(text.c_str(), nullptr, 0), L'\0');
        ExpandEnvironmentStringsW(text.c_str(), expanded.data(), DWORD(expanded.size()));
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

// The path as the file system takes it however long: a full path past the old limit of 260
// characters goes with the prefix that lifts the limit, which takes backslashes alone.
std::wstring usable(const std::wstring &path)
{
    const bool full = path.size() > 2 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    if (!full || path.size() < MAX_PATH)
        return path;
    std::wstring prefixed = L"\\\\?\\" + path;
    std::replace(prefixed.begin(), prefixed.end(), L'/', L'\\');
    return prefixed;
}

bool exists(const std::wstring &path)
{
    return GetFileAttributesW(usable(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file as the system would find it when it loads it: as given, or in the folders given, or
// along the search path.
std::optional<std::wstring> found(const std::wstring &file, const std::wstring &folders = {})
{
    if (exists(file))
        return file;
    const wchar_t *where = folders.empty() ? nullptr : folders.c_str();
    std::wstring path(SearchPathW(where, file.c_str(), nullptr, 0, nullptr, nullptr), L'\0');
    if (path.empty() ||
        SearchPathW(where, file.c_str(), nullptr, DWORD(path.size()), path.data(), nullptr) == 0)
        return std::nullopt;
    return path.c_str();
}

bool isApiSet(const std::wstring &name)
{
    // Names the loader resolves itself, with no file of their own.
    return _wcsnicmp(name.c_str(), L"api-ms-", 7) == 0 ||
           _wcsnicmp(name.c_str(), L"ext-ms-", 7) == 0;
}

std::wstring folderOf(const std::wstring &file)
{
    const std::size_t slash = file.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : file.substr(0, slash);
}

std::wstring systemFolder()
{
    std::wstring folder(GetSystemDirectoryW(nullptr, 0), L'\0');
    folder.resize(GetSystemDirectoryW(folder.data(), UINT(folder.size())));
    return folder;
}

// The DLLs, one needing the next, down to the first that cannot be found where the system looks
// as it loads the file (the file's own folder first, as COM loads a control); empty when every
// one is there. The system's own DLLs are taken as sound.
std::vector<std::wstring> missingDependency(const std::wstring &file)
{
    struct Step {
        std::wstring path;
        std::vector<std::wstring> chain;
    };
    const std::wstring system = systemFolder();
    std::vector<Step> toRead{{file, {}}};
    std::vector<std::wstring> seen;
    // Breadth first, so that the shortest chain is the one named; a control and its runtimes
    // are a few dozen files at most.
    for (std::size_t next = 0; next < toRead.size() && next < 200; ++next) {
        const Step step = toRead[next];
        const auto image = readPeImage(usable(step.path));
        if (!image)
            continue;
        for (const std::wstring &name : image->imports) {
            if (isApiSet(name) || std::find_if(seen.begin(), seen.end(), [&](const auto &known) {
                                      return _wcsicmp(known.c_str(), name.c_str()) == 0;
                                  }) != seen.end())
                continue;
            seen.push_back(name);
            std::vector<std::wstring> chain = step.chain;
            chain.push_back(name);
            const auto where = found(name, folderOf(file));
            const auto path = where ? where : found(name);
            if (!path)
                return chain;
            if (_wcsnicmp(path->c_str(), system.c_str(), system.size()) != 0)
                toRead.push_back({*path, std::move(chain)});
        }
    }
    return {};
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
        const auto image = readPeImage(usable(*file));
        if (const int fileBits = image ? image->bits : 0; fileBits && fileBits != ownBits)
            return {result, name + L" is registered for " + bits(ownBits) +
                                L" programs with the file \"" + *file + L"\", which is a " +
                                bits(fileBits) + L" DLL that " + bits(ownBits) +
                                L" programs cannot load."};
        const std::wstring created = name + L" could not be created from the file \"" + *file;
        if (const auto missing = missingDependency(*file); !missing.empty()) {
            std::wstring needs = L"\": it needs the DLL \"" + missing.front() + L"\"";
            for (std::size_t i = 1; i < missing.size(); ++i)
                needs += L", which needs \"" + missing[i] + L"\"";
            return {result, created + needs + L", which is missing."};
        }
        const std::wstring system = describe(result, *file);
        return {result, created + L"\"." + (system.empty() ? L"" : L" " + system)};
    }
    if (registered(key + L"\\InprocServer32", otherView))
        return forOtherBitnessOnly(name, result);
    if (registered(key + L"\\LocalServer32", ownView) ||
        registered(key + L"\\LocalServer32", otherView))
        return {result, name + L" is registered only as a program of its own (an out-of-process "
                               L"server), and the host loads only controls that run inside it."};
    return {result, name + L" is not installed: its class is not registered."};
}
