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
