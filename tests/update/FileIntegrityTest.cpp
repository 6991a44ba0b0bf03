// The controller receives exactly the bytes that passed the update file's
// checks, whatever happens to the file on disk after them: cut short,
// overwritten, replaced by another valid file or deleted, on the ready
// screen or between two blocks of the update. (A FIFO in the file's place:
// FileSystemLinuxTest.cpp.)
#include "FileIntegrityFixture.h"

#include "update/RegularFile.h"

#include <cctype>
#include <filesystem>
#include <iterator>
#include <string>
#include <tuple>

using namespace Protocol;

namespace
{
void truncateToHalf (const juce::File& file)
{
    std::error_code error;
    std::filesystem::resize_file (file.getFullPathName().toStdString(), (std::uintmax_t) UpdateFile::fileSize / 2, error);
    ASSERT_FALSE (error) << error.message();
    ASSERT_EQ (file.getSize(), UpdateFile::fileSize / 2);
}

void overwriteMiddle (const juce::File& file)
{
    // 4 KiB of zeros in the middle of image 1, in place: the size, the date,
    // the version and the stored CRC stay as they were.
    juce::FileOutputStream out (file);
    ASSERT_TRUE (out.openedOk());
    ASSERT_TRUE (out.setPosition (0x100000));
    std::vector<uint8_t> zeros (0x1000, 0);
    ASSERT_TRUE (out.write (zeros.data(), zeros.size()));
}

void replaceWithAnotherValidFile (const juce::File& file)
{
    UpdateFileMaker::Options other;
    other.version = "1.03";
    other.seed = 4242;
    const auto bytes = UpdateFileMaker::make (other);

    // Written beside and moved over, as a download or a copy would.
    const auto temporary = file.getSiblingFile ("replacement.tmp");
    ASSERT_TRUE (temporary.replaceWithData (bytes.data(), bytes.size()));
    ASSERT_TRUE (temporary.moveFileTo (file));
}

void deleteFile (const juce::File& file)
{
    ASSERT_TRUE (file.deleteFile());
}

const Tampering tamperings[] = {
    { "truncated to half its size", truncateToHalf },
    { "4 KiB in the middle overwritten", overwriteMiddle },
    { "replaced by another valid file", replaceWithAnotherValidFile },
    { "deleted", deleteFile },
};
} // namespace

// Each change at each moment is a row of its own, named after both: a whole
// update each, so that a run can choose rows (under Wine the every-change
// tier takes the two that a Windows file system refuses while a file is
// held open, a deletion and a replacement).
class FileChanged : public FileIntegrityTest, public ::testing::WithParamInterface<std::tuple<int, bool>>
{
public:
    static std::string rowName (const ::testing::TestParamInfo<ParamType>& info)
    {
        std::string name = tamperings[std::get<0> (info.param)].name;
        name += std::get<1> (info.param) ? " between two blocks" : " on the ready screen";
        for (auto& c : name)
            c = std::isalnum ((unsigned char) c) ? c : '_';
        return name;
    }
};

TEST_P (FileChanged, TheUpdateWritesTheFileAsItWasChecked)
{
    const auto& [tampering, betweenTwoBlocks] = GetParam();
    updateWithFileChanged (tamperings[tampering], betweenTwoBlocks ? When::betweenTwoBlocks : When::onTheReadyScreen);
}

INSTANTIATE_TEST_SUITE_P (Rows, FileChanged,
                          ::testing::Combine (::testing::Range (0, (int) std::size (tamperings)), ::testing::Bool()),
                          FileChanged::rowName);

TEST_F (FileIntegrityTest, FileChangedBetweenTheSearchAndTheLoadIsCheckedAsItIsThen)
{
    // What is loaded is what is checked: a file that became bad between the
    // search and the load is refused, one that was replaced by another good
    // one is written as that one.
    writeUpdateFile (fileName);
    openSession();
    engine->loadHook = [] (const juce::String& path, uint32_t& date, juce::String& version, std::vector<uint8_t>& content) {
        overwriteMiddle (juce::File (path));
        return loadUpdateFile (path, date, version, content);
    };
    ASSERT_TRUE (engine->startFromIdle());
    ASSERT_TRUE (runUntilWorkerEnds());
    EXPECT_EQ (engine->getUpdateState(), errFileCrc);
    EXPECT_EQ (vqdsim::stats().commands[cmdBlockStart], 0);
}

