// What a screen reader's UI Automation client is told of the one window
// titled TITLE: its control type and its name, printed as
//
//   type=50032 name="..."
//
// (50032 is a window). Only the window itself: Wine 8's UI Automation
// cannot yet walk a provider's children across processes (the walk never
// returns), so the page below it is read through JUCE's handlers in the
// Linux tests instead.
//
//   uia_window.exe TITLE
#include <windows.h>

#include <cstdio>
#include <string>

namespace
{
// uiautomationcore's flat API, which MinGW-w64's headers do not declare.
DECLARE_HANDLE (HUIANODE);
using NodeFromHandle = HRESULT (WINAPI*) (HWND, HUIANODE*);
using GetPropertyValue = HRESULT (WINAPI*) (HUIANODE, int, VARIANT*);
using NodeRelease = BOOL (WINAPI*) (HUIANODE);

const int controlTypeProperty = 30003;
const int nameProperty = 30005;

std::string utf8 (const wchar_t* text)
{
    const int length = WideCharToMultiByte (CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out (length > 1 ? (size_t) length - 1 : 0, '\0');

    if (length > 1)
        WideCharToMultiByte (CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);

    return out;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: uia_window.exe TITLE\n");
        return 2;
    }

    HWND window = FindWindowA (nullptr, argv[1]);
    HMODULE uia = LoadLibraryW (L"uiautomationcore.dll");

    if (window == nullptr || uia == nullptr)
    {
        std::fprintf (stderr, "uia_window: %s\n", window == nullptr ? "no such window" : "no uiautomationcore.dll");
        return 1;
    }

    auto nodeFromHandle = reinterpret_cast<NodeFromHandle> (reinterpret_cast<void*> (GetProcAddress (uia, "UiaNodeFromHandle")));
    auto getProperty = reinterpret_cast<GetPropertyValue> (reinterpret_cast<void*> (GetProcAddress (uia, "UiaGetPropertyValue")));
    auto release = reinterpret_cast<NodeRelease> (reinterpret_cast<void*> (GetProcAddress (uia, "UiaNodeRelease")));
    HUIANODE node = nullptr;

    CoInitializeEx (nullptr, COINIT_MULTITHREADED);

    if (nodeFromHandle == nullptr || getProperty == nullptr || release == nullptr || FAILED (nodeFromHandle (window, &node)))
    {
        std::fprintf (stderr, "uia_window: no UI Automation element for the window\n");
        return 1;
    }

    VARIANT type, name;
    VariantInit (&type);
    VariantInit (&name);
    const bool read = SUCCEEDED (getProperty (node, controlTypeProperty, &type)) && type.vt == VT_I4
                      && SUCCEEDED (getProperty (node, nameProperty, &name)) && name.vt == VT_BSTR;

    if (read)
        std::printf ("type=%ld name=\"%s\"\n", (long) type.lVal, utf8 (name.bstrVal).c_str());
    else
        std::fprintf (stderr, "uia_window: the element did not give its type and name\n");

    VariantClear (&type);
    VariantClear (&name);
    release (node);
    CoUninitialize();
    return read ? 0 : 1;
}
