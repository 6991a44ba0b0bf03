// Included ahead of every source file of the fuzz tree. JUCE only logs a
// failed jassert in a build without a debugger; here it logs the usual
// "JUCE Assertion failure in FILE:LINE" line and traps, so that the fuzzer
// reports the input that led to it like any other crash.
#pragma once

#define JUCE_LOG_CURRENT_ASSERTION        \
 juce::logAssertion (__FILE__, __LINE__); \
 __builtin_trap();
