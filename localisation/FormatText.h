#pragma once

#include <juce_core/juce_core.h>

// The most bytes (UTF-8) a formatted text may hold; the Windows program
// formatted into a 256-byte buffer. The catalogue and the screens never come
// near it (146 bytes at most), so the limit only guards against misuse.
constexpr int formattedTextMaxBytes = 255;

// Fills the printf-style placeholders of a catalogue text with a1..a4 in
// order. What occurs in the catalogue: "%s", "%02s" and "%04s" (right-aligned
// in 2 or 4 characters, padded on the left with '0', never cut) and "% s"
// (the space flag adds nothing to a text). "%%" gives "%"; a conversion other
// than s is copied as it stands. Widths count characters, not bytes. A longer
// result is cut after its last whole character within 255 bytes.
//
// The format is parsed here rather than handed to printf: the catalogue texts
// are data, and a stray conversion in one must not read arguments that are
// not there.
juce::String formatText (const juce::String& format,
                         const juce::String& a1 = {},
                         const juce::String& a2 = {},
                         const juce::String& a3 = {},
                         const juce::String& a4 = {});
