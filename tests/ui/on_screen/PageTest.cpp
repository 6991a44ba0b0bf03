// Every screen of the real main window, in English and in Japanese, as the
// user sees it and as a screen reader reads it.
//
// Reads: the accessibility tree is walked from the window down as a screen
// reader walks it, through JUCE's handlers (the same on every platform):
// the window by the program's title, the page as a group whose title and
// description are exactly the text painted, then the controls the screen
// shows in reading order, with their roles, names and values; and what was
// announced on the way, each screen once.
//
// Looks: each page is drawn into an image and compared, pixel for pixel,
// with the image of it under tests/ui/pages/. Those images were drawn before
// the pages said anything to a screen reader; what a screen reader is told
// must never change what is seen. After a deliberate change to the look,
// VQD_WRITE_PAGE_IMAGES=1 writes them anew.
#include "ImageChecks.h"
#include "VisibleText.h"
#include "WindowOnScreen.h"
#include "localisation/TxtLoader.h"
#include "ui/ScreenAnnouncer.h"

#include <gtest/gtest.h>

namespace
{
enum class Page
{
    language,
    ready,
    updating,
    completion,
    notConnected,
    fileError,
    recovery
};

struct PageCase
{
    Page page;
    const char* name;
    bool japanese;
    const char* englishTitle = nullptr; // the page's first line, in English
};

std::string caseName (const ::testing::TestParamInfo<PageCase>& info)
{
    return std::string (info.param.name) + (info.param.japanese ? "_ja" : "_en");
}

void PrintTo (const PageCase& c, std::ostream* out)
{
    *out << caseName ({ c, 0 });
}

juce::File pageImage (const PageCase& c)
{
    return juce::File (VQD_PAGE_IMAGES_DIR).getChildFile (caseName ({ c, 0 }) + ".png");
}

struct Announcement
{
    juce::String text;
    ScreenAnnouncer::Priority priority;
};

int differingPixels (const juce::Image& a, const juce::Image& b)
{
    int count = 0;

    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (pixel (a, x, y) != pixel (b, x, y))
                ++count;

    return count;
}

class PageTest : public ::testing::TestWithParam<PageCase>
{
protected:
    void SetUp() override
    {
        // Announcements are heard from the window's first moment on.
        const auto listen = [this] (MainComponent& page) {
            page.getAnnouncer().setPoster ([this] (const juce::String& text, ScreenAnnouncer::Priority priority) {
                announced.push_back ({ text, priority });
            });
        };
        const auto failure = GetParam().japanese ? screen.open (0x0411, "00000411", listen)
                                                 : screen.open (0x0409, "00000409", listen);

        if (failure.isNotEmpty())
            GTEST_SKIP() << failure;

        main = screen.main;
        bringUp (GetParam().page);
    }

    // The page as the worker's news would bring it, with the focus settled
    // where the page's rule puts it.
    void bringUp (Page page)
    {
        switch (page)
        {
            case Page::language:
                break;

            case Page::ready:
                ASSERT_TRUE (screen.runToReady());
                break;

            case Page::updating:
                screen.show (stateBlockData);
                break;

            case Page::completion:
                // The update's screen hid both buttons; the completion
                // shows OK alone.
                screen.show (stateBlockData);
                screen.show (stateComplete);
                break;

            case Page::notConnected:
                screen.show (errNotConnected);
                break;

            case Page::fileError:
                screen.show (errFileSize);
                break;

            case Page::recovery:
                // The processor's name comes from the update file, read on
                // the way to the ready screen.
                ASSERT_TRUE (screen.runToReady());
                main->stopWorker();
                screen.show (errDisconnected);
                ASSERT_TRUE (WindowOnScreen::eventually ([this] { return main->getWidth() == 800; }));
                break;
        }

        screen.repaintAndSettle();
    }

    static juce::String t (TextKey key) { return TxtLoader::getInstance()->getText (key); }

    // The controls a screen reader meets on the page, after the page itself:
    // role and name, in reading order.
    std::vector<std::pair<juce::AccessibilityRole, juce::String>> expectedControls() const
    {
        using R = juce::AccessibilityRole;

        switch (GetParam().page)
        {
            case Page::language: return { { R::comboBox, t (txtSelectLanguage) }, { R::button, t (txtCancel) }, { R::button, t (txtOk) } };
            case Page::ready: return { { R::button, t (txtClose) }, { R::button, t (txtStart) } };
            case Page::updating: return { { R::progressBar, {} } };
            case Page::completion: return { { R::button, t (txtOk) } };
            case Page::notConnected:
            case Page::fileError:
            case Page::recovery: return { { R::button, t (txtClose) } };
        }

        return {};
    }

    bool isErrorPage() const
    {
        const auto page = GetParam().page;
        return page == Page::notConnected || page == Page::fileError || page == Page::recovery;
    }

