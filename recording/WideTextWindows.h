#pragma once

// UTF-8 paths and texts to and from the UTF-16 of Windows' wide calls, for
// the recording code and the recording library alike. Windows only.

#ifndef NOMINMAX
 #define NOMINMAX
#endif
#include <windows.h>

#include <string>

inline std::wstring toWide (const std::string& text)
{
    if (text.empty())
        return {};
    const int length = MultiByteToWideChar (CP_UTF8, 0, text.c_str(), (int) text.size(), nullptr, 0);
    std::wstring result ((size_t) length, L'\0');
    MultiByteToWideChar (CP_UTF8, 0, text.c_str(), (int) text.size(), &result[0], length);
    return result;
}

inline std::string toUtf8 (const std::wstring& text)
{
    if (text.empty())
        return {};
    const int length = WideCharToMultiByte (CP_UTF8, 0, text.c_str(), (int) text.size(), nullptr, 0, nullptr, nullptr);
    std::string result ((size_t) length, '\0');
    WideCharToMultiByte (CP_UTF8, 0, text.c_str(), (int) text.size(), &result[0], length, nullptr, nullptr);
    return result;
}
