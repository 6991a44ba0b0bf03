// What Windows does to a program at log-off, for the one window titled
// TITLE: it asks with WM_QUERYENDSESSION, and the program's answer is its
// own affair. Prints the answer; fails when no such window is found.
//
//   end_session.exe TITLE
#include <windows.h>

#include <cstdio>

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: end_session.exe TITLE\n");
        return 2;
    }

    HWND window = FindWindowA (nullptr, argv[1]);
    if (window == nullptr)
    {
        std::fprintf (stderr, "end_session: no window titled \"%s\"\n", argv[1]);
        return 1;
    }

    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW (window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 15000, &answer) == 0)
    {
        std::fprintf (stderr, "end_session: the window did not answer\n");
        return 1;
    }

    std::printf ("answer: %lu\n", static_cast<unsigned long> (answer));
    return 0;
}
