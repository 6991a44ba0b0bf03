#include "ui/ProgressLookAndFeel.h"

ProgressLookAndFeel::ProgressLookAndFeel() = default;

ProgressLookAndFeel::~ProgressLookAndFeel() = default;

void ProgressLookAndFeel::drawProgressBar (juce::Graphics& g,
                                           juce::ProgressBar& bar,
                                           int width,
                                           int height,
                                           double progress,
                                           const juce::String& textToShow)
{
    constexpr int margin = 2;

    const juce::Colour topColour (0xffa7a7a7);
    const juce::Colour middleColour (0xff646464);
    const juce::Colour bottomColour (0xff6c6c6c);

    g.fillAll (bar.findColour (juce::ProgressBar::backgroundColourId));

    // The gradient's end point is the bar's height measured from the origin,
    // not its bottom edge, so the last rows below it keep the bottom colour.
    juce::ColourGradient shading (topColour, (float) margin, (float) margin,
                                  bottomColour, (float) margin, (float) (height - 2 * margin),
                                  false);
    shading.addColour (0.0, topColour);
    shading.addColour (0.5, middleColour);
    shading.addColour (1.0, bottomColour);
    g.setGradientFill (shading);

    // Out-of-range progress (the framework's negative "indeterminate" value
    // included) shows an empty or a full bar.
    const double fullWidth = (double) (width - 2 * margin);
    double barWidth = fullWidth * progress;

    if (barWidth < 0.0)
        barWidth = 0.0;

    if (barWidth > fullWidth)
        barWidth = fullWidth;

    g.fillRect (juce::Rectangle<float> ((float) margin, (float) margin,
                                        (float) barWidth, (float) (height - 2 * margin)));

    if (textToShow.isNotEmpty())
    {
        g.setColour (juce::Colour (0xffffffff));
        g.setFont ((float) height * 0.8f);
        g.drawText (textToShow,
                    juce::Rectangle<float> (0.0f, 0.0f, (float) width, (float) height),
                    juce::Justification::centred, false);
    }
}
