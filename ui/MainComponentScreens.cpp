// The screens of the main page, composed from the update state and the
// current language. composeScreen keeps no state of its own: every call
// rebuilds the page from the fields, so it may run as often as they change.
#include "ui/MainComponent.h"

#include "localisation/FormatText.h"
#include "localisation/TxtLoader.h"
#include "ui/AlineButton.h"
#include "ui/LanguageList.h"
#include "ui/UpdateProgressBar.h"
#include "ui/PageStyle.h"

namespace
{
enum class Screen
{
    language,
    ready,
    noText,
    updating,
    completion,
    notConnected,
    fileError,
    recovery
};

Screen screenFor (int state)
{
    if (state == stateIdle)
        return Screen::language;

    if (state == stateReady)
        return Screen::ready;

    if (isUpdatingState (state))
        return Screen::updating;

    if (state == stateComplete)
        return Screen::completion;

    if (state == errNotConnected)
        return Screen::notConnected;

    if (isFileError (state))
        return Screen::fileError;

    if (isRecoveryError (state))
        return Screen::recovery;

    return Screen::noText;
}

const float textHeight = 13.0f;
const int recoveryWidth = 800;
const int recoveryHeight = 300;
const int errorBoxLeft = 105; // room for the warning image

// Lays a text out into the arrangement, left and top aligned, with as many
// lines as 13-pixel rows fit into the box.
void addText (juce::GlyphArrangement& arrangement, const juce::String& text, bool bold, float x, float y, float w, float h)
{
    const juce::Font font (TxtLoader::getInstance()->getCurrentFontName(), textHeight,
                           bold ? juce::Font::bold : juce::Font::plain);
    const int maxLines = (int) (h * 0.07692308f);

    arrangement.addFittedText (font, text, x, y, w, h,
                               juce::Justification (juce::Justification::left | juce::Justification::top),
                               maxLines, 0.0f);
}

// The places of a page's texts, for a page of w x h pixels. `text` collects
// what is laid out, one piece below the other, for a screen reader.
struct PageText
{
    juce::GlyphArrangement& arrangement;
    float w, h;
    juce::String text {};

    // A text that fills the page from its top left corner.
    void whole (const juce::String& t, bool bold) { add (t, bold, 20, 20, w - 40, h - 20); }

    // A heading, and below it, indented, the detail.
    void headed (const juce::String& heading, bool bold, const juce::String& detail)
    {
        whole (heading, bold);

        // Below the glyphs laid out so far, the first one left out.
        const float top = arrangement.getBoundingBox (1, arrangement.getNumGlyphs() - 1, true).getBottom();
        add (detail, false, 40, top, w - 60, h - top);
    }

