// The recording library: the ten functions of the maker's HID library
// (device/VqdTrm4Hid.h), each passed on unchanged to the maker's own library
// (MakerLibrary) and recorded, "> NAME arguments" as it enters and
// "< NAME results" as it returns (docs/recording.md, "The format
// (version 1)"). The notices go through the recorder's own window
// (NoticeRelay).
//
// The recording starts with the first call: the file beside the program, the
// maker's library loaded from beside this one. When that library is missing
// or lacks a function the recording says so, and every call answers as a
// library that sees no device, so that the program shows its own "not
// connected" screen rather than crashing.
#include "device/VqdTrm4Hid.h"
#include "recorder/MakerLibrary.h"
#include "recorder/NoticeRelay.h"
#include "recording/RecordingFile.h"
#include "recording/RecordingWriter.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace
{
// Made once and never destroyed: the maker's threads may call in to the very
// end of the process.
struct Session
{
    RecordingWriter writer;
    MakerLibrary maker;
    NoticeRelay relay { writer };
};

Session& session()
{
    static Session* const made = [] {
        auto* s = new Session();
        std::string problem;
        const bool loaded = s->maker.load (reinterpret_cast<const void*> (&session), problem);
        RecordingWriter::Header header;
        header.maker = MakerLibrary::fileName();
        header.makerVersion = s->maker.version();
        header.makerSize = s->maker.size();
        s->writer.open (RecordingFile::programFolder(), header);
        if (! loaded)
            s->writer.comment (problem + "; every call answers as a library with no device");
        return s;
    }();
    return *made;
}

const MakerLibrary::Functions* maker()
{
    Session& s = session();
    return s.maker.isLoaded() ? &s.maker.functions() : nullptr;
}

void record (const std::string& line)
{
    session().writer.event (line);
}

std::string message (unsigned int number)
{
    char text[16];
    std::snprintf (text, sizeof (text), "0x%x", number);
    return text;
}

std::string numbers (const int* values, int count)
{
    std::string text;
    for (int i = 0; values != nullptr && i < count; ++i)
        text += " " + std::to_string (values[i]);
    return text;
}

// Records the return of a function with no result.
void returned (const char* name)
{
    record (std::string ("< ") + name);
}

template <typename Call>
void passOn (const char* name, Call call)
{
    record (std::string ("> ") + name);
    if (const auto* f = maker())
        call (*f);
    returned (name);
}
} // namespace

extern "C" {

VQDTRM4HID_API void VQDTRM4HID_CALL HID_Initialize (HidInstanceHandle instance)
{
    passOn ("HID_Initialize", [&] (const MakerLibrary::Functions& f) { f.initialize (instance); });
}

VQDTRM4HID_API void VQDTRM4HID_CALL HID_SetCallback (HidWindowHandle window, unsigned int inputMessage,
                                                     unsigned int arrivalMessage, unsigned int removalMessage)
{
    Session& s = session();
    record (std::string ("> HID_SetCallback ") + (window != nullptr ? "window " : "null ") + message (inputMessage) + " "
            + message (arrivalMessage) + " " + message (removalMessage));
    if (const auto* f = maker())
    {
        if (window != nullptr)
        {
            HidWindowHandle relayed = s.relay.attach (window, inputMessage, arrivalMessage, removalMessage);
            if (relayed == nullptr)
                s.writer.comment ("no notice window of the recorder's own: the maker's library gets the program's, "
                                  "and its notices are not recorded");
            f->setCallback (relayed != nullptr ? relayed : window, inputMessage, arrivalMessage, removalMessage);
        }
        else
        {
            // The maker's library first: what it delivers until it has let go
            // of the window still reaches the program.
            f->setCallback (nullptr, inputMessage, arrivalMessage, removalMessage);
            s.relay.detach();
        }
    }
    returned ("HID_SetCallback");
}

VQDTRM4HID_API void VQDTRM4HID_CALL HID_Start (void)
{
    passOn ("HID_Start", [] (const MakerLibrary::Functions& f) { f.start(); });
}

VQDTRM4HID_API void VQDTRM4HID_CALL HID_Stop (void)
{
    passOn ("HID_Stop", [] (const MakerLibrary::Functions& f) { f.stop(); });
}

VQDTRM4HID_API void VQDTRM4HID_CALL HID_Finalize (void)
{
    passOn ("HID_Finalize", [] (const MakerLibrary::Functions& f) {
        f.finalize();
        // The maker's library has let go of the window: the session's window
        // goes, and the next session makes its own.
        session().relay.close();
    });
}

VQDTRM4HID_API int VQDTRM4HID_CALL HID_EnumHIDno (int* hidNumbers)
{
    record ("> HID_EnumHIDno");
    int count = 0;
    if (const auto* f = maker())
        count = f->enumHidNo (hidNumbers);
    const int written = count < 0 ? 0 : (count > HID_MAX_DEVICES ? HID_MAX_DEVICES : count);
    record ("< HID_EnumHIDno " + std::to_string (count) + numbers (hidNumbers, written));
    return count;
}

VQDTRM4HID_API int VQDTRM4HID_CALL HID_GetDeviceType (int hidNo)
{
    record ("> HID_GetDeviceType " + std::to_string (hidNo));
    int type = 0;
    if (const auto* f = maker())
        type = f->getDeviceType (hidNo);
    record ("< HID_GetDeviceType " + std::to_string (type));
    return type;
}

VQDTRM4HID_API int VQDTRM4HID_CALL HID_GetFirmwareVersion (int deviceType, int* values, int count)
{
    // A count beyond what any caller means is not read as a list.
    const int listed = count < 0 ? 0 : (count > HID_MAX_DEVICES ? HID_MAX_DEVICES : count);
    record ("> HID_GetFirmwareVersion " + std::to_string (deviceType) + " " + std::to_string (count)
            + numbers (values, listed));
    int result = 0;
    if (const auto* f = maker())
        result = f->getFirmwareVersion (deviceType, values, count);
    record ("< HID_GetFirmwareVersion " + std::to_string (result) + numbers (values, listed));
    return result;
}

VQDTRM4HID_API int VQDTRM4HID_CALL HID_Write (int hidNo, const unsigned char* report, int length)
{
    record ("> HID_Write " + std::to_string (hidNo) + " " + std::to_string (length) + " "
            + RecordingWriter::hex (report, length));
    int result = 0;
    if (const auto* f = maker())
        result = f->write (hidNo, report, length);
    record ("< HID_Write " + std::to_string (result));
    return result;
}

VQDTRM4HID_API void VQDTRM4HID_CALL HID_Input (int hidNo, unsigned char* buffer, int* length)
{
    const int room = length != nullptr ? *length : 0;
    record ("> HID_Input " + std::to_string (hidNo) + " " + (length != nullptr ? std::to_string (room) : "-"));
    if (const auto* f = maker())
        f->input (hidNo, buffer, length);
    else if (length != nullptr)
        *length = 0;
    // The report is what the library may have written: no more than it says
    // it wrote, nor than the room it was given.
    const int given = length != nullptr ? *length : 0;
    const int shown = given < room ? given : room;
    record ("< HID_Input " + (length != nullptr ? std::to_string (given) : std::string ("-")) + " "
            + RecordingWriter::hex (buffer, shown));
}

} // extern "C"
