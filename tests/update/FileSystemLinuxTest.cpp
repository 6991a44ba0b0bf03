// What only a POSIX file system can put where the update file was: a FIFO,
// a symbolic link, a sparse file of 8 GiB. None may block the worker or get
// past the checks, and a FIFO that takes the checked file's place changes
// nothing of what the controller receives.
#include "FileIntegrityFixture.h"

#include "TempFolder.h"
#include "tools/UpdateFileMaker.h"
#include "update/UpdateFile.h"
#include "update/UpdateState.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
int load (const juce::File& file)
{
    uint32_t date = 0;
    juce::String version;
    return loadUpdateFile (file.getFullPathName(), date, version);
}

void turnIntoFifo (const juce::File& file)
{
    ASSERT_TRUE (file.deleteFile());
    ASSERT_EQ (mkfifo (file.getFullPathName().toRawUTF8(), 0600), 0);
}

const Tampering fifoTampering { "turned into a FIFO", turnIntoFifo };
} // namespace

TEST (FileChecks, NonRegularAndHugeFilesAreRefusedAtOnce)
{
    TempFolder folder;

    // A FIFO would block a plain read for ever.
    const auto fifo = folder / "fifo.bin";
    ASSERT_EQ (mkfifo (fifo.getFullPathName().toRawUTF8(), 0600), 0);
    EXPECT_EQ (load (fifo), errFileRead);

    const auto directory = folder / "dir.bin";
    ASSERT_TRUE (directory.createDirectory());
    EXPECT_EQ (load (directory), errFileRead);

    // A dangling link names no file at all.
    const auto link = folder / "link.bin";
    ASSERT_EQ (symlink ((folder / "nowhere").getFullPathName().toRawUTF8(), link.getFullPathName().toRawUTF8()), 0);
    EXPECT_EQ (load (link), errNoUpdateFile);

    // A sparse 8 GiB file: its size is refused before anything is read.
    const auto huge = folder / "huge.bin";
    const int fd = ::open (huge.getFullPathName().toRawUTF8(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE (fd, 0);
    ASSERT_EQ (ftruncate (fd, (off_t) 8 << 30), 0);
    ::close (fd);
    EXPECT_EQ (load (huge), errFileSize);

    // A link to a good file is a good file.
    ASSERT_TRUE (UpdateFileMaker::write (folder / "real.bin", {}));
    ASSERT_EQ (symlink ((folder / "real.bin").getFullPathName().toRawUTF8(), (folder / "alias.bin").getFullPathName().toRawUTF8()), 0);
    EXPECT_EQ (load (folder / "alias.bin"), 1);
}

TEST_F (FileIntegrityTest, FileTurnedIntoAFifoAfterItsChecks)
{
    updateWithFileChanged (fifoTampering, When::onTheReadyScreen);
    updateWithFileChanged (fifoTampering, When::betweenTwoBlocks);
}