    WindowOnScreen screen;
    MainComponent* main = nullptr;
    std::vector<Announcement> announced;
};

const PageCase pageCases[] = {
    { Page::language, "language", false, "Language Selections" },
    { Page::language, "language", true },
    { Page::ready, "ready", false, "Updates the version of your VQD-TRM4 firmware." },
    { Page::ready, "ready", true },
    { Page::updating, "updating", false, "Updating your VQD-TRM4 firmware." },
    { Page::updating, "updating", true },
    { Page::completion, "completion", false, "The update of your version of the VQD-TRM4 firmware is now complete." },
    { Page::completion, "completion", true },
    { Page::notConnected, "not_connected", false, "Your VQD-TRM4 is not connected." },
    { Page::notConnected, "not_connected", true },
    { Page::fileError, "file_error", false, "There is an error in the update file." },
    { Page::fileError, "file_error", true },
    { Page::recovery, "recovery", false, "Failed to update the firmware." },
    { Page::recovery, "recovery", true },
};
} // namespace

TEST_P (PageTest, LooksAsBefore)
{
    const auto drawn = main->createComponentSnapshot (main->getLocalBounds(), true, 1.0f)
                           .convertedToFormat (juce::Image::ARGB);
    const auto file = pageImage (GetParam());

    if (juce::SystemStats::getEnvironmentVariable ("VQD_WRITE_PAGE_IMAGES", {}) == "1")
    {
        file.deleteFile();
        juce::FileOutputStream out (file);
        ASSERT_TRUE (out.openedOk() && juce::PNGImageFormat().writeImageToStream (drawn, out)) << file.getFullPathName();
        return;
    }

    const auto before = juce::ImageFileFormat::loadFrom (file).convertedToFormat (juce::Image::ARGB);
    ASSERT_TRUE (before.isValid()) << "no image " << file.getFullPathName();

    if (! imagesEqual (drawn, before))
    {
        const auto saved = juce::File::getSpecialLocation (juce::File::tempDirectory)
                               .getNonexistentChildFile ("page-" + caseName ({ GetParam(), 0 }), ".png");
        juce::FileOutputStream out (saved);
        juce::PNGImageFormat().writeImageToStream (drawn, out);

        FAIL() << "the page is drawn differently from " << file.getFullPathName() << ": "
               << drawn.getWidth() << " x " << drawn.getHeight() << " against " << before.getWidth() << " x "
               << before.getHeight()
               << (drawn.getBounds() == before.getBounds()
                       ? ", " + juce::String (differingPixels (drawn, before)) + " pixels differ"
                       : juce::String())
               << "; drawn now: " << saved.getFullPathName();
    }
}

TEST_P (PageTest, ReadsAsPainted)
{
    auto* windowHandler = screen.window->getAccessibilityHandler();
    ASSERT_NE (windowHandler, nullptr);
    EXPECT_EQ (windowHandler->getRole(), juce::AccessibilityRole::window);
    EXPECT_EQ (windowHandler->getTitle(), t (txtTitle));
    EXPECT_EQ (windowHandler->getTitle(), screen.window->getName()) << "the title bar says something else";

    // The page, and below it its controls.
    const auto top = windowHandler->getChildren();
    ASSERT_EQ (top.size(), 1u);
    auto* page = top.front();
    EXPECT_EQ (&page->getComponent(), main);
    EXPECT_EQ (page->getRole(), juce::AccessibilityRole::group);

    const auto title = page->getTitle();
    const auto description = page->getDescription();
    EXPECT_FALSE (title.isEmpty());
    EXPECT_FALSE (title.containsChar ('\n')) << "the title is one line";
    EXPECT_EQ (withoutWhitespace (title + description), visibleText (main->getScreenText()))
        << "the text read is not the text painted";

    if (GetParam().japanese)
        EXPECT_NE (title, juce::String (pageCases[(int) GetParam().page * 2].englishTitle));
    else
        EXPECT_EQ (title, GetParam().englishTitle);

    if (GetParam().page == Page::fileError)
    {
        EXPECT_TRUE (description.endsWith ("Error ID: 0x0E03")) << description;
    }

    if (GetParam().page == Page::notConnected)
    {
        EXPECT_TRUE (description.endsWith ("Error ID: 0x0E21")) << description;
    }

    const auto controls = page->getChildren();
    const auto expected = expectedControls();
    ASSERT_EQ (controls.size(), expected.size());

    for (size_t i = 0; i < controls.size(); ++i)
    {
        SCOPED_TRACE ("control " + std::to_string (i));
        EXPECT_EQ (controls[i]->getRole(), expected[i].first);

        if (expected[i].second.isNotEmpty())
        {
            EXPECT_EQ (controls[i]->getTitle(), expected[i].second);
        }

        EXPECT_EQ (controls[i]->getParent(), page);
    }

    // Values: the chosen language, as the list shows it; the percentage,
    // as the bar paints it.
    if (GetParam().page == Page::language)
    {
        auto* value = controls[0]->getValueInterface();
        ASSERT_NE (value, nullptr);
        EXPECT_EQ (value->getCurrentValueAsString(),
                   TxtLoader::getInstance()->getLanguageName (GetParam().japanese ? 11 : 0));
    }

    if (GetParam().page == Page::updating)
    {
        auto* value = controls[0]->getValueInterface();
        ASSERT_NE (value, nullptr);
        EXPECT_EQ (value->getCurrentValueAsString(), "0%");
        EXPECT_EQ (value->getRange().getMaximumValue(), 100.0);
    }

    // The control that Return acts on is the one reported as focused.
    for (auto* control : controls)
    {
        EXPECT_EQ (control->getCurrentState().isFocused(), control->getComponent().hasKeyboardFocus (true))
            << control->getTitle();
    }

    // Announced: this screen last, once, with its whole text; errors before
    // anything else in the reader's queue. No screen twice.
    ASSERT_FALSE (announced.empty());
    EXPECT_EQ (announced.back().text, description.isEmpty() ? title : title + "\n" + description);
    EXPECT_EQ (announced.back().priority, isErrorPage() ? ScreenAnnouncer::Priority::high : ScreenAnnouncer::Priority::medium);

    for (size_t i = 0; i < announced.size(); ++i)
    {
        for (size_t j = i + 1; j < announced.size(); ++j)
        {
            EXPECT_NE (announced[i].text, announced[j].text) << "announced twice";
        }
    }

    // Composing the same screen again, as every worker news and resize does,
    // says nothing more.
    const auto count = announced.size();
    main->composeScreen();
    main->resized();
    screen.repaintAndSettle();
    EXPECT_EQ (announced.size(), count);
}

