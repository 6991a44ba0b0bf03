#include "localisation/FormatText.h"

namespace
{
// A width or precision above this can only produce a text that is cut to
// formattedTextMaxBytes anyway; clamping keeps "%999999999s" cheap.
constexpr int largestField = formattedTextMaxBytes + 1;

bool isDigit (juce::juce_wchar c) noexcept { return c >= '0' && c <= '9'; }

int readNumber (juce::CharPointer_UTF8& p)
{
    int value = 0;

    while (isDigit (*p))
        value = juce::jmin (largestField, value * 10 + (int) (p.getAndAdvance() - '0'));

    return value;
}

void appendRepeated (juce::String& out, juce::juce_wchar c, int count)
{
    for (int i = 0; i < count; ++i)
        out += c;
}

// Keeps whole characters only: a cut inside a multi-byte sequence would
// leave invalid UTF-8 at the end of the text.
juce::String limitToBytes (const juce::String& text, int maxBytes)
{
    if ((int) text.getNumBytesAsUTF8() <= maxBytes)
        return text;

    auto start = text.getCharPointer();
    auto p = start;
    int bytes = 0;

    while (! p.isEmpty())
    {
        const auto needed = (int) juce::CharPointer_UTF8::getBytesRequiredFor (*p);

        if (bytes + needed > maxBytes)
            break;

        bytes += needed;
        ++p;
    }

    return juce::String (start, p);
}
} // namespace

juce::String formatText (const juce::String& format,
                         const juce::String& a1, const juce::String& a2,
                         const juce::String& a3, const juce::String& a4)
{
    const juce::String* const args[] = { &a1, &a2, &a3, &a4 };
    constexpr int numArgs = (int) (sizeof (args) / sizeof (args[0]));
    int nextArg = 0;

    juce::String out;
    out.preallocateBytes ((size_t) format.getNumBytesAsUTF8() + 32);

    auto p = format.getCharPointer();

    while (! p.isEmpty())
    {
        const auto conversionStart = p;
        const auto c = p.getAndAdvance();

        if (c != '%')
        {
            out += c;
            continue;
        }

        if (*p == '%')
        {
            ++p;
            out += '%';
            continue;
        }

        bool leftAlign = false, zeroPad = false;

        for (;; ++p)
        {
            const auto flag = *p;

            if (flag == '-')
                leftAlign = true;
            else if (flag == '0')
                zeroPad = true;
            else if (flag == ' ' || flag == '+' || flag == '#')
            {} // mean nothing for a text
            else
                break;
        }

        const int width = readNumber (p);
        int precision = -1;

        if (*p == '.')
        {
            ++p;
            precision = readNumber (p);
        }

        if (*p != 's')
        {
            // Not a text conversion (or the format ends inside one): keep the
            // characters as they are, and take no argument for them.
            if (! p.isEmpty())
                ++p;

            out += juce::String (conversionStart, p);
            continue;
        }

        ++p;

        auto value = nextArg < numArgs ? *args[nextArg] : juce::String();
        ++nextArg;

        if (precision >= 0)
            value = value.substring (0, precision);

        const int padding = width - value.length();

        if (padding <= 0)
            out += value;
        else if (leftAlign)
        {
            out += value;
            appendRepeated (out, ' ', padding);
        }
        else
        {
            appendRepeated (out, zeroPad ? '0' : ' ', padding);
            out += value;
        }
    }

    return limitToBytes (out, formattedTextMaxBytes);
}
