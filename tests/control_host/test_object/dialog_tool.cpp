// Plays the program's window and the user for the tests of a control's own windows, under wine:
//   dialog_tool window <title>
//       shows a top-level window with that title, prints its handle and keeps it until ended;
//   dialog_tool press <title> <milliseconds> [<owner>]
//       waits for a shown window with that title, lets the milliseconds pass, checks that it is
//       owned by the window <owner> and in the foreground, then presses its OK button as a user
//       would, whatever it found, so that nothing is left waiting for it, and waits for it to
//       close;
//   dialog_tool keys <title> <virtual key>...
//       waits for a shown dialog with that title and types the keys into its text box, each
//       pressed and let go, as a user would; then waits for the dialog to close, and closes it
//       with its OK button if the keys did not.
// Ends with exit code 0 when all went so; otherwise it says what it found.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <windows.h>

namespace {

int showWindow(const char *title)
{
    const HWND window = CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                        400, 300, nullptr, nullptr, nullptr, nullptr);
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    std::fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

HWND shown(const char *title)
{
    const HWND window = FindWindowA(nullptr, title);
    return window && IsWindowVisible(window) ? window : nullptr;
}

int press(const char *title, DWORD delay, HWND owner)
{
    HWND box = nullptr;
    for (int tries = 0; !(box = shown(title)); ++tries) {
        if (tries == 1200)
            return std::printf("no window \"%s\" was shown\n", title), 2;
        Sleep(50);
    }
    Sleep(delay);
    int found = 0;
    if (owner && GetWindow(box, GW_OWNER) != owner)
        found = (std::printf("\"%s\" is not owned by the program's window\n", title), 3);
    else if (owner && GetForegroundWindow() != box)
        found = (std::printf("\"%s\" is not in the foreground\n", title), 4);
    SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    for (int tries = 0; shown(title); ++tries) {
        if (tries == 100)
            return std::printf("\"%s\" stayed open after its button was pressed\n", title), 5;
        Sleep(50);
    }
    return found;
}

int type(const char *title, char **keys, int count)
{
    HWND dialog = nullptr;
    for (int tries = 0; !(dialog = shown(title)); ++tries) {
        if (tries == 1200)
            return std::printf("no window \"%s\" was shown\n", title), 2;
        Sleep(50);
    }
    const HWND box = FindWindowExA(dialog, nullptr, "Edit", nullptr);
    for (int i = 0; i < count; ++i) {
        const auto key = WPARAM(std::strtoul(keys[i], nullptr, 0));
        PostMessageA(box, WM_KEYDOWN, key, 1);
        PostMessageA(box, WM_KEYUP, key, 0xC0000001);
        Sleep(200);
    }
    for (int tries = 0; shown(title); ++tries) {
        if (tries == 100) {
            SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            return std::printf("\"%s\" stayed open after the keys\n", title), 3;
        }
        Sleep(50);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "window") == 0)
        return showWindow(argv[2]);
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "press") == 0)
        return press(argv[2], std::strtoul(argv[3], nullptr, 10),
                     argc == 5 ? reinterpret_cast<HWND>(std::strtoull(argv[4], nullptr, 10))
                               : nullptr);
    if (argc >= 4 && std::strcmp(argv[1], "keys") == 0)
        return type(argv[2], argv + 3, argc - 3);
    std::printf("usage: dialog_tool window <title> | press <title> <milliseconds> [<owner>] | "
                "keys <title> <virtual key>...\n");
    return 1;
}
