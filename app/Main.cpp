// Process entry: JUCE's standard application entry creates the one
// Application object and runs the message loop.
#include "app/Application.h"

START_JUCE_APPLICATION (Application)
