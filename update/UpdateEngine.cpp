#include "update/UpdateEngine.h"

#include "update/Checksums.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace Protocol;

UpdateEngine::UpdateEngine()
    : juce::Thread ("UpdatingThread"),
      updateFolder (juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory())
{
}

UpdateEngine::~UpdateEngine()
{
    // An owner normally stops the worker and closes the session itself, in
    // its own order; this only keeps a forgotten worker from outliving the
    // fields it uses. One stuck in a library call is waited for, as the
    // thread's own destructor would, before the session it is in is closed;
    // the program itself never gets here with such a worker (Application
    // ends the process first).
    if (isThreadRunning() && ! stopWorker())
        waitForThreadToExit (-1);

    cancelPendingUpdate();
    closeDevice();
}

//==============================================================================
void UpdateEngine::openDevice()
{
    if (hidCtrl != nullptr)
        return;

    hidCtrl = new HidCtrl();
    hidCtrl->open (this);
}

void UpdateEngine::closeDevice()
{
    delete hidCtrl;
    hidCtrl = nullptr;
}

void UpdateEngine::setPacing (const Pacing& newPacing)
{
    jassert (! isThreadRunning());
    pacing = newPacing;
}

//==============================================================================
bool UpdateEngine::startFromIdle()
{
    if (hidCtrl != nullptr && hidCtrl->isConnected())
    {
        responseEvent.reset();
        startThread();
        return true;
    }

    setUpdateState (errNotConnected);
    return false;
}

void UpdateEngine::confirmUpdate()
{
    updateStarted = 1;
    setUpdateState (statePrepare);

    // The worker looks at the ready state only now and then; let it go on at
    // once.
    notify();
}

bool UpdateEngine::stopWorker()
{
    {
        const juce::ScopedLock sl (reportLock);
        std::memset (inReport, 0, sizeof (inReport));
    }

    // The exit flag goes up before the wake-up: a worker that woke first
    // would otherwise send its next command and wait for an answer that only
    // this thread, waiting for the worker to end, could hand it.
    signalThreadShouldExit();
    responseEvent.signal();

    return waitForWorkerToEnd();
}

bool UpdateEngine::waitForWorkerToEnd()
{
    // Not stopThread: after its time limit it ends the thread by force.
    signalThreadShouldExit();
    if (waitForThreadToExit (pacing.stopTimeoutMs))
        return true;
    workerLeftRunning = true;
    return false;
}

//==============================================================================
void UpdateEngine::deviceRemoved()
{
    // Only a removal during the update counts, and the worker may move on
    // meanwhile: the state is taken over only if it is still one of them, so
    // that an update that has just completed is not reported as broken off.
    if (finishing)
        return;

    int state = updateState.load();

    do
    {
        if (state < stateReady || state > stateBlockCommit)
            return;
    }
    while (! updateState.compare_exchange_weak (state, errDisconnected));

    // A pause for the worker to notice the removal in its current command,
    // then wake a send that still waits and stop the worker.
    wait (pacing.removalPauseMs);
    responseEvent.signal();
    waitForWorkerToEnd();

    triggerScreenUpdate();
}

void UpdateEngine::deviceArrived()
{
}

void UpdateEngine::reportReceived (int)
{
    if (hidCtrl == nullptr)
        return;

    const int length = std::min (hidCtrl->getInputLength(), reportSize);

    if (length <= 0)
        return;

    {
        // Bytes past the answer's length keep their old values.
        const juce::ScopedLock sl (reportLock);
        std::memcpy (inReport, hidCtrl->getInput(), (size_t) length);
    }

    hidCtrl->clearInput();

    if (isThreadRunning())
        responseEvent.signal();
}

//==============================================================================
void UpdateEngine::setUpdateState (int value) noexcept
{
    // The removal of the controller is final; nothing may paint over it.
    int held = updateState.load();

    while (held != errDisconnected)
        if (updateState.compare_exchange_weak (held, value))
            break;
}

//==============================================================================
void UpdateEngine::beginCommand (uint8_t target, uint8_t command) noexcept
{
    std::memset (outReport, 0, sizeof (outReport));
    outReport[0] = target;
    outReport[1] = command;
}