INSTANTIATE_TEST_SUITE_P (EveryScreen, PageTest, ::testing::ValuesIn (pageCases), caseName);

// A whole update against the simulated controller, as a screen reader
// hears it: the ready screen, the update's screen, its progress in rising
// tenths (never one twice, at most one a tenth, so at most ten), 100% at
// the end and then the completion screen; and the bar's value as it goes.
TEST (ScreenReaderTest, HearsAWholeUpdateWithItsProgressInTenths)
{
    WindowOnScreen screen;
    std::vector<Announcement> announced;
    const auto failure = screen.open (0x0409, "00000409", [&] (MainComponent& page) {
        page.getAnnouncer().setPoster ([&] (const juce::String& text, ScreenAnnouncer::Priority priority) {
            announced.push_back ({ text, priority });
        });
    });

    if (failure.isNotEmpty())
        GTEST_SKIP() << failure;

    auto* main = screen.main;
    ASSERT_TRUE (screen.runToReady());
    main->buttonClicked (main->getActionButton());

    // The bar's value, read as a reader would while the update runs.
    juce::StringArray valuesRead;
    ASSERT_TRUE (MessageLoop::runUntil (
        [&] {
            if (auto* handler = main->getProgressBar()->getAccessibilityHandler(); handler != nullptr && main->getProgressBar()->isShowing())
                valuesRead.addIfNotAlreadyThere (handler->getValueInterface()->getCurrentValueAsString());

            return main->getUpdateState() == stateComplete;
        },
        120000));
    MessageLoop::runUntilIdle();

    ASSERT_GE (announced.size(), 4u);
    EXPECT_TRUE (announced[0].text.startsWith ("Language Selections"));
    EXPECT_TRUE (announced[1].text.startsWith ("Updates the version of your VQD-TRM4 firmware."));
    EXPECT_TRUE (announced[2].text.startsWith ("Updating your VQD-TRM4 firmware."));
    EXPECT_TRUE (announced.back().text.startsWith ("The update of your version of the VQD-TRM4 firmware is now complete."));

    int last = 0;

    for (size_t i = 3; i + 1 < announced.size(); ++i)
    {
        const auto& a = announced[i];
        ASSERT_TRUE (a.text.endsWithChar ('%')) << "not a step of the progress: " << a.text;
        const int percent = a.text.getIntValue();
        EXPECT_EQ (percent % 10, 0) << a.text;
        EXPECT_GT (percent, last) << "announced again, or going back";
        EXPECT_EQ (a.priority, ScreenAnnouncer::Priority::low);
        last = percent;
    }

    EXPECT_EQ (last, 100) << "the end of the update was not announced";
    EXPECT_TRUE (valuesRead.contains ("0%"));
    EXPECT_GE (valuesRead.size(), 3) << valuesRead.joinIntoString (" ");

    for (const auto& v : valuesRead)
        EXPECT_TRUE (v.endsWithChar ('%') && v.getIntValue() >= 0 && v.getIntValue() <= 100) << v;
}
