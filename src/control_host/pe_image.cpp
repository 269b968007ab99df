#include "pe_image.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <windows.h>

namespace {

std::optional<std::string> fileContents(const std::wstring &path)
{
    const HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return std::nullopt;
    LARGE_INTEGER size{};
    std::optional<std::string> contents;
    // Controls and their runtimes are a few megabytes; anything past a gigabyte is no DLL.
    if (GetFileSizeEx(opened, &size) && size.QuadPart < (1LL << 30)) {
        try {
            contents.emplace(std::size_t(size.QuadPart), '\0');
        } catch (const std::bad_alloc &) {
            // A 32-bit host may not find the room: the file is then not read, not the host ended.
        }
        DWORD read = 0;
        if (contents &&
            (!ReadFile(opened, contents->data(), DWORD(contents->size()), &read, nullptr) ||
             read != contents->size()))
            contents.reset();
    }
    CloseHandle(opened);
    return contents;
}

// Reads a structure at an offset of the file, if the file holds it whole.
template <typename T> std::optional<T> at(const std::string &file, std::size_t offset)
{
    if (offset > file.size() || file.size() - offset < sizeof(T))
        return std::nullopt;
    T value;
    std::memcpy(&value, file.data() + offset, sizeof(T));
    return value;
}

// An imported DLL's name is in the system's code page, as the loader reads it.
std::wstring fromCodePage(const std::string &name)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), nullptr, 0);
    std::wstring wide(std::size_t(std::max(length, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), wide.data(), length);
    return wide;
}

} // namespace

std::optional<PeImage> readPeImage(const std::wstring &path)
{
    const auto file = fileContents(path);
    if (!file)
        return std::nullopt;
    const auto dos = at<IMAGE_DOS_HEADER>(*file, 0);
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0)
        return std::nullopt;
    const std::size_t nt = std::size_t(dos->e_lfanew);
    const auto signature = at<DWORD>(*file, nt);
    const auto header = at<IMAGE_FILE_HEADER>(*file, nt + sizeof(DWORD));
    if (!signature || *signature != IMAGE_NT_SIGNATURE || !header)
        return std::nullopt;
    PeImage image;
    image.bits = header->Machine == IMAGE_FILE_MACHINE_I386    ? 32
                 : header->Machine == IMAGE_FILE_MACHINE_AMD64 ? 64
                                                               : 0;

    // The import directory, by its address once loaded, found in the section that holds it.
    const std::size_t optional = nt + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
    std::optional<IMAGE_DATA_DIRECTORY> imports;
    if (const auto magic = at<WORD>(*file, optional); magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        imports = at<IMAGE_DATA_DIRECTORY>(
            *file, optional + offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory) +
                       IMAGE_DIRECTORY_ENTRY_IMPORT * sizeof(IMAGE_DATA_DIRECTORY));
    else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        imports = at<IMAGE_DATA_DIRECTORY>(
            *file, optional + offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory) +
                       IMAGE_DIRECTORY_ENTRY_IMPORT * sizeof(IMAGE_DATA_DIRECTORY));
    if (!imports || imports->VirtualAddress == 0)
        return image;
    const std::size_t sections = optional + header->SizeOfOptionalHeader;
    const auto offsetOf = [&](DWORD address) -> std::optional<std::size_t> {
        for (WORD i = 0; i < header->NumberOfSections; ++i) {
            const auto section =
                at<IMAGE_SECTION_HEADER>(*file, sections + i * sizeof(IMAGE_SECTION_HEADER));
            if (!section)
                return std::nullopt;
            if (address >= section->VirtualAddress &&
                address - section->VirtualAddress < section->SizeOfRawData)
                return std::size_t(address - section->VirtualAddress) + section->PointerToRawData;
        }
        return std::nullopt;
    };
    auto descriptorAt = offsetOf(imports->VirtualAddress);
    while (descriptorAt) {
        const auto descriptor = at<IMAGE_IMPORT_DESCRIPTOR>(*file, *descriptorAt);
        if (!descriptor || descriptor->Name == 0)
            break;
        if (const auto name = offsetOf(descriptor->Name)) {
            const std::size_t end = file->find('\0', *name);
            if (end != std::string::npos)
                image.imports.push_back(fromCodePage(file->substr(*name, end - *name)));
        }
        *descriptorAt += sizeof(IMAGE_IMPORT_DESCRIPTOR);
    }
    return image;
}
