#include "ui/MainComponent.h"

#include "localisation/FontSubstitution.h"
#include "localisation/TxtLoader.h"
#include "ui/AlineButton.h"
#include "ui/LanguageList.h"
#include "ui/PageStyle.h"
#include "ui/PageTraverser.h"
#include "ui/ProgressLookAndFeel.h"
#include "ui/UpdateProgressBar.h"

#include <utility>

namespace
{
const char* const defaultSansSerifFont = "MS PGothic";

void setUpButton (AlineButton& button, MainComponent& owner)
{
    owner.addAndMakeVisible (button);
    button.addListener (&owner);
    button.setFontStyle (juce::Font::bold);
    button.setColour (juce::TextButton::buttonColourId, juce::Colour (PageStyle::pageColour));
    button.setColour (juce::TextButton::buttonOnColourId, juce::Colour (PageStyle::pageColour));
}
} // namespace

MainComponent::MainComponent()
    : progressMirror (*this, progress)
{
    auto* catalogue = TxtLoader::getInstance();

    // One look for the whole interface: every component without a
    // look-and-feel of its own, the window included, uses the language list's.
    FontSubstitution::setDefaultSansSerifTypefaceName (langLookAndFeel, defaultSansSerifFont);
    juce::Desktop::getInstance().setDefaultLookAndFeel (&langLookAndFeel);
    FontSubstitution::setDefaultSansSerifTypefaceName (juce::LookAndFeel::getDefaultLookAndFeel(), defaultSansSerifFont);
    // Typefaces made before came from another default look-and-feel.
    juce::Typeface::clearTypefaceCache();

    languageList = new LanguageList();
    addAndMakeVisible (languageList);
    languageList->setLookAndFeel (&langLookAndFeel);
    languageList->addListener (this);

    for (int i = 0; i < kLanguageCount; ++i)
        if (catalogue->isLanguageAvailable (i))
            languageList->addItem (catalogue->getLanguageName (i), i + 1);

    // The asynchronous notification makes the list report one change shortly
    // after start, which recomposes the screen with the start language.
    languageList->setSelectedId (catalogue->getCurrentLanguage() + 1, juce::sendNotificationAsync);

    progressLookAndFeel = new ProgressLookAndFeel();
    progressBar = new UpdateProgressBar (progress);
    addAndMakeVisible (progressBar);
    progressBar->setLookAndFeel (progressLookAndFeel);
    progressBar->setColour (juce::ProgressBar::foregroundColourId, juce::Colour (progressIdleColour));
    progressBar->setColour (juce::ProgressBar::backgroundColourId, juce::Colour (PageStyle::progressTroughOtherImages));

    actionButton = new AlineButton ("OK");
    setUpButton (*actionButton, *this);

    quitButton = new AlineButton ("Cancel");
    setUpButton (*quitButton, *this);

    // A screen reader walks the page's own controls, in reading order
    // (createFocusTraverser), below the page itself.
    setFocusContainerType (FocusContainerType::focusContainer);

    // Progress is announced as the bar shows it.
    progressMirror.onCopied = [this] (double shown) { announcer.progressShown (shown); };

    // The device session starts now; if the controller is present it is
    // selected. The action button looks at the connection when pressed.
    openDevice();
}

MainComponent::~MainComponent()
{
    // After a quit through the buttons the worker has ended already; this
    // matters when the system ends the program during an update.
    if (isThreadRunning())
        stopWorker();

    progressMirror.setActive (false);
    stopTimer(); // it arms the action button

    // Each pointer is cleared before its control goes: deleting a control
    // moves the keyboard focus, which asks the page for its controls.
    delete std::exchange (languageList, nullptr);
    delete std::exchange (progressBar, nullptr);
    delete std::exchange (actionButton, nullptr);
    delete std::exchange (quitButton, nullptr);
    delete progressLookAndFeel;
    progressLookAndFeel = nullptr;

    closeDevice();
    TxtLoader::releaseInstance();

    if (&juce::LookAndFeel::getDefaultLookAndFeel() == &langLookAndFeel)
        juce::Desktop::getInstance().setDefaultLookAndFeel (nullptr);
}

