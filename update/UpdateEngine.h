#pragma once

#include "device/HidCtrl.h"
#include "device/HidHandler.h"
#include "update/CommandProtocol.h"
#include "update/UpdateFile.h"
#include "update/UpdateState.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <cstdint>
#include <vector>

// The update engine: the update fields, the command protocol and the worker
// thread ("UpdatingThread") with its state machine. The main component is
// one of these; the engine itself has no window, so it runs as well in a
// test or a benchmark. Its only hooks toward a user interface are the
// asynchronous update, which the worker triggers under statusLock on every
// pass and which the owner answers by composing its screen, and the progress
// bar's foreground colour, which the owner reads back on its message thread.
//
// Threads: the worker runs run() and the steps; everything else is called on
// the message thread. updateState and the fields that the screens read while
// the worker may still write them are atomics; the answer report is handed
// over under a lock of its own; responseEvent orders an answer after its
// command.
//
// The rest of what the worker writes and a screen may read (the versions,
// the dates, the image table, totalBytes) are plain fields, and stay
// race-free by one rule: the worker writes them only in stateIdle, before it
// records stateReady, and never again afterwards. Recording a state is a
// sequentially consistent store to updateState, and every reader on the
// message thread loads updateState first and reads these fields only when it
// says stateReady or later (the ready screen: stateReady with fileLoadMark 8).
// The load of that state thus orders the fields' writes before their reads.
// A change that writes one of them after stateIdle, or reads one on a screen
// shown before stateReady, breaks this: make that field an atomic, or hand
// it over under statusLock.
class UpdateEngine : public juce::AsyncUpdater,
                     public juce::Thread,
                     public HidHandler
{
public:
    UpdateEngine();
    ~UpdateEngine() override;

    //==========================================================================
    // The device session (message thread).

    // Creates the HidCtrl and opens the session with this engine as handler.
    void openDevice();

    // Deletes the HidCtrl, which ends the session. The worker must not run.
    void closeDevice();

    HidCtrl* getHidCtrl() const noexcept { return hidCtrl; }

    //==========================================================================
    // What the action button does (message thread).

    // In stateIdle: with a controller connected, resets responseEvent and
    // starts the worker (which does nothing when it already runs) and returns
    // true; without one records errNotConnected and returns false.
    bool startFromIdle();

    // In stateReady: the user confirmed the update.
    void confirmUpdate();

    // Wakes a running worker, asks it to stop and waits for it to end (5,000
    // ms limit): what a quit does before the application is asked to end.
    // True when no worker runs afterwards. A worker that does not end in time
    // is stuck in a call of the library, which may hold a lock of its own
    // there: it is left to end by itself or with the process, never ended by
    // force, which would leave that lock held and the library's next call
    // (HID_Stop at the latest) waiting for ever.
    bool stopWorker();

    // Whether a stop has run out of time and left the worker running (it
    // may have ended since).
    bool workerWasLeftRunning() const noexcept { return workerLeftRunning; }

    //==========================================================================
    // Device events, from the HidCtrl on the message thread.
    void deviceRemoved() override;
    void deviceArrived() override;
    void reportReceived (int param) override;
    // A worker that a removal during the update could not stop in time is
    // still inside a library call (a write that hangs on the gone device).
    bool mayBeInLibrary() const noexcept override { return updateState.load() == errDisconnected && isThreadRunning(); }

    //==========================================================================
    // The update state.
    int getUpdateState() const noexcept { return updateState.load(); }

    // The one way to change the state: does nothing while errDisconnected is
    // held, else takes the value whatever was held before.
    void setUpdateState (int value) noexcept;

    //==========================================================================
    // What the screens read. The atomics at any time; the dates, the versions,
    // the image table and totalBytes only once updateState has said
    // stateReady or later (see the rule above).
    int getFileLoadMark() const noexcept { return fileLoadMark.load(); }
    // The mark of a file that passed its checks and was loaded; 0 otherwise.
    static constexpr int fileLoadedMark = 8;
    int getCpuKind() const noexcept { return cpuKind.load(); }
    int getFileCpuKind() const noexcept { return fileCpuKind.load(); }
    uint32_t getFileDate() const noexcept { return fileDate; }
    uint32_t getDeviceDate() const noexcept { return deviceDate; }
    juce::String getFileVersion() const { return fileVersion; }
    juce::String getDeviceVersion() const { return deviceVersion; }
    int getShownImageIndex() const noexcept { return shownImageIndex.load(); }
    bool getFirstImageIsZero() const noexcept { return firstImageIsZero.load() != 0; }
    bool getUpdateStarted() const noexcept { return updateStarted.load() != 0; }
    bool getUpdateComplete() const noexcept { return updateComplete.load() != 0; }
    double getProgress() const noexcept { return progress.load(); }
    int64_t getTotalBytes() const noexcept { return totalBytes; }
    const ImageRecord& getImageRecord (int index) const { return imageTable[index]; }

    // The colour (0xAARRGGBB) the worker asked the progress bar's foreground to take.
    juce::uint32 getProgressForeground() const noexcept { return progressForeground.load(); }

    //==========================================================================
    // Where the update file is looked for: the executable's folder.
    void setUpdateFolder (const juce::File& folder) { updateFolder = folder; }

    //==========================================================================
    // The steps' building blocks (worker thread). Public so that a test can
    // run them one at a time.

    // Sends outReport and waits for its answer. False only when none came
    // within 10,000 ms.
    bool sendAndWait();

    // sendAndWait, recording errTimeout when no answer came.
    bool sendOrRecordTimeout();

    // Asks for the processor kind; true when answered 0x80 or 0x8B.
    bool queryDeviceStatus();

    // Reads the controller's date and version and decides which images are
    // to be written; false when it recorded a failure.
    bool queryDeviceInfo();

    // Finds, checks and loads the update file for cpuKind.
    void findUpdateFile();

    // Adds the sizes of the images to write; records errProtocol when there
    // is nothing to write.
    bool computeUpdateTotal();

    // The command being built.
    uint8_t outReport[Protocol::reportSize] = {};

    // The progress bar's foreground colours the worker chooses.
    static constexpr juce::uint32 progressIdleColour = 0xFF3D3D3D;
    static constexpr juce::uint32 progressUpdatingColour = 0xFFC83296;

    // The worker's pauses and limits. The program always runs with these
    // values; a test or a fuzzer that drives hundreds of updates may shorten
    // them (setPacing) without changing what the worker does in between.
    struct Pacing
    {
        int passPauseMs = 1;                             // between two passes
        int commitPollMs = 100;                          // between two commit polls
        int answerTimeoutMs = Protocol::answerTimeoutMs; // no answer: errTimeout
        int removalPauseMs = 100;                        // removal handler's pause before it wakes the worker
        int stopTimeoutMs = 5000;                        // how long a stop waits for the worker

        // While the ready screen waits for the user the worker has nothing to
        // do; it looks again this often, or at once when the user confirms
        // (which notifies it). Looking every millisecond recomposed the
        // unchanged screen a thousand times a second for nothing.
        int readyPollMs = 250;
    };

protected:
    void run() override;

    // Asks the worker to stop and waits for it, at most the pacing's stop
    // limit; true when it has ended. Never ends it by force (stopWorker).
    bool waitForWorkerToEnd();
    bool workerLeftRunning = false; // message thread only

    // Only while the worker does not run.
    void setPacing (const Pacing& newPacing);
    const Pacing& getPacing() const noexcept { return pacing; }

    // Loads and checks the chosen update file, handing over the content that
    // passed the checks. A seam for tests that need the file to change
    // between the search and the load.
    virtual int loadChosenFile (const juce::String& path, uint32_t& dateOut, juce::String& versionOut,
                                std::vector<uint8_t>& checkedContent);

    // Held around every triggerAsyncUpdate of the worker and the removal
    // handler, and by the owner around the composition of its screen.
    juce::CriticalSection statusLock;

private:
    void performStep (int& pollInterval);
    void stepIdle();
    void stepPrepare();
    void stepBlockStart();
    void stepBlockData();
    void stepBlockChecksum (int& pollInterval);
    void stepBlockCommit (int& pollInterval);
    void finishUpdate();

    void beginCommand (uint8_t target, uint8_t command) noexcept;
    void triggerScreenUpdate();
    void setProgressForeground (juce::uint32 colour) noexcept { progressForeground = colour; }

    std::atomic<double> progress { 0.0 };
    juce::WaitableEvent responseEvent; // auto-reset, not signalled

    // Written by the worker in stateIdle only, published by its recording of
    // stateReady (see the class comment): imageTable, totalBytes, fileDate,
    // deviceDate, fileVersion and deviceVersion. The worker's later steps
    // read them and update no field of them.
    ImageRecord imageTable[3];
    int64_t totalBytes = 0;
    std::atomic<int> updateState { stateIdle };
    std::atomic<int> fileLoadMark { 0 };
    std::atomic<int> cpuKind { cpuUnknown };
    std::atomic<int> fileCpuKind { cpuUnknown };
    uint32_t fileDate = 0;
    uint32_t deviceDate = 0;
    juce::String fileVersion;
    juce::String deviceVersion;
    uint32_t blockSum = 0;
    HidCtrl* hidCtrl = nullptr;

    // inReport is written by the report handler on the message thread; the
    // worker copies it into `answer` under reportLock once responseEvent has
    // told it that an answer is there.
    juce::CriticalSection reportLock;
    uint8_t inReport[Protocol::reportSize] = {};
    uint8_t answer[Protocol::reportSize] = {};

    std::atomic<int> shownImageIndex { 0 };
    std::atomic<uint8_t> firstImageIsZero { 0 };
    std::atomic<uint8_t> updateStarted { 0 };
    std::atomic<int> updateComplete { 0 };
    // Set once every block is committed and the finish is on its way: from
    // then on the finish's own write decides, and a removal no longer counts
    // as breaking the update off (as once the state says complete).
    std::atomic<bool> finishing { false };

    // The worker's counters: the image being written, the bytes of it sent
    // so far and the offset of the current block within it.
    int imageIndex = 0;
    int64_t sentInImage = 0;
    int32_t blockOffset = 0;

    // The update file's content as it passed the checks, kept from the load
    // to the end of the run: every block is taken from here, never read from
    // disk again, so that whatever becomes of the file after its checks (cut
    // short, overwritten, replaced, deleted) cannot reach the controller.
    // Written once by the worker in stateIdle and read only by the worker.
    std::vector<uint8_t> checkedContent;

    std::atomic<juce::uint32> progressForeground { progressIdleColour };
    juce::File updateFolder;
    Pacing pacing;

    JUCE_DECLARE_NON_COPYABLE (UpdateEngine)
};
