// Included ahead of every source file of the sanitizer trees (Debug, so
// JUCE's assertions are compiled in). JUCE only logs a failed jassert and
// goes on unless a debugger is attached; here it logs the usual
// "JUCE Assertion failure in FILE:LINE" line and then aborts, so that the
// test or the program run where it happens fails, and the sanitizer's abort
// handler prints the stack that led to it.
#pragma once

#define JUCE_LOG_CURRENT_ASSERTION        \
 juce::logAssertion (__FILE__, __LINE__); \
 __builtin_abort();
