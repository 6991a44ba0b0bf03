#include "localisation/FontSubstitution.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace
{
struct Substitute
{
    const char* windowsName;
    const char* hostName;
};

// The Windows fonts the program names, and what stands in for them here
// (Debian's fonts-dejavu-core and fonts-noto-cjk). Each CJK font gets the
// Noto face of its own region, so that characters drawn differently in
// China, Taiwan, Korea and Japan keep their local form.
constexpr Substitute substitutes[] = {
    { "Verdana", "DejaVu Sans" },
    { "Microsoft YaHei", "Noto Sans CJK SC" },
    { "Microsoft JhengHei", "Noto Sans CJK TC" },
    { "Malgun Gothic", "Noto Sans CJK KR" },
    { "MS PGothic", "Noto Sans CJK JP" }
};

//==========================================================================
// The default sans-serif names given through setDefaultSansSerifTypefaceName,
// by look-and-feel. Weak references, so a deleted look-and-feel (or a new
// one at the same address) is never mistaken for the old one.
struct RememberedDefaultSans
{
    juce::WeakReference<juce::LookAndFeel> lookAndFeel;
    juce::String windowsName;
};

std::vector<RememberedDefaultSans>& rememberedDefaults()
{
    static std::vector<RememberedDefaultSans> entries;
    return entries;
}

juce::String rememberedDefaultSansFor (juce::LookAndFeel& lookAndFeel)
{
    auto& entries = rememberedDefaults();

    entries.erase (std::remove_if (entries.begin(), entries.end(),
                                   [] (const RememberedDefaultSans& e) { return e.lookAndFeel.get() == nullptr; }),
                   entries.end());

    for (auto& e : entries)
        if (e.lookAndFeel.get() == &lookAndFeel)
            return e.windowsName;

    return {};
}

//==========================================================================
// JUCE's FreeType font list only scans files ending in ttf, otf, pfb or
// pcf, so font collections (.ttc, as Noto CJK comes) stay unknown to it.
// FreeType reads collections fine and JUCE registers every face of a file
// it scans, so each collection is linked under an .otf name in a private
// folder that JUCE is then asked to scan. The folder must last as long as
// the process: JUCE opens the font file again for each typeface it makes.
class CollectionLinks
{
public:
    ~CollectionLinks()
    {
        if (folder != juce::File())
            folder.deleteRecursively();
    }

    void makeKnown (const juce::Array<juce::File>& collections)
    {
        if (collections.isEmpty() || ! createFolder())
            return;

        int index = 0;

        for (auto& collection : collections)
        {
            const auto link = folder.getChildFile (juce::String (index++) + "-"
                                                   + collection.getFileNameWithoutExtension() + ".otf");
            collection.createSymbolicLink (link, true);
        }

        juce::Typeface::scanFolderForFonts (folder);
    }

private:
    juce::File folder;

    bool createFolder()
    {
        if (folder != juce::File())
            return true;

        // mkdtemp: a fresh folder that only this user can write, so nobody
        // can slip other font files in between.
        auto pattern = juce::File::getSpecialLocation (juce::File::tempDirectory)
                           .getChildFile ("vqdtrm4-fonts-XXXXXX")
                           .getFullPathName();
        juce::HeapBlock<char> path (pattern.getNumBytesAsUTF8() + 1, true);
        pattern.copyToUTF8 (path.get(), pattern.getNumBytesAsUTF8() + 1);

        if (mkdtemp (path.get()) == nullptr)
            return false;

        folder = juce::File (juce::CharPointer_UTF8 (path.get()));
        return true;
    }
};

juce::StringArray hostFontFolders()
{
    // The system's font folders, where Debian's font packages install.
    // The program reads no environment variable but the locale ones, so
    // JUCE_FONT_PATH and the per-user folders are not looked at here.
    return { "/usr/share/fonts", "/usr/local/share/fonts" };
}

void linkCollectionsIfMissing (CollectionLinks& links)
{
    const auto known = juce::Font::findAllTypefaceNames();
    bool anyMissing = false;

    for (auto& s : substitutes)
        anyMissing = anyMissing || ! known.contains (s.hostName);

    if (! anyMissing)
        return;

    juce::Array<juce::File> collections;

    for (auto& name : hostFontFolders())
    {
        const juce::File folder (name);

        if (folder.isDirectory())
            for (const auto& entry : juce::RangedDirectoryIterator (folder, true, "*.ttc;*.otc",
                                                                    juce::File::findFiles))
                collections.addIfNotAlreadyThere (entry.getFile());
    }

    links.makeKnown (collections);
}

// Once per process, on the first typeface made.
void makeFontCollectionsKnown()
{
    static CollectionLinks links;
    static std::once_flag attempted;

    std::call_once (attempted, [] { linkCollectionsIfMissing (links); });
}

//==========================================================================
juce::Typeface::Ptr hostDefaultTypefaceFor (const juce::Font& font)
{
    juce::Font f (font);
    f.setTypefaceName (juce::Font::getDefaultSansSerifFontName());
    return juce::Font::getDefaultTypefaceForFont (f);
}

// JUCE's FreeType typeface only takes a name once it has found the face,
// so an unnamed one stands for a family this host does not have.
bool isMissingFamily (const juce::Typeface::Ptr& typeface)
{
    return typeface == nullptr || typeface->getName().isEmpty();
}

juce::Typeface::Ptr typefaceForHostFamily (const juce::Font& font, const juce::String& hostName)
{
    juce::Font f (font);
    f.setTypefaceName (hostName);

    // Picks the font's style, or the family's regular style when the host
    // family lacks it.
    auto typeface = juce::Font::getDefaultTypefaceForFont (f);
    return isMissingFamily (typeface) ? hostDefaultTypefaceFor (font) : typeface;
}
} // namespace

