#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The program names its fonts as on Windows ("Verdana", "MS PGothic", ...).
// Those fonts do not exist here, so every typeface JUCE makes goes through one
// table that maps each Windows name to an installed host font; the names in
// the catalogue and in the look-and-feels stay as they are.
//
// JUCE makes typefaces through the global hook juce::juce_getTypefaceForFont,
// which every juce::LookAndFeel constructor points back at JUCE's own
// function. install() must therefore run after each look-and-feel has been
// constructed (at the end of each of our look-and-feel constructors) and
// after the default look-and-feel has been set.
namespace FontSubstitution
{
    // The host family for a Windows font name (exact, case-sensitive, as JUCE
    // compares typeface names); empty when the name has no substitute.
    juce::String hostFontFor (const juce::String& windowsFontName);

    // Points JUCE's typeface hook at getTypefaceForFont below and empties
    // JUCE's typeface cache, so that no typeface made before stays in use.
    // The first call also makes the host's font collections (.ttc, which JUCE
    // does not scan by itself) known to JUCE. Message thread; cheap to repeat.
    void install();

    // True while JUCE's hook points at ours.
    bool isInstalled();

    // Use instead of lookAndFeel.setDefaultSansSerifTypefaceName (name). JUCE
    // keeps that name private and, when the family does not exist, hands back
    // a typeface that no longer says which family was asked for; this way the
    // hook still knows that the default font of lookAndFeel is, say,
    // "MS PGothic" and can substitute it.
    void setDefaultSansSerifTypefaceName (juce::LookAndFeel& lookAndFeel, const juce::String& windowsFontName);

    // The hook itself. A font whose typeface name has a substitute gets the
    // typeface of the host font (same style, falling back to the family's
    // regular style). Any other font is resolved by the default
    // look-and-feel; a result that names a substituted family is swapped for
    // its substitute, and a family missing on the host becomes the host's
    // default sans-serif font rather than a typeface without glyphs.
    juce::Typeface::Ptr getTypefaceForFont (const juce::Font& font);
}