    // An error's text, right of the warning image.
    void besideWarning (const juce::String& t) { add (t, false, errorBoxLeft, 20, w - 125, h - 20); }

private:
    void add (const juce::String& t, bool bold, float x, float y, float boxW, float boxH)
    {
        addText (arrangement, t, bold, x, y, boxW, boxH);

        if (text.isNotEmpty() && ! text.endsWithChar ('\n'))
            text << "\n";

        text << t;
    }
};

// "\n\nError ID:\t0x" and the identifier in four upper-case hex digits.
juce::String errorSuffix (int state)
{
    return "\n\nError ID:\t0x" + formatText ("%04s", juce::String::toHexString (state).toUpperCase());
}

juce::String processorLabel (int fileCpuKind)
{
    switch (fileCpuKind)
    {
        case cpuSh7269: return "For SH7269";
        case cpuRt1062: return "For RT1062";
        default: return "UNKNOWN CPU";
    }
}

juce::String recoveryText (int fileCpuKind)
{
    const auto* t = TxtLoader::getInstance();
    juce::String text;

    text << t->getText (txtUpdateFailed) << "\n"
         << t->getText (txtUnitUnavailable) << "\n"
         << t->getText (txtTryProcedure) << "\n"
         << "\n"
         << t->getText (txtStep1Close) << "\n"
         << "\n"
         << t->getText (txtStep2Reconnect) << "\n"
         << "\n"
         << t->getText (txtStep3UpdateAgain) << "\n"
         << "\n"
         << "  - " << t->getText (txtIfDownloaded) << "\n"
         << "     " << t->getText (txtDoubleClickProgram) << "\n"
         << "\n"
         << "  - " << t->getText (txtIfViaApplication) << "\n"
         << "     " << t->getText (txtRestartApplication)
         << "\n"
         << "-------------\n"
         << processorLabel (fileCpuKind)
         << "\n"
         << "-------------\n"
         << "\n";

    return text;
}

// The two lines of the ready screen: major is the first character of a
// version text, minor its third and fourth.
juce::String versionLines (const juce::String& deviceVersion, const juce::String& fileVersion)
{
    const auto* t = TxtLoader::getInstance();

    return formatText (t->getText (txtCurrentVersion), deviceVersion.substring (0, 1), deviceVersion.substring (2, 4))
           + "\n"
           + formatText (t->getText (txtUpdateVersion), fileVersion.substring (0, 1), fileVersion.substring (2, 4));
}

// Gives a component what a screen reader reads as its name and description,
// and tells the reader when either changed.
void expose (juce::Component& component, const juce::String& title, const juce::String& description = {})
{
    if (title == component.getTitle() && description == component.getDescription())
        return;

    component.setTitle (title);
    component.setDescription (description);

    if (auto* handler = component.getAccessibilityHandler())
        handler->notifyAccessibilityEvent (juce::AccessibilityEvent::titleChanged);
}

} // namespace

void MainComponent::composeScreen()
{
    auto* catalogue = TxtLoader::getInstance();
    juce::Font::setFallbackFontName (catalogue->getCurrentFontName());

    if (auto* parent = getParentComponent())
    {
        const auto title = catalogue->getText (txtTitle);
        parent->setName (title);

        // What a screen reader calls the window, the same as its title bar.
        expose (*parent, title);
    }

    const int state = getUpdateState();
    const auto text = composeText (state);

    // The controls follow the state as it is now, which may already be a
    // step further than the one the text was made for; the next composition
    // brings both together again.
    showControls (getUpdateState());

    exposeText (state, text);

    repaint();
}

void MainComponent::exposeText (int state, const juce::String& text)
{
    // The tab that sets the error identifier apart is read as a space.
    const auto spoken = text.replaceCharacter ('\t', ' ');
    const int lineEnd = spoken.indexOfChar ('\n');
    const auto title = (lineEnd < 0 ? spoken : spoken.substring (0, lineEnd)).trimEnd();
    const auto description = lineEnd < 0 ? juce::String() : spoken.substring (lineEnd + 1).trimCharactersAtStart ("\r\n").trimEnd();

    expose (*this, title, description);

    // The list is named by the page's prompt, in the current language.
    expose (*languageList, TxtLoader::getInstance()->getText (txtSelectLanguage));

    // The update's end is also the progress bar's last step.
    if (state == stateComplete)
        announcer.progressShown (getProgress());

    // Screens are told apart by their kind; each error identifier is a
    // screen of its own. A change of language is not a new screen: the
    // reader hears the list's new value, and finds the page's text anew.
    // The first screen is composed before the window is up; it is announced
    // at its next composition, which the list's first change brings shortly
    // after the start.
    const int screen = isErrorIdentifier (state) ? state : (int) screenFor (state);

    if (isShowing())
        announcer.screenComposed (screen, description.isEmpty() ? title : title + "\n" + description, isErrorIdentifier (state));
}

