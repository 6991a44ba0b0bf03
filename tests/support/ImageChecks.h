#pragma once

// Pixel checks for tests that paint real components into images.
#include <gtest/gtest.h>
#include <juce_graphics/juce_graphics.h>

inline juce::uint32 pixel (const juce::Image& image, int x, int y)
{
    return image.getPixelAt (x, y).getARGB();
}

// Exact colour of one pixel, with both colours in the failure message.
inline ::testing::AssertionResult pixelIs (const juce::Image& image, int x, int y, juce::uint32 expected)
{
    const auto actual = pixel (image, x, y);

    if (actual == expected)
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is 0x"
                                         << juce::String::toHexString ((int) actual)
                                         << ", expected 0x" << juce::String::toHexString ((int) expected);
}

// Same size, same pixels.
inline bool imagesEqual (const juce::Image& a, const juce::Image& b)
{
    if (a.getWidth() != b.getWidth() || a.getHeight() != b.getHeight())
        return false;

    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (pixel (a, x, y) != pixel (b, x, y))
                return false;

    return true;
}
