#pragma once

// The catalogue's constant data: three tables of per-language names and one
// table of texts per TextKey, each indexed by language (0..11). They are
// built before the application object and outlive every TxtLoader.

#include "localisation/Languages.h"
#include "localisation/TextKeys.h"

#include <juce_core/juce_core.h>

extern const juce::String kPlatformFonts[kLanguageCount];
extern const juce::String kAlternativeFonts[kLanguageCount];
extern const juce::String kLanguageNames[kLanguageCount];

extern const juce::String kTxtEmpty[kLanguageCount];
extern const juce::String kTxtSeriesName[kLanguageCount];
extern const juce::String kTxtModelName[kLanguageCount];
extern const juce::String kTxtTitle[kLanguageCount];
extern const juce::String kTxtOk[kLanguageCount];
extern const juce::String kTxtStart[kLanguageCount];
extern const juce::String kTxtCancel[kLanguageCount];
extern const juce::String kTxtClose[kLanguageCount];
extern const juce::String kTxtLanguageSelections[kLanguageCount];
extern const juce::String kTxtSelectLanguage[kLanguageCount];
extern const juce::String kTxtUpdateFileError[kLanguageCount];
extern const juce::String kTxtNotConnected[kLanguageCount];
extern const juce::String kTxtUpdatesVersion[kLanguageCount];
extern const juce::String kTxtCurrentVersion[kLanguageCount];
extern const juce::String kTxtUpdateVersion[kLanguageCount];
extern const juce::String kTxtUpdating[kLanguageCount];
extern const juce::String kTxtPleaseWait[kLanguageCount];
extern const juce::String kTxtUpdateComplete[kLanguageCount];
extern const juce::String kTxtUpdateFailed[kLanguageCount];
extern const juce::String kTxtUnitUnavailable[kLanguageCount];
extern const juce::String kTxtTryProcedure[kLanguageCount];
extern const juce::String kTxtStep1Close[kLanguageCount];
extern const juce::String kTxtStep2Reconnect[kLanguageCount];
extern const juce::String kTxtStep3UpdateAgain[kLanguageCount];
extern const juce::String kTxtIfDownloaded[kLanguageCount];
extern const juce::String kTxtDoubleClickProgram[kLanguageCount];
extern const juce::String kTxtDoubleClickPackage[kLanguageCount];
extern const juce::String kTxtIfViaApplication[kLanguageCount];
extern const juce::String kTxtRestartApplication[kLanguageCount];

// The 29 text tables by key, for loading a language's texts in one loop.
extern const juce::String* const kTextTables[kTextCount];
