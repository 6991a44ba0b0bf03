#include "ui/PageTraverser.h"

#include <algorithm>

PageTraverser::PageTraverser (Kind k, std::vector<juce::Component*> readingOrder, std::vector<juce::Component*> keyboardDefaults)
    : kind (k), defaults (std::move (keyboardDefaults))
{
    for (auto* c : readingOrder)
        if (canReach (c))
            reachable.push_back (c);
}

bool PageTraverser::canReach (const juce::Component* c) const
{
    if (c == nullptr || ! c->isVisible() || ! c->isEnabled())
        return false;

    return kind == Kind::screenReader || c->getWantsKeyboardFocus();
}

juce::Component* PageTraverser::getDefaultComponent (juce::Component*)
{
    if (kind == Kind::keyboard)
        for (auto* c : defaults)
            if (std::find (reachable.begin(), reachable.end(), c) != reachable.end())
                return c;

    return reachable.empty() ? nullptr : reachable.front();
}

juce::Component* PageTraverser::getNextComponent (juce::Component* current)
{
    const auto at = std::find (reachable.begin(), reachable.end(), current);

    if (at == reachable.end() || std::next (at) == reachable.end())
        return nullptr;

    return *std::next (at);
}

juce::Component* PageTraverser::getPreviousComponent (juce::Component* current)
{
    const auto at = std::find (reachable.begin(), reachable.end(), current);

    if (at == reachable.end() || at == reachable.begin())
        return nullptr;

    return *std::prev (at);
}

std::vector<juce::Component*> PageTraverser::getAllComponents (juce::Component*)
{
    return reachable;
}