bool UpdateEngine::sendAndWait()
{
    if (threadShouldExit() || updateState == errDisconnected)
        return true;

    if (hidCtrl != nullptr)
        hidCtrl->writeReport (outReport);

    // A lost command (no device selected, a failed write) shows up as the
    // time-out here.
    if (! responseEvent.wait (pacing.answerTimeoutMs))
        return false;

    responseEvent.reset();

    {
        const juce::ScopedLock sl (reportLock);
        std::memcpy (answer, inReport, sizeof (answer));
    }

    if (answer[0] != outReport[0] || (answer[1] == ansError && answer[2] == subCodeProtocol))
        setUpdateState (errProtocol);

    return true;
}

bool UpdateEngine::sendOrRecordTimeout()
{
    if (sendAndWait())
        return true;

    setUpdateState (errTimeout);
    return false;
}

bool UpdateEngine::queryDeviceStatus()
{
    beginCommand (controllerTarget, cmdQueryStatus);

    if (! sendOrRecordTimeout())
        return false;

    switch (answer[1])
    {
        case ansOk: cpuKind = cpuSh7269; return true;
        case ansOkB: cpuKind = cpuRt1062; return true;
        default: break;
    }

    setUpdateState (answer[1] == ansError ? errorForRefusal (cmdQueryStatus, answer[2]) : (int) errProtocol);

    cpuKind = cpuUnknown;
    return false;
}

bool UpdateEngine::queryDeviceInfo()
{
    beginCommand (controllerTarget, cmdQueryInfo);

    if (! sendOrRecordTimeout())
        return false;

    if (answer[1] != ansInfo)
    {
        setUpdateState (errProtocol);
        return false;
    }

    const uint8_t* date = answer + 2;
    deviceDate = readDate (date);

    if (! isPlausibleDate (date))
    {
        setUpdateState (errDeviceInfo);
        return false;
    }

    if (deviceDate == fileDate)
    {
        // The controller holds this file's build already: only the part of
        // image 2 with the version text is written, besides image 1.
        imageTable[0].status = imageSkipped;
        imageTable[2].size = UpdateFile::shortImage2Size;
    }
    else
    {
        imageTable[0].status = imageToUpdate;
        setProgressForeground (progressUpdatingColour);
    }

    const uint8_t* version = answer + 7;
    const bool noVersionYet = version[0] == 0xFF && version[1] == 0xFF && version[2] == 0xFF && version[3] == 0xFF;
    deviceVersion = noVersionYet ? juce::String ("0.00") : readVersionText (version);

    if (! isVersionText (deviceVersion))
    {
        setUpdateState (errDeviceInfo);
        return false;
    }

    imageTable[1].status = imageToUpdate;
    imageTable[2].status = imageToUpdate;
    return true;
}

void UpdateEngine::findUpdateFile()
{
    const auto* pattern = UpdateFile::getNamePattern (cpuKind);
    juce::File chosen;

    if (pattern != nullptr)
    {
        // The last qualifying file in listing order wins.
        for (const auto& file : UpdateFile::listCandidates (updateFolder, *pattern))
        {
            if (UpdateFile::nameQualifies (file.getFileName(), *pattern))
            {
                fileCpuKind = cpuKind.load();
                chosen = file;
            }
        }
    }

    if (chosen == juce::File() || ! chosen.exists())
    {
        fileLoadMark = 0;
        setUpdateState (errNoUpdateFile);
        return;
    }

    const auto path = chosen.getFullPathName();
    const int result = loadChosenFile (path, fileDate, fileVersion, checkedContent);

    for (auto& record : imageTable)
        record.status = result;

    if (result == errNoUpdateFile)
    {
        // It was there a moment ago: something took it away while we loaded.
        setUpdateState (errProtocol);
        return;
    }

    if (result != 1)
    {
        setUpdateState (result);
        return;
    }

    for (int i = 0; i < 3; ++i)
    {
        auto& record = imageTable[i];
        const auto& layout = UpdateFile::images[i];
        record.path = path;
        record.size = layout.size;
        record.fileOffset = layout.fileOffset;
        record.deviceAddress = layout.deviceAddress;
        record.target = layout.target;
    }

    fileLoadMark = fileLoadedMark;
}

