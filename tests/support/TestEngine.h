#pragma once

#include "update/UpdateEngine.h"

#include <functional>
#include <vector>

// The update engine with a stand-in for the screen: every asynchronous
// update the worker triggers is answered on the message thread, under
// statusLock as the main component does, by noting the state it saw.
class TestEngine : public UpdateEngine
{
public:
    ~TestEngine() override
    {
        stopWorker();
        closeDevice();
    }

    void handleAsyncUpdate() override
    {
        const juce::ScopedLock sl (statusLock);
        ++compositions;

        const int state = getUpdateState();

        if (statesSeen.empty() || statesSeen.back() != state)
            statesSeen.push_back (state);
    }

    // Called instead of the real load when set: lets a test change the file
    // between the search and the load, or between the checks and the update.
    std::function<int (const juce::String&, uint32_t&, juce::String&, std::vector<uint8_t>&)> loadHook;

    int compositions = 0;
    std::vector<int> statesSeen;

    juce::CriticalSection& getStatusLock() { return statusLock; }

    using UpdateEngine::setPacing;
    using UpdateEngine::getPacing;

protected:
    int loadChosenFile (const juce::String& path, uint32_t& dateOut, juce::String& versionOut,
                        std::vector<uint8_t>& content) override
    {
        if (loadHook)
            return loadHook (path, dateOut, versionOut, content);

        return UpdateEngine::loadChosenFile (path, dateOut, versionOut, content);
    }
};