TEST_F (FileIntegrityTest, BlockOutsideTheCheckedContentIsNeverSent)
{
    // A load that reports a good file but hands over nothing (or too little)
    // must not let the worker send anything of its own making: the block is
    // refused with the file error before any data goes out.
    writeUpdateFile (fileName);
    openSession();
    engine->loadHook = [] (const juce::String& path, uint32_t& date, juce::String& version, std::vector<uint8_t>& content) {
        const int result = loadUpdateFile (path, date, version, content);
        content.resize (0x20000 + 100); // the first block whole, the second not
        return result;
    };
    ASSERT_TRUE (engine->startFromIdle());
    ASSERT_TRUE (runUntilState (stateReady));
    engine->confirmUpdate();
    ASSERT_TRUE (runUntilWorkerEnds());

    EXPECT_EQ (engine->getUpdateState(), errFileOpen);
    const auto stats = vqdsim::stats();
    EXPECT_EQ (stats.commands[cmdBlockStart], 2);
    EXPECT_EQ (stats.commands[cmdBlockSum], 1);
    EXPECT_EQ (stats.dataBytes, 0x20000); // the first block, and nothing of the second
    EXPECT_FALSE (stats.finished);

    const auto flash = vqdsim::flashImage();
    EXPECT_TRUE (std::vector<uint8_t> (flash.begin(), flash.begin() + 0x20000) == fileBytes (0, 0x20000));
    EXPECT_TRUE (std::all_of (flash.begin() + 0x20000, flash.end(), [] (uint8_t b) { return b == 0xFF; }));
}

TEST (RegularFileRead, HandsOverExactlyAWholeRegularFileOfTheExpectedSize)
{
    TempFolder folder;
    std::vector<uint8_t> content;

    const std::vector<uint8_t> bytes = { 1, 2, 3, 4, 5 };
    const auto file = folder / "five.bin";
    ASSERT_TRUE (file.replaceWithData (bytes.data(), bytes.size()));

    EXPECT_EQ (readRegularFile (file.getFullPathName(), 5, content), RegularFileRead::ok);
    EXPECT_EQ (content, bytes);

    // A size other than the expected one, shorter or longer, hands over nothing.
    EXPECT_EQ (readRegularFile (file.getFullPathName(), 6, content), RegularFileRead::wrongSize);
    EXPECT_TRUE (content.empty());
    EXPECT_EQ (readRegularFile (file.getFullPathName(), 4, content), RegularFileRead::wrongSize);
    EXPECT_TRUE (content.empty());

    // No regular file there: missing, or a folder.
    EXPECT_EQ (readRegularFile ((folder / "missing.bin").getFullPathName(), 5, content), RegularFileRead::unreadable);
    EXPECT_EQ (readRegularFile (folder.get().getFullPathName(), 5, content), RegularFileRead::unreadable);
    EXPECT_TRUE (content.empty());
}

TEST (RegularFileRead, LoadHandsOverTheCheckedContentOnlyWhenTheFileIsGood)
{
    TempFolder folder;
    const auto file = folder / "vqdtrm4__v102.bin";
    UpdateFileMaker::Options options;
    const auto good = UpdateFileMaker::make (options);
    ASSERT_TRUE (file.replaceWithData (good.data(), good.size()));

    uint32_t date = 0;
    juce::String version;
    std::vector<uint8_t> content = { 9, 9, 9 };
    ASSERT_EQ (loadUpdateFile (file.getFullPathName(), date, version, content), 1);
    EXPECT_TRUE (content == good);

    options.defect = UpdateFileMaker::Defect::badCrc;
    ASSERT_TRUE (UpdateFileMaker::write (file, options));
    EXPECT_EQ (loadUpdateFile (file.getFullPathName(), date, version, content), errFileCrc);
    EXPECT_TRUE (content.empty());
}