int UpdateEngine::loadChosenFile (const juce::String& path, uint32_t& dateOut, juce::String& versionOut,
                                  std::vector<uint8_t>& content)
{
    return loadUpdateFile (path, dateOut, versionOut, content);
}

bool UpdateEngine::computeUpdateTotal()
{
    for (const auto& record : imageTable)
        if (record.status == imageToUpdate)
            totalBytes += record.size;

    if (totalBytes > 0)
        return true;

    setUpdateState (errProtocol);
    return false;
}

//==============================================================================
void UpdateEngine::triggerScreenUpdate()
{
    const juce::ScopedLock sl (statusLock);
    triggerAsyncUpdate();
}

void UpdateEngine::run()
{
    int pollInterval = pacing.passPauseMs;

    for (;;)
    {
        triggerScreenUpdate();

        // Waiting on the ready screen is the user's time, not the
        // controller's: look now and then, and at once when notified.
        wait (updateState == stateReady ? pacing.readyPollMs : pollInterval);

        shownImageIndex = imageIndex;
        performStep (pollInterval);

        const int state = updateState;

        if (state == stateComplete || isErrorIdentifier (state))
        {
            triggerScreenUpdate();
            signalThreadShouldExit();
        }

        if (threadShouldExit())
            return;
    }
}

void UpdateEngine::finishUpdate()
{
    // The controller gives no answer to the finish command, but the write
    // itself must succeed: a controller that never got it stays in its
    // loader, as after a removal. So the update is complete, and the screen
    // may say so, only once the command has left. From here on the write's
    // result alone decides: a removal noticed meanwhile is not counted, as
    // it was not once the state said complete.
    finishing = true;
    beginCommand (controllerTarget, cmdFinish);

    if (hidCtrl == nullptr || ! hidCtrl->writeReport (outReport))
    {
        setUpdateState (errDisconnected);
        return;
    }

    progress = 1.0;
    updateComplete = 1;
    setUpdateState (stateComplete);
}

void UpdateEngine::performStep (int& pollInterval)
{
    switch (updateState.load())
    {
        case stateIdle: stepIdle(); break;
        case stateReady: break;
        case statePrepare: stepPrepare(); break;
        case stateBlockStart: stepBlockStart(); break;
        case stateBlockData: stepBlockData(); break;
        case stateBlockChecksum: stepBlockChecksum (pollInterval); break;
        case stateBlockCommit: stepBlockCommit (pollInterval); break;
        case stateComplete: break;
        default: setUpdateState (errProtocol); break;
    }
}

void UpdateEngine::stepIdle()
{
    if (! queryDeviceStatus())
        return;

    findUpdateFile();

    const int state = updateState;

    if (isFileError (state))
        return;

    if (fileLoadMark == fileLoadedMark && ! queryDeviceInfo())
        return;

    if (computeUpdateTotal())
        setUpdateState (stateReady);
}

void UpdateEngine::stepPrepare()
{
    setProgressForeground (progressUpdatingColour);

    imageIndex = -1;

    for (int i = 0; i < 3 && imageIndex < 0; ++i)
        if (imageTable[i].status == imageToUpdate)
            imageIndex = i;

    if (imageIndex < 0)
    {
        // computeUpdateTotal let nothing through without an image to write.
        imageIndex = 0;
        setUpdateState (errProtocol);
        return;
    }

    if (imageIndex == 0)
        firstImageIsZero = 1;

    // The range is image 2's, as the info query left it: the whole image, or
    // its first 4,096 bytes when only the version part is written.
    const auto& image2 = imageTable[2];
    beginCommand (imageTable[imageIndex].target, cmdPrepare);
    putRange (outReport, (uint32_t) image2.deviceAddress, (uint32_t) image2.size);

    if (! sendOrRecordTimeout())
        return;

    if (answer[1] == ansOk)
        setUpdateState (stateBlockStart);
    else
        setUpdateState (errProtocol);
}