juce::String MainComponent::composeText (int state)
{
    const auto* catalogue = TxtLoader::getInstance();
    const auto model = catalogue->getText (txtModelName);

    screenText.clear();
    PageText page { screenText, (float) getWidth(), (float) getHeight() };

    switch (screenFor (state))
    {
        case Screen::language:
            page.headed (catalogue->getText (txtLanguageSelections) + "\n\n", true, catalogue->getText (txtSelectLanguage));
            break;

        case Screen::ready:
            if (getFileLoadMark() == fileLoadedMark)
                page.headed (formatText (catalogue->getText (txtUpdatesVersion), model), true,
                             versionLines (getDeviceVersion(), getFileVersion()));
            break;

        case Screen::updating:
            page.headed (formatText (catalogue->getText (txtUpdating), model) + "\n\n", true, catalogue->getText (txtPleaseWait));
            break;

        case Screen::completion:
            page.whole (formatText (catalogue->getText (txtUpdateComplete), model), false);
            break;

        case Screen::notConnected:
            page.besideWarning (formatText (catalogue->getText (txtNotConnected), model) + errorSuffix (state));
            break;

        case Screen::fileError:
            page.besideWarning (catalogue->getText (txtUpdateFileError) + errorSuffix (state));
            break;

        case Screen::recovery:
            // The window follows its content to 800 x 300; the resize lays
            // the controls out again, which composes once more from inside
            // this call, so the text is laid out afresh afterwards.
            if (getWidth() != recoveryWidth || getHeight() != recoveryHeight)
                centreWithSize (recoveryWidth, recoveryHeight);

            {
                screenText.clear();
                PageText grown { screenText, (float) getWidth(), (float) getHeight() };
                grown.besideWarning (recoveryText (getFileCpuKind()));
                return grown.text;
            }

        case Screen::noText:
            break;
    }

    return page.text;
}

void MainComponent::showControls (int state)
{
    const auto* catalogue = TxtLoader::getInstance();
    const Screen screen = screenFor (state);

    languageList->setVisible (screen == Screen::language);

    if (screen == Screen::language)
    {
        languageList->setSelectedId (catalogue->getCurrentLanguage() + 1, juce::sendNotificationAsync);
        languageList->resized();
    }

    progressBar->setVisible (screen == Screen::updating);

    if (screen == Screen::updating)
    {
        if (getShownImageIndex() == 0)
            progressBar->setColour (juce::ProgressBar::backgroundColourId, juce::Colour (PageStyle::progressTroughFirstImage));
        else if (! getFirstImageIsZero())
            progressBar->setColour (juce::ProgressBar::backgroundColourId, juce::Colour (PageStyle::progressTroughOtherImages));
    }

    progressMirror.setActive (screen == Screen::updating);

    actionButton->setFontName (catalogue->getCurrentFontName());
    quitButton->setFontName (catalogue->getCurrentFontName());

    const auto right = PageStyle::rightButtonBounds (getWidth(), getHeight());
    const auto left = PageStyle::leftButtonBounds (getWidth(), getHeight());

    auto show = [] (AlineButton& button, const juce::String& caption, juce::Rectangle<int> bounds) {
        button.setVisible (true);
        button.setCaption (caption);
        button.setBounds (bounds);
    };

    const Action previous = action;

    switch (screen)
    {
        case Screen::language:
            show (*actionButton, catalogue->getText (txtOk), right);
            show (*quitButton, catalogue->getText (txtCancel), left);
            action = Action::begin;
            break;

        case Screen::ready:
            show (*actionButton, catalogue->getText (txtStart), right);
            show (*quitButton, catalogue->getText (txtClose), left);
            action = Action::confirm;
            break;

        case Screen::updating:
            actionButton->setVisible (false);
            quitButton->setVisible (false);
            action = Action::none;
            break;

        case Screen::completion:
            show (*actionButton, catalogue->getText (txtOk), right);
            action = Action::finish;
            break;

        case Screen::notConnected:
        case Screen::fileError:
        case Screen::recovery:
            actionButton->setVisible (false);
            show (*quitButton, catalogue->getText (txtClose), right);
            action = Action::none;
            break;

        case Screen::noText:
            // The buttons stay as they were, and so does what they do.
            break;
    }

    // Start comes up unarmed, its caption grey, and arms itself after a
    // moment on show; recomposing the ready screen does not restart it.
    if (action == Action::confirm && previous != Action::confirm)
    {
        actionButton->setArmed (false);
        startTimer (startArmingMs);
    }
    else if (action != Action::confirm)
    {
        stopTimer();
        actionButton->setArmed (true);
    }
}
