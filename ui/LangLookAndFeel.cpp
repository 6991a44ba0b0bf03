#include "ui/LangLookAndFeel.h"

#include "localisation/FontSubstitution.h"
#include "localisation/TextTables.h"
#include "localisation/TxtLoader.h"

namespace
{
// Byte-wise comparison of the UTF-8 texts in which only the ASCII letters
// are compared without regard to case; every other byte must match
// exactly, so "DEUTSCH" names German but "РУССКИЙ" does not name Russian.
bool equalsIgnoringAsciiCase (const juce::String& a, const juce::String& b)
{
    const char* p = a.toRawUTF8();
    const char* q = b.toRawUTF8();

    for (;; ++p, ++q)
    {
        auto c1 = (unsigned char) *p;
        auto c2 = (unsigned char) *q;

        if (c1 >= 'A' && c1 <= 'Z')
            c1 = (unsigned char) (c1 - 'A' + 'a');
        if (c2 >= 'A' && c2 <= 'Z')
            c2 = (unsigned char) (c2 - 'A' + 'a');

        if (c1 != c2)
            return false;

        if (c1 == 0)
            return true;
    }
}

// Puts the framework-wide fallback font name back when it goes out of
// scope, so one item's language never leaks into the next item.
struct FallbackFontNameRestorer
{
    FallbackFontNameRestorer() : saved (juce::Font::getFallbackFontName()) {}
    ~FallbackFontNameRestorer() { juce::Font::setFallbackFontName (saved); }

    const juce::String saved;
};
} // namespace

namespace juce
{

LangLookAndFeel::LangLookAndFeel() = default;

LangLookAndFeel::~LangLookAndFeel()
{
    FontSubstitution::forgetLookAndFeel (*this);
}

Typeface::Ptr LangLookAndFeel::getTypefaceForFont (const Font& font)
{
    return FontSubstitution::typefaceFor (font, *this);
}

Font LangLookAndFeel::getComboBoxFont (ComboBox& box)
{
    const float height = jmin ((float) box.getHeight() * 0.85f, 15.0f);
    const int language = box.getSelectedId() - 1;

    // Outside 0..11 the catalogue answers its empty text: a font without a
    // name, which the typeface lookup turns into a usable default.
    return Font (TxtLoader::getInstance()->getFontName (language), height, Font::plain);
}

void LangLookAndFeel::drawPopupMenuItem (Graphics& g,
                                         const Rectangle<int>& area,
                                         bool isSeparator,
                                         bool isActive,
                                         bool isHighlighted,
                                         bool isTicked,
                                         bool hasSubMenu,
                                         const String& text,
                                         const String& shortcutKeyText,
                                         const Drawable* icon,
                                         const Colour* textColour)
{
    if (isSeparator)
    {
        auto r = area.reduced (5, 0);
        r.removeFromTop (r.getHeight() / 2 - 1);

        g.setColour (Colour (0x33000000));
        g.fillRect (r.removeFromTop (1));

        g.setColour (Colour (0x66ffffff));
        g.fillRect (r.removeFromTop (1));
        return;
    }

    const Colour itemTextColour = textColour != nullptr ? *textColour
                                                        : findColour (PopupMenu::textColourId);

    auto r = area.reduced (1);

    if (isHighlighted)
    {
        // Fixed navy: the highlight must read the same under every script,
        // whatever the colour scheme says.
        g.setColour (Colour (0xff000040));
        g.fillRect (r);

        g.setColour (findColour (PopupMenu::highlightedTextColourId));
    }
    else
    {
        g.setColour (itemTextColour);
    }

    if (! isActive)
        g.setOpacity (0.3f);

    const FallbackFontNameRestorer fallbackRestorer;
    auto* catalogue = TxtLoader::getInstance();

    // Glyphs the item's font lacks come from the named language's font. The
    // list's texts are the language names themselves.
    for (int i = 0; i < kLanguageCount; ++i)
    {
        if (equalsIgnoringAsciiCase (text, catalogue->getLanguageName (i)))
        {
            Font::setFallbackFontName (catalogue->getFontName (i));
            break;
        }
    }

    Font font (getPopupMenuFont());

    for (int i = 0; i < kLanguageCount; ++i)
    {
        if (text == kLanguageNames[i])
        {
            font = Font (kPlatformFonts[i], 17.0f, Font::plain);
            break;
        }
    }

    const float maxFontHeight = (float) area.getHeight() / 1.3f;

    if (font.getHeight() > maxFontHeight)
        font.setHeight (maxFontHeight);

    g.setFont (font);

    const auto iconArea = r.removeFromLeft ((r.getHeight() * 5) / 4).reduced (3).toFloat();

    if (icon != nullptr)
    {
        icon->drawWithin (g, iconArea, RectanglePlacement::centred | RectanglePlacement::onlyReduceInSize, 1.0f);
    }
    else if (isTicked)
    {
        const auto tick = getTickShape (1.0f);
        g.fillPath (tick, tick.getTransformToScaleToFit (iconArea, true));
    }

    if (hasSubMenu)
    {
        const float arrowHeight = 0.6f * getPopupMenuFont().getAscent();

        const auto x = (float) r.removeFromRight ((int) arrowHeight).getX();
        const auto halfHeight = (float) r.getCentreY();

        Path arrow;
        arrow.addTriangle (x, halfHeight - arrowHeight * 0.5f,
                           x, halfHeight + arrowHeight * 0.5f,
                           x + arrowHeight * 0.6f, halfHeight);
        g.fillPath (arrow);
    }

    r.removeFromRight (3);
    g.drawFittedText (text, r, Justification::centredLeft, 1);

    if (shortcutKeyText.isNotEmpty())
    {
        Font shortcutFont (font);
        shortcutFont.setHeight (font.getHeight() * 0.75f);
        shortcutFont.setHorizontalScale (0.95f);
        g.setFont (shortcutFont);

        g.drawText (shortcutKeyText, r, Justification::centredRight, true);
    }
}

} // namespace juce
