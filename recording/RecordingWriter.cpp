#include "recording/RecordingWriter.h"

#include <cstdio>

namespace
{
std::string twoDigits (int value)
{
    char text[8];
    std::snprintf (text, sizeof (text), "%02d", value);
    return text;
}

std::string dateDigits (const std::tm& t, const char* between)
{
    return std::to_string (t.tm_year + 1900) + between + twoDigits (t.tm_mon + 1) + between + twoDigits (t.tm_mday);
}

std::string timeDigits (const std::tm& t, const char* between)
{
    return twoDigits (t.tm_hour) + between + twoDigits (t.tm_min) + between + twoDigits (t.tm_sec);
}
} // namespace

bool RecordingWriter::open (const std::string& folder, const Header& header)
{
    return openAt (folder, header, std::time (nullptr));
}

bool RecordingWriter::openAt (const std::string& folder, const Header& header, std::time_t when)
{
    std::lock_guard<std::mutex> guard (lock);
    if (file.isOpen())
        return true;

    const std::tm now = RecordingFile::localTime (when);
    // One file per run: a name taken by an earlier run in the same second
    // gets a number.
    for (int attempt = 1; attempt <= 100; ++attempt)
    {
        const std::string candidate = (folder.empty() ? std::string() : folder + RecordingFile::separator())
                                      + fileName (now, attempt);
        if (file.create (candidate))
        {
            filePath = candidate;
            break;
        }
    }
    if (! file.isOpen())
        return false;

    start = Clock::now();
    file.append (headerText (header, now));
    return true;
}

bool RecordingWriter::isOpen() const
{
    std::lock_guard<std::mutex> guard (lock);
    return file.isOpen();
}

std::string RecordingWriter::path() const
{
    std::lock_guard<std::mutex> guard (lock);
    return filePath;
}

void RecordingWriter::event (const std::string& text)
{
    const uint64_t thread = RecordingFile::currentThread();
    std::lock_guard<std::mutex> guard (lock);
    if (! file.isOpen())
        return;
    // Taken under the lock, so that the times in the file never go back.
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds> (Clock::now() - start).count();
    file.append (std::to_string (micros) + " " + threadLabel (thread) + " " + text + "\n");
}

void RecordingWriter::comment (const std::string& text)
{
    std::lock_guard<std::mutex> guard (lock);
    if (file.isOpen())
        file.append ("# " + text + "\n");
}

std::string RecordingWriter::threadLabel (uint64_t thread)
{
    auto known = threadLabels.find (thread);
    if (known != threadLabels.end())
        return known->second;
    std::string label = "t" + std::to_string (threadLabels.size() + 1);
    threadLabels.emplace (thread, label);
    return label;
}

std::string RecordingWriter::fileName (const std::tm& localTime, int attempt)
{
    return "vqdtrm4-recording-" + dateDigits (localTime, "") + "-" + timeDigits (localTime, "")
           + (attempt > 1 ? "-" + std::to_string (attempt) : std::string()) + ".txt";
}

std::string RecordingWriter::headerText (const Header& header, const std::tm& started)
{
    return std::string ("vqdtrm4-recording 1\n") + "recorder " + recorderVersion + "\n" + "arch " + arch() + "\n"
           + "maker " + header.maker + "\n" + "maker-version " + header.makerVersion + "\n" + "maker-size "
           + header.makerSize + "\n" + "started " + dateDigits (started, "-") + " " + timeDigits (started, ":") + "\n"
           + "---\n";
}

std::string RecordingWriter::hex (const uint8_t* bytes, int length)
{
    if (bytes == nullptr || length <= 0)
        return "-";
    int kept = length;
    while (kept > 0 && bytes[kept - 1] == 0)
        --kept;
    if (kept == 0)
        return "-";

    static const char digits[] = "0123456789ABCDEF";
    std::string text ((size_t) kept * 2, '0');
    for (int i = 0; i < kept; ++i)
    {
        text[(size_t) i * 2] = digits[bytes[i] >> 4];
        text[(size_t) i * 2 + 1] = digits[bytes[i] & 0x0F];
    }
    return text;
}

const char* RecordingWriter::arch()
{
#if defined(_WIN64)
    return "x64";
#elif defined(_WIN32)
    return "x86";
#else
    return "linux";
#endif
}
