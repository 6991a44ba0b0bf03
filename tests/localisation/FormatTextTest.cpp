// formatText: the printf-style conversions of the catalogue, done without
// printf, and the 255-byte limit that never leaves half a character behind.

#include <gtest/gtest.h>

#include "localisation/FormatText.h"

namespace
{
juce::String utf8 (const char* text) { return juce::String (juce::CharPointer_UTF8 (text)); }

juce::String repeated (const char* utf8Text, int times)
{
    juce::String s;

    for (int i = 0; i < times; ++i)
        s << utf8 (utf8Text);

    return s;
}

// The bytes must decode back to the same text: no broken sequence.
bool isWholeUtf8 (const juce::String& text)
{
    const auto* raw = text.toRawUTF8();
    return juce::CharPointer_UTF8::isValidString (raw, (int) text.getNumBytesAsUTF8())
           && juce::String::fromUTF8 (raw, (int) text.getNumBytesAsUTF8()) == text;
}
} // namespace

TEST (FormatText, PadsOnTheLeftWithZerosButNeverCuts)
{
    EXPECT_EQ (juce::String ("05"), formatText ("%02s", "5"));
    EXPECT_EQ (juce::String ("12"), formatText ("%02s", "12"));
    EXPECT_EQ (juce::String ("123"), formatText ("%02s", "123"));
    EXPECT_EQ (juce::String ("00"), formatText ("%02s", ""));
    EXPECT_EQ (juce::String ("0E21"), formatText ("%04s", "E21"));
    EXPECT_EQ (juce::String ("0E01"), formatText ("%04s", "E01"));
    EXPECT_EQ (juce::String ("E21AB"), formatText ("%04s", "E21AB"));
    EXPECT_EQ (juce::String ("0007"), formatText ("%04s", "7"));
}

TEST (FormatText, WidthCountsCharactersNotBytes)
{
    EXPECT_EQ (utf8 ("000版"), formatText ("%04s", utf8 ("版")));
    EXPECT_EQ (utf8 ("0é"), formatText ("%02s", utf8 ("é")));
    EXPECT_EQ (utf8 ("éé"), formatText ("%02s", utf8 ("éé")));
}

TEST (FormatText, FollowsPrintfForOtherFieldForms)
{
    EXPECT_EQ (juce::String ("  ab|"), formatText ("%4s|", "ab"));
    EXPECT_EQ (juce::String ("ab  |"), formatText ("%-4s|", "ab"));
    EXPECT_EQ (juce::String ("ab  |"), formatText ("%-04s|", "ab"));
    EXPECT_EQ (juce::String ("ab|"), formatText ("%.2s|", "abc"));
    EXPECT_EQ (juce::String ("0ab|"), formatText ("%03.2s|", "abcd"));
}

TEST (FormatText, SpaceFlagInsertsTheTextAlone)
{
    EXPECT_EQ (juce::String ("seuVQD-TRM4."), formatText ("seu% s.", "VQD-TRM4"));
    EXPECT_EQ (juce::String ("[x]"), formatText ("[% s]", "x"));
    EXPECT_EQ (juce::String ("[05]"), formatText ("[% 02s]", "5"));
}

TEST (FormatText, TakesArgumentsInOrder)
{
    EXPECT_EQ (juce::String ("Ver. 1.05"), formatText ("Ver. %s.%02s", "1", "5"));
    EXPECT_EQ (juce::String ("a-b-c-d"), formatText ("%s-%s-%s-%s", "a", "b", "c", "d"));

    // A conversion beyond the fourth has no text to take.
    EXPECT_EQ (juce::String ("abcd[]"), formatText ("%s%s%s%s[%s]", "a", "b", "c", "d"));

    // Unused arguments are simply left out.
    EXPECT_EQ (juce::String ("no placeholder"), formatText ("no placeholder", "x", "y"));
}

TEST (FormatText, PercentSignsThatAreNotTextConversions)
{
    EXPECT_EQ (juce::String ("100%"), formatText ("100%%"));
    EXPECT_EQ (juce::String ("100% x"), formatText ("100%% %s", "x"));

    // Anything else is copied as it stands and uses up no argument.
    EXPECT_EQ (juce::String ("%d a"), formatText ("%d %s", "a"));
    EXPECT_EQ (juce::String ("%02x|b"), formatText ("%02x|%s", "b"));
    EXPECT_EQ (juce::String ("50%"), formatText ("50%"));
    EXPECT_EQ (juce::String ("end %0"), formatText ("end %0"));
    EXPECT_EQ (juce::String ("end %-"), formatText ("end %-"));
    EXPECT_EQ (utf8 ("%é"), formatText (utf8 ("%é")));
}

TEST (FormatText, InsertedTextIsNotParsedAgain)
{
    EXPECT_EQ (juce::String ("[%s%02s%%]"), formatText ("[%s]", "%s%02s%%"));
}

TEST (FormatText, KeepsAtMost255BytesOfWholeCharacters)
{
    // One byte per character: cut exactly at 255.
    const auto ascii = formatText ("%s", repeated ("a", 300));
    EXPECT_EQ (255u, ascii.getNumBytesAsUTF8());

    struct Case
    {
        const char* character;
        int count;
        size_t expectedBytes;
    };
    const Case cases[] = {
        { "é", 200, 254 },  // 2-byte: 127 whole characters
        { "版", 100, 255 }, // 3-byte: 85 whole characters fill it exactly
        { "ж", 128, 254 },  // 256 bytes would be one too many
        { "😀", 70, 252 },   // 4-byte: 63 whole characters
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.character);
        const auto source = repeated (c.character, c.count);
        const auto result = formatText ("%s", source);

        EXPECT_EQ (c.expectedBytes, result.getNumBytesAsUTF8());
        EXPECT_TRUE (isWholeUtf8 (result));
        EXPECT_TRUE (source.startsWith (result));
    }

    // The limit applies to the whole result, not to each argument.
    const auto mixed = formatText (juce::String ("a") + "%s", repeated ("😀", 64));
    EXPECT_EQ (253u, mixed.getNumBytesAsUTF8());
    EXPECT_TRUE (isWholeUtf8 (mixed));

    // Padding counts as well, and a huge width costs nothing.
    EXPECT_EQ (255u, formatText ("%300s", "x").getNumBytesAsUTF8());
    EXPECT_EQ (255u, formatText ("%0999999999999s", "x").getNumBytesAsUTF8());
    EXPECT_TRUE (formatText ("%0999999999999s", "x").endsWith ("0"));
}

TEST (FormatText, TextsAtTheLimitStayWhole)
{
    const auto exactly = repeated ("z", 255);
    EXPECT_EQ (exactly, formatText (exactly));
    EXPECT_EQ (exactly, formatText ("%s", exactly));

    const auto twoByteExact = repeated ("z", 253) + utf8 ("é"); // 255 bytes
    EXPECT_EQ (twoByteExact, formatText (twoByteExact));

    const auto twoByteOver = repeated ("z", 254) + utf8 ("é"); // 256 bytes
    EXPECT_EQ (repeated ("z", 254), formatText (twoByteOver));
}
