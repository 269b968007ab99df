// Waits up to a minute for a shown top-level window of the given title and, when asked to, closes
// it as the user would. Ends with 0 once it found the window.
//   window_probe <title> [close]

#include <windows.h>

int wmain(int argc, wchar_t *argv[])
{
    if (argc < 2)
        return 2;
    for (int attempt = 0; attempt < 600; ++attempt, Sleep(100)) {
        const HWND window = FindWindowW(nullptr, argv[1]);
        if (window && IsWindowVisible(window))
            return argc > 2 && !PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return 1;
}
