#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The program names its fonts as on Windows ("Verdana", "MS PGothic", ...).
// On Windows they exist and are used as they are. On Linux they do not, so
// each typeface is made through one table that maps each Windows name to an
// installed host font; the names in the catalogue and in the look-and-feels
// stay as they are. Each platform has a file of its own.
//
// JUCE asks the default look-and-feel's getTypefaceForFont for every
// typeface it makes; the program's default look-and-feel answers through
// typefaceFor below.
namespace FontSubstitution
{
// The host family for a Windows font name (exact, case-sensitive, as JUCE
// compares typeface names); empty when the name has no substitute, and
// always empty on Windows.
juce::String hostFontFor (const juce::String& windowsFontName);

// Use instead of lookAndFeel.setDefaultSansSerifTypefaceName (name). JUCE
// keeps that name private and, when the family does not exist, hands back
// a typeface that no longer says which family was asked for; this way
// typefaceFor still knows that the default font of lookAndFeel is, say,
// "MS PGothic" and can substitute it.
void setDefaultSansSerifTypefaceName (juce::LookAndFeel& lookAndFeel, const juce::String& windowsFontName);

// Forgets what setDefaultSansSerifTypefaceName remembered of lookAndFeel.
// A look-and-feel calls it as it is deleted: JUCE asserts that nothing
// refers to a look-and-feel any more by then.
void forgetLookAndFeel (juce::LookAndFeel& lookAndFeel);

// The typeface for font as lookAndFeel, the default look-and-feel, makes
// it. On Linux a font whose typeface name has a substitute gets the
// typeface of the host font (same style, falling back to the family's
// regular style); any other font is resolved by JUCE's own lookup of
// lookAndFeel, a result that names a substituted family is swapped for
// its substitute, and a family missing on the host becomes the host's
// default sans-serif font rather than a typeface without glyphs. The
// first call also makes the host's font collections (.ttc, which JUCE
// does not scan by itself) known to JUCE. On Windows it is JUCE's own
// lookup.
juce::Typeface::Ptr typefaceFor (const juce::Font& font, juce::LookAndFeel& lookAndFeel);
} // namespace FontSubstitution
