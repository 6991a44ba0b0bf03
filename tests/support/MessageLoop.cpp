#include "MessageLoop.h"

namespace MessageLoop
{
bool runUntil (const std::function<bool()>& done, int timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounterHiRes() + timeoutMs;

    while (! done())
    {
        if (juce::Time::getMillisecondCounterHiRes() > end)
            return done();

        juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
    }

    return true;
}

void runFor (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}
} // namespace MessageLoop
