#pragma once

// A software renderer that draws as usual and notes, for every glyph, the
// font and the fallback font name it was drawn with: "which font drew this"
// asked of the real drawing.
#include <juce_graphics/juce_graphics.h>

#include <vector>

struct GlyphInfo
{
    juce::Font font;
    juce::String fallbackFontName;
};

class GlyphRecorder : public juce::LowLevelGraphicsSoftwareRenderer
{
public:
    explicit GlyphRecorder (const juce::Image& image) : juce::LowLevelGraphicsSoftwareRenderer (image) {}

    void drawGlyph (int glyphNumber, const juce::AffineTransform& t) override
    {
        glyphs.push_back ({ getFont(), juce::Font::getFallbackFontName() });
        juce::LowLevelGraphicsSoftwareRenderer::drawGlyph (glyphNumber, t);
    }

    std::vector<GlyphInfo> glyphs;
};
