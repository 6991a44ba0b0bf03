#pragma once

#include <juce_graphics/juce_graphics.h>

// The characters of the laid-out text without its white space, which the
// layout turns into line breaks and positions.
inline juce::String visibleText (juce::GlyphArrangement glyphs)
{
    juce::String text;

    for (int i = 0; i < glyphs.getNumGlyphs(); ++i)
        if (! glyphs.getGlyph (i).isWhitespace())
            text += juce::String::charToString (glyphs.getGlyph (i).getCharacter());

    return text;
}

// A text as it compares with the laid-out one.
inline juce::String withoutWhitespace (const juce::String& text)
{
    return text.removeCharacters (" \t\n\r");
}
