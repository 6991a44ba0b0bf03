#include "ui/LanguageList.h"

namespace
{
class ChosenLanguage : public juce::AccessibilityTextValueInterface
{
public:
    explicit ChosenLanguage (juce::ComboBox& l) : list (l) {}

    bool isReadOnly() const override { return true; }
    juce::String getCurrentValueAsString() const override { return list.getText(); }
    void setValueAsString (const juce::String&) override {}

private:
    juce::ComboBox& list;
};

class LanguageListHandler : public juce::AccessibilityHandler
{
public:
    explicit LanguageListHandler (juce::ComboBox& l)
        : juce::AccessibilityHandler (l, juce::AccessibilityRole::comboBox,
                                      juce::AccessibilityActions()
                                          .addAction (juce::AccessibilityActionType::press, [&l] { l.showPopup(); })
                                          .addAction (juce::AccessibilityActionType::showMenu, [&l] { l.showPopup(); }),
                                      { std::make_unique<ChosenLanguage> (l) }),
          list (l)
    {
    }

    juce::AccessibleState getCurrentState() const override
    {
        const auto state = juce::AccessibilityHandler::getCurrentState().withExpandable();
        return list.isPopupActive() ? state.withExpanded() : state.withCollapsed();
    }

private:
    juce::ComboBox& list;
};
} // namespace

LanguageList::LanguageList()
    : juce::ComboBox ("langs")
{
    setWantsKeyboardFocus (true);
    setMouseClickGrabsKeyboardFocus (false);
}

void LanguageList::mouseDown (const juce::MouseEvent& e)
{
    juce::ComboBox::mouseDown (e);

    // The text inside the list hands a click's focus to the list itself;
    // pass it on to where the page wants it.
    if (auto* page = getParentComponent())
        if (auto traverser = page->createKeyboardFocusTraverser())
            if (auto* target = traverser->getDefaultComponent (page); target != nullptr && target != this)
                target->grabKeyboardFocus();
}

std::unique_ptr<juce::AccessibilityHandler> LanguageList::createAccessibilityHandler()
{
    return std::make_unique<LanguageListHandler> (*this);
}