void UpdateEngine::stepBlockStart()
{
    if (imageIndex >= 3)
    {
        finishUpdate();
        return;
    }

    const auto& record = imageTable[imageIndex];

    if (record.status != imageToUpdate)
    {
        ++imageIndex;
        shownImageIndex = imageIndex;
        return;
    }

    const auto address = record.deviceAddress + sentInImage;
    const auto length = std::min (record.size - sentInImage, blockSize);

    beginCommand (record.target, cmdBlockStart);
    putRange (outReport, (uint32_t) address, (uint32_t) length);

    if (! sendOrRecordTimeout())
        return;

    if (answer[1] == ansOk)
        setUpdateState (stateBlockData);
    else
        setUpdateState (errProtocol);
}

void UpdateEngine::stepBlockData()
{
    const auto& record = imageTable[imageIndex];
    const auto blockLength = (int) std::min (record.size - sentInImage, blockSize);
    const int64_t start = record.fileOffset + blockOffset;

    // The block comes from the content that passed the file's checks, never
    // from the disk again. Should that content not hold the whole block, the
    // block is refused before any of it is sent.
    if (blockLength < 0 || start < 0 || start + blockLength > (int64_t) checkedContent.size())
    {
        setUpdateState (errFileOpen);
        return;
    }

    const uint8_t* const block = checkedContent.data() + start;

    const double base = progress;
    const auto total = (double) totalBytes;

    // Sends one piece. False when the block must be left: no answer (the
    // time-out is recorded) or the worker is asked to stop. A refused piece
    // spoils the block, but the rest of it is still sent.
    auto sendPiece = [this] {
        if (! sendOrRecordTimeout() || threadShouldExit())
            return false;

        if (answer[1] != ansOk)
            setUpdateState (errProtocol);

        return true;
    };

    for (int pieceOffset = 0; pieceOffset < blockLength; pieceOffset += dataPerReport)
    {
        progress = pieceOffset / total + base;
        beginCommand (record.target, cmdData);

        if (pieceOffset + dataPerReport < blockLength)
        {
            std::memcpy (outReport + 2, block + pieceOffset, (size_t) dataPerReport);
            sentInImage += dataPerReport;

            if (! sendPiece())
                break;
        }
        else
        {
            // The last piece of a block is always announced with its length,
            // even when it is a full 62 bytes.
            const int lastLength = blockLength - pieceOffset;
            outReport[1] = cmdLastLength;
            outReport[2] = (uint8_t) lastLength;
            sentInImage += lastLength;

            if (! sendPiece())
                break;

            outReport[1] = cmdData;
            std::memcpy (outReport + 2, block + pieceOffset, (size_t) lastLength);

            if (! sendPiece())
                break;
        }
    }

    if (updateState == stateBlockData)
    {
        blockSum = byteSum (block, (size_t) blockLength);
        setUpdateState (stateBlockChecksum);
    }
}

void UpdateEngine::stepBlockChecksum (int& pollInterval)
{
    const auto& record = imageTable[imageIndex];
    beginCommand (record.target, cmdBlockSum);
    putUint32 (outReport + 2, blockSum);

    if (! sendOrRecordTimeout())
        return;

    if (answer[1] == ansOk)
    {
        pollInterval = pacing.commitPollMs;
        setUpdateState (stateBlockCommit);
    }
    else if (answer[1] == ansError)
    {
        setUpdateState (errorForRefusal (cmdBlockSum, answer[2]));
    }
    else
    {
        setUpdateState (errProtocol);
    }
}

void UpdateEngine::stepBlockCommit (int& pollInterval)
{
    const auto& record = imageTable[imageIndex];
    beginCommand (record.target, cmdCommitPoll);

    if (! sendOrRecordTimeout())
        return;

    switch (answer[1])
    {
        case ansBusy:
        case ansBusy2:
            break; // still writing: poll again next pass

        case ansError:
            setUpdateState (errorForRefusal (cmdCommitPoll, answer[2]));
            break;

        case ansBlockDone:
        {
            pollInterval = pacing.passPauseMs;
            const int64_t next = (int64_t) blockOffset + blockSize;

            if (next >= record.size)
            {
                ++imageIndex;
                blockOffset = 0;
                sentInImage = 0;
                shownImageIndex = imageIndex;
            }
            else
            {
                blockOffset = (int32_t) next;
            }

            setUpdateState (stateBlockStart);
            break;
        }

        default:
            setUpdateState (errProtocol);
            break;
    }
}
