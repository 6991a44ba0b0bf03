// Test entry for the suites that use JUCE: a message manager exists for the
// whole run, so that tests can pump the real message loop.
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);

    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