juce::ComboBox* MainComponent::getLanguageList() const noexcept
{
    return languageList;
}

juce::ProgressBar* MainComponent::getProgressBar() const noexcept
{
    return progressBar;
}

//==============================================================================
std::unique_ptr<juce::AccessibilityHandler> MainComponent::createAccessibilityHandler()
{
    // The page's text is its title and description (exposeText).
    return std::make_unique<juce::AccessibilityHandler> (*this, juce::AccessibilityRole::group);
}

std::vector<juce::Component*> MainComponent::readingOrder() const
{
    // The list and the bar share one place; the screens show one at most.
    return { languageList, progressBar, quitButton, actionButton };
}

std::unique_ptr<juce::ComponentTraverser> MainComponent::createFocusTraverser()
{
    return std::make_unique<PageTraverser> (PageTraverser::Kind::screenReader, readingOrder(), std::vector<juce::Component*>());
}

std::unique_ptr<juce::ComponentTraverser> MainComponent::createKeyboardFocusTraverser()
{
    // Where JUCE picks a control itself, Return is to act on the default.
    return std::make_unique<PageTraverser> (PageTraverser::Kind::keyboard, readingOrder(),
                                            std::vector<juce::Component*> { actionButton, quitButton });
}

//==============================================================================
void MainComponent::resized()
{
    composeScreen();
    layOutControls();
}

void MainComponent::layOutControls()
{
    const int w = getWidth();
    const int h = getHeight();

    languageList->setBounds (PageStyle::listBounds (w, h));
    progressBar->setBounds (PageStyle::listBounds (w, h));

    if (actionButton->isVisible())
    {
        actionButton->setBounds (PageStyle::rightButtonBounds (w, h));
        quitButton->setBounds (PageStyle::leftButtonBounds (w, h));
    }
    else
    {
        quitButton->setBounds (PageStyle::rightButtonBounds (w, h));
    }
}

void MainComponent::handleAsyncUpdate()
{
    applyProgressForeground();

    const juce::ScopedLock sl (statusLock);
    composeScreen();
}

void MainComponent::applyProgressForeground()
{
    // The worker only says which colour it wants; the component is changed
    // here, on the message thread.
    const juce::Colour wanted (getProgressForeground());

    if (progressBar->findColour (juce::ProgressBar::foregroundColourId) != wanted)
        progressBar->setColour (juce::ProgressBar::foregroundColourId, wanted);
}

//==============================================================================
void MainComponent::buttonClicked (juce::Button* button)
{
    if (button == quitButton)
    {
        requestQuit();
        return;
    }

    if (button != actionButton)
        return;

    // The button acts on the screen it is shown on. The worker may already
    // be a step further: OK on the first screen is pressed again while the
    // worker asks its first questions (the screen still shows OK), or Start
    // appears before a double-click's second click. Either does nothing.
    const int state = getUpdateState();

    switch (action)
    {
        case Action::begin:
            if (state == stateIdle)
            {
                // Starts the worker with a controller; records the
                // not-connected error without one.
                startFromIdle();
                composeScreen();
            }
            break;

        case Action::confirm:
            // The worker's next asynchronous update recomposes the screen.
            if (state == stateReady && actionButton->isArmed())
                confirmUpdate();
            break;

        case Action::finish:
            if (state == stateComplete && getUpdateComplete())
                requestQuit();
            break;

        case Action::none:
            break;
    }
}

void MainComponent::timerCallback()
{
    stopTimer();

    if (action == Action::confirm)
        actionButton->setArmed (true);
}

void MainComponent::comboBoxChanged (juce::ComboBox* box)
{
    if (box != languageList)
        return;

    auto* catalogue = TxtLoader::getInstance();
    const int requested = languageList->getSelectedId() - 1;

    if (requested != catalogue->getCurrentLanguage() && requested >= 0 && requested < kLanguageCount)
        catalogue->setLanguage (requested);

    // The box's own text takes the selected language's font.
    languageList->resized();
    composeScreen();
}

void MainComponent::requestQuit()
{
    stopWorker();

    if (auto* app = juce::JUCEApplication::getInstance())
        app->systemRequestedQuit();
}
