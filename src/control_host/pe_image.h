#pragma once

#include <optional>
#include <string>
#include <vector>

// What a Windows program's or DLL's file says of itself: for which bitness it was built and
// which DLLs it needs loaded before it can run.
struct PeImage {
    // 32 or 64; 0 for a machine that is neither.
    int bits = 0;
    std::vector<std::wstring> imports;
};

// Nothing where the file cannot be read or is no such file.
std::optional<PeImage> readPeImage(const std::wstring &path);
