#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace juce
{

// Shows every language in its own script. The language list's box is drawn
// in the font of the selected language, and in the drop-down list each
// language name is drawn in the font of the language it names, glyphs and
// fallback alike, under a dark navy highlight. Everything else is the V2
// look. The main component also makes it the default look-and-feel, so these
// two changes apply to every combo box and pop-up menu of the program.
class LangLookAndFeel : public LookAndFeel_V2
{
public:
    LangLookAndFeel();
    ~LangLookAndFeel() override;

    // JUCE makes every typeface through the default look-and-feel, which in
    // the program is this one: the program's Windows font names go through
    // FontSubstitution here (which on Linux maps them to host fonts).
    Typeface::Ptr getTypefaceForFont (const Font& font) override;

    // The selected language's font (item identifier = language index + 1),
    // 0.85 x the box height but at most 15. With no language selected the
    // font's name is empty.
    Font getComboBoxFont (ComboBox& box) override;

    void drawPopupMenuItem (Graphics& g,
                            const Rectangle<int>& area,
                            bool isSeparator,
                            bool isActive,
                            bool isHighlighted,
                            bool isTicked,
                            bool hasSubMenu,
                            const String& text,
                            const String& shortcutKeyText,
                            const Drawable* icon,
                            const Colour* textColour) override;

private:
    JUCE_DECLARE_NON_COPYABLE (LangLookAndFeel)
};

} // namespace juce
