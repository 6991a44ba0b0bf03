// The page behind the controls: background, the warning image on error
// screens and the composed text; and the keyboard focus, which rests on the
// button that Return is meant to trigger in each state.
#include "ui/MainComponent.h"

#include "BinaryData.h"
#include "ui/AlineButton.h"
#include "ui/LanguageList.h"
#include "ui/PageStyle.h"

namespace
{
const juce::Rectangle<int> warningImageArea (20, 15, 64, 64);

bool hasFocus (const juce::Component* component)
{
    return component != nullptr && component->hasKeyboardFocus (true);
}

// Only a component on the screen can take the focus. The page is also
// painted where it is not (into an image, or before its window is shown),
// and the rule is applied again at the next paint on the screen.
void giveFocus (juce::Component* component)
{
    if (component != nullptr && component->isShowing())
        component->grabKeyboardFocus();
}
} // namespace

void MainComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (PageStyle::pageColour));

    if (isErrorIdentifier (getUpdateState()))
    {
        const auto image = juce::ImageCache::getFromMemory (BinaryData::warning_png, BinaryData::warning_pngSize);

        if (image.isValid())
            g.drawImage (image,
                         warningImageArea.getX(), warningImageArea.getY(),
                         warningImageArea.getWidth(), warningImageArea.getHeight(),
                         0, 0, image.getWidth(), image.getHeight(), false);
    }

    g.setColour (juce::Colour (PageStyle::textColour));
    screenText.draw (g);

    applyFocusRule();
}

void MainComponent::applyFocusRule()
{
    const int state = getUpdateState();

    if (state == stateIdle)
    {
        if (! hasFocus (languageList) && ! hasFocus (actionButton) && ! hasFocus (quitButton))
            giveFocus (actionButton);
    }
    else if (state == stateReady)
    {
        if (! hasFocus (actionButton) && ! hasFocus (quitButton))
            giveFocus (actionButton);
    }
    else if (state == stateComplete)
    {
        if (! hasFocus (actionButton))
            giveFocus (actionButton);
    }
    else if (isErrorIdentifier (state))
    {
        if (! hasFocus (quitButton))
            giveFocus (quitButton);
    }
}