//==============================================================================
juce::String FontSubstitution::hostFontFor (const juce::String& windowsFontName)
{
    for (auto& s : substitutes)
        if (windowsFontName == s.windowsName)
            return s.hostName;

    return {};
}

void FontSubstitution::setDefaultSansSerifTypefaceName (juce::LookAndFeel& lookAndFeel, const juce::String& windowsFontName)
{
    lookAndFeel.setDefaultSansSerifTypefaceName (windowsFontName);

    auto& entries = rememberedDefaults();

    for (auto& e : entries)
    {
        if (e.lookAndFeel.get() == &lookAndFeel)
        {
            e.windowsName = windowsFontName;
            return;
        }
    }

    entries.push_back ({ &lookAndFeel, windowsFontName });
}

void FontSubstitution::forgetLookAndFeel (juce::LookAndFeel& lookAndFeel)
{
    auto& entries = rememberedDefaults();

    entries.erase (std::remove_if (entries.begin(), entries.end(),
                                   [&lookAndFeel] (const RememberedDefaultSans& e) {
                                       const auto* remembered = e.lookAndFeel.get();
                                       return remembered == nullptr || remembered == &lookAndFeel;
                                   }),
                   entries.end());
}

juce::Typeface::Ptr FontSubstitution::typefaceFor (const juce::Font& font, juce::LookAndFeel& lookAndFeel)
{
    makeFontCollectionsKnown();

    const auto& name = font.getTypefaceName();

    if (auto host = hostFontFor (name); host.isNotEmpty())
        return typefaceForHostFamily (font, host);

    if (name == juce::Font::getDefaultSansSerifFontName())
        if (auto host = hostFontFor (rememberedDefaultSansFor (lookAndFeel)); host.isNotEmpty())
            return typefaceForHostFamily (font, host);

    // JUCE's own lookup, not the virtual one, which would come back here.
    auto typeface = lookAndFeel.juce::LookAndFeel::getTypefaceForFont (font);

    if (typeface != nullptr)
        if (auto host = hostFontFor (typeface->getName()); host.isNotEmpty())
            return typefaceForHostFamily (font, host);

    return isMissingFamily (typeface) ? hostDefaultTypefaceFor (font) : typeface;
}
