#pragma once

#include <juce_graphics/juce_graphics.h>

// The page's colours and where its controls sit: one place for the window,
// the page painting, the screens and the controls.
namespace PageStyle
{
// The page, the window behind it and the faces of the buttons.
constexpr juce::uint32 pageColour = 0xFFEAEAEA;
constexpr juce::uint32 textColour = 0xFF000000;

// The progress bar's trough: pink while image 0 is written, dark otherwise.
constexpr juce::uint32 progressTroughFirstImage = 0xFFFA32C8;
constexpr juce::uint32 progressTroughOtherImages = 0xFF080808;

constexpr int controlMargin = 20;
constexpr int controlHeight = 20;
constexpr int buttonWidth = 100;

// The language list and the progress bar share one place, across the page
// 80 pixels above its bottom.
inline juce::Rectangle<int> listBounds (int pageWidth, int pageHeight)
{
    return { controlMargin, pageHeight - 80, pageWidth - 2 * controlMargin, controlHeight };
}

// The right-hand button holds the action that Return triggers; the left-hand
// one stands beside it.
inline juce::Rectangle<int> rightButtonBounds (int pageWidth, int pageHeight)
{
    return { pageWidth - 120, pageHeight - 40, buttonWidth, controlHeight };
}

inline juce::Rectangle<int> leftButtonBounds (int pageWidth, int pageHeight)
{
    return { pageWidth - 230, pageHeight - 40, buttonWidth, controlHeight };
}
} // namespace PageStyle
