// A window of another Windows process, opened over the program's window as
// a user would open one: always on top and active. Every tenth of a second
// it looks at the windows stacked above it, and when the nearest visible one
// changes it says so on its standard output: "above: <title>", or "above:"
// alone when it is on top itself. Runs until it is ended.
//
// A click does not always bring it to the front under Wine (one start in
// ten under load, the program's window stayed above it through three
// clicks): so it also brings itself to the front, as the program the user
// switched to does, whenever the file RAISE appears, and deletes the file.
//
//   cover_window.exe X Y WIDTH HEIGHT [RAISE]
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

static std::wstring nearestWindowAbove (HWND window)
{
    for (HWND above = GetWindow (window, GW_HWNDPREV); above != nullptr; above = GetWindow (above, GW_HWNDPREV))
    {
        if (IsWindowVisible (above))
        {
            wchar_t title[256] = {};
            GetWindowTextW (above, title, 255);
            return title;
        }
    }

    return {};
}

static void sayWhatIsAbove (HWND window)
{
    static bool saidOnce = false;
    static std::wstring said;
    const auto above = nearestWindowAbove (window);

    if (saidOnce && above == said)
        return;

    saidOnce = true;
    said = above;
    std::printf ("above: %ls\n", above.c_str());
    std::fflush (stdout);
}

static std::wstring raiseRequest;

static void raiseWhenAsked (HWND window)
{
    if (raiseRequest.empty() || GetFileAttributesW (raiseRequest.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;

    SetWindowPos (window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow (window);
    DeleteFileW (raiseRequest.c_str());
}

static LRESULT CALLBACK coverProcedure (HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
        case WM_TIMER:
            raiseWhenAsked (window);
            sayWhatIsAbove (window);
            return 0;

        case WM_DESTROY:
            PostQuitMessage (0);
            return 0;

        default:
            return DefWindowProcW (window, message, wParam, lParam);
    }
}

int main (int argc, char** argv)
{
    if (argc != 5 && argc != 6)
        return 2;
    if (argc == 6)
    {
        const int length = MultiByteToWideChar (CP_UTF8, 0, argv[5], -1, nullptr, 0);
        raiseRequest.resize (length > 0 ? (size_t) length : 0);
        if (length > 0)
            MultiByteToWideChar (CP_UTF8, 0, argv[5], -1, raiseRequest.data(), length);
        raiseRequest.resize (raiseRequest.empty() ? 0 : raiseRequest.size() - 1);
    }

    // Lines end in \n alone, as the test reads them.
    _setmode (_fileno (stdout), _O_BINARY);

    const int x = std::atoi (argv[1]), y = std::atoi (argv[2]);
    const int width = std::atoi (argv[3]), height = std::atoi (argv[4]);

    WNDCLASSW windowClass {};
    windowClass.lpfnWndProc = &coverProcedure;
    windowClass.hInstance = GetModuleHandleW (nullptr);
    windowClass.hbrBackground = (HBRUSH) GetStockObject (GRAY_BRUSH);
    windowClass.lpszClassName = L"vqd_cover";
    RegisterClassW (&windowClass);

    HWND window = CreateWindowExW (WS_EX_TOPMOST, L"vqd_cover", L"vqd_cover", WS_POPUP | WS_VISIBLE,
                                   x, y, width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr)
        return 1;

    SetWindowPos (window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow (window);
    SetTimer (window, 1, 100, nullptr);

    MSG message;
    while (GetMessageW (&message, nullptr, 0, 0) > 0)
    {
        TranslateMessage (&message);
        DispatchMessageW (&message);
    }

    return 0;
}
