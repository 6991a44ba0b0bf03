// The screens of the main page, composed from the update state and the
// current language. composeScreen keeps no state of its own: every call
// rebuilds the page from the fields, so it may run as often as they change.
#include "ui/MainComponent.h"

#include "localisation/FormatText.h"
#include "localisation/TxtLoader.h"
#include "ui/AlineButton.h"

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

    if (state >= errNoUpdateFile && state <= errFileCrc)
        return Screen::fileError;

    if (state >= errDeviceInfo && state <= errProtocol)
        return Screen::recovery;

    return Screen::noText;
}

const float textHeight = 13.0f;
const int recoveryWidth = 800;
const int recoveryHeight = 300;
const int errorBoxLeft = 105; // room for the warning image
const juce::uint32 troughFirstImage = 0xFFFA32C8;
const juce::uint32 troughOtherImages = 0xFF080808;

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
        default:        return "UNKNOWN CPU";
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
} // namespace

void MainComponent::composeScreen()
{
    auto* catalogue = TxtLoader::getInstance();
    const auto& fontName = catalogue->getCurrentFontName();

    juce::Font::setFallbackFontName (fontName);

    if (auto* parent = getParentComponent())
        parent->setName (catalogue->getText (txtTitle));

    screenText.clear();

    const auto model = catalogue->getText (txtModelName);
    const Screen textScreen = screenFor (getUpdateState());

    auto w = (float) getWidth();
    auto h = (float) getHeight();

    // Where the second text of a screen starts: below the glyphs laid out so
    // far, the first one left out.
    auto detailTop = [this]
    {
        return screenText.getBoundingBox (1, screenText.getNumGlyphs() - 1, true).getBottom();
    };

    switch (textScreen)
    {
        case Screen::notConnected:
            addText (screenText, formatText (catalogue->getText (txtNotConnected), model) + errorSuffix (getUpdateState()),
                     false, errorBoxLeft, 20, w - 125, h - 20);
            break;

        case Screen::language:
        {
            addText (screenText, catalogue->getText (txtLanguageSelections) + "\n\n", true, 20, 20, w - 40, h - 20);
            const float b = detailTop();
            addText (screenText, catalogue->getText (txtSelectLanguage), false, 40, b, w - 60, h - b);
            break;
        }

        case Screen::ready:
            if (getFileLoadMark() == 8)
            {
                addText (screenText, formatText (catalogue->getText (txtUpdatesVersion), model), true, 20, 20, w - 40, h - 20);
                const float b = detailTop();
                addText (screenText, versionLines (getDeviceVersion(), getFileVersion()), false, 40, b, w - 60, h - b);
            }
            break;

        case Screen::updating:
        {
            addText (screenText, formatText (catalogue->getText (txtUpdating), model) + "\n\n", true, 20, 20, w - 40, h - 20);
            const float b = detailTop();
            addText (screenText, catalogue->getText (txtPleaseWait), false, 40, b, w - 60, h - b);
            break;
        }

        case Screen::completion:
            addText (screenText, formatText (catalogue->getText (txtUpdateComplete), model), false, 20, 20, w - 40, h - 20);
            break;

        case Screen::fileError:
            addText (screenText, catalogue->getText (txtUpdateFileError) + errorSuffix (getUpdateState()),
                     false, errorBoxLeft, 20, w - 125, h - 20);
            break;

        case Screen::recovery:
            // The window follows its content to 800 x 300; the resize lays
            // the controls out again, which composes once more from inside
            // this call, so the text is laid out afresh afterwards.
            if (getWidth() != recoveryWidth || getHeight() != recoveryHeight)
                centreWithSize (recoveryWidth, recoveryHeight);

            screenText.clear();
            w = (float) getWidth();
            h = (float) getHeight();
            addText (screenText, recoveryText (getFileCpuKind()), false, errorBoxLeft, 20, w - 125, h - 20);
            break;

        case Screen::noText:
            break;
    }

    // The controls follow the state as it is now, which may already be a
    // step further than the one the text was made for; the next composition
    // brings both together again.
    const Screen screen = screenFor (getUpdateState());
    const int iw = getWidth();
    const int ih = getHeight();

    if (screen == Screen::language)
    {
        languageList->setSelectedId (catalogue->getCurrentLanguage() + 1, juce::sendNotificationAsync);
        languageList->setVisible (true);
        languageList->resized();
    }
    else
    {
        languageList->setVisible (false);
    }

    if (screen == Screen::updating)
    {
        progressBar->setVisible (true);

        if (getShownImageIndex() == 0)
            progressBar->setColour (juce::ProgressBar::backgroundColourId, juce::Colour (troughFirstImage));
        else if (! getFirstImageIsZero())
            progressBar->setColour (juce::ProgressBar::backgroundColourId, juce::Colour (troughOtherImages));
    }
    else
    {
        progressBar->setVisible (false);
    }

    progressMirror.setActive (screen == Screen::updating);

    actionButton->setFontName (fontName);
    quitButton->setFontName (fontName);

    const juce::Rectangle<int> right (iw - 120, ih - 40, 100, 20);
    const juce::Rectangle<int> left (iw - 230, ih - 40, 100, 20);

    auto show = [] (AlineButton& button, const juce::String& caption, juce::Rectangle<int> bounds)
    {
        button.setVisible (true);
        button.setCaption (caption);
        button.setBounds (bounds);
    };

    switch (screen)
    {
        case Screen::language:
            show (*actionButton, catalogue->getText (txtOk), right);
            show (*quitButton, catalogue->getText (txtCancel), left);
            break;

        case Screen::ready:
            show (*actionButton, catalogue->getText (txtStart), right);
            show (*quitButton, catalogue->getText (txtClose), left);
            break;

        case Screen::updating:
            actionButton->setVisible (false);
            quitButton->setVisible (false);
            break;

        case Screen::completion:
            show (*actionButton, catalogue->getText (txtOk), right);
            break;

        case Screen::notConnected:
        case Screen::fileError:
        case Screen::recovery:
            actionButton->setVisible (false);
            show (*quitButton, catalogue->getText (txtClose), right);
            break;

        case Screen::noText:
            break;
    }

    repaint();
}
