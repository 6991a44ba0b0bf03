#include "localisation/FontSubstitution.h"

// Windows has the fonts the program names: nothing is substituted.

juce::String FontSubstitution::hostFontFor (const juce::String&)
{
    return {};
}

void FontSubstitution::setDefaultSansSerifTypefaceName (juce::LookAndFeel& lookAndFeel, const juce::String& windowsFontName)
{
    lookAndFeel.setDefaultSansSerifTypefaceName (windowsFontName);
}

void FontSubstitution::forgetLookAndFeel (juce::LookAndFeel&)
{
}

juce::Typeface::Ptr FontSubstitution::typefaceFor (const juce::Font& font, juce::LookAndFeel& lookAndFeel)
{
    // JUCE's own lookup, not the virtual one, which would come back here.
    return lookAndFeel.juce::LookAndFeel::getTypefaceForFont (font);
}
