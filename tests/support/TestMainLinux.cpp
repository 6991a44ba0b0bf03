// Test entry for the suites that use JUCE: a message manager exists for the
// whole run, so that tests can pump the real message loop.
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);

    // Without DISPLAY, JUCE would try ":0.0", and whatever X server happens
    // to hold that display (another test's Xvfb, say) would decide how these
    // tests run, or hang them. No DISPLAY means headless: name a display that
    // cannot exist, so that opening it fails at once.
    if (std::getenv ("DISPLAY") == nullptr)
        setenv ("DISPLAY", ":65535", 1);

    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
