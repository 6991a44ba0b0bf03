#include "update/UpdateState.h"

#include "update/CommandProtocol.h"

int errorForRefusal (uint8_t command, uint8_t subCode) noexcept
{
    struct Refusal
    {
        uint8_t command;
        uint8_t subCode;
        int identifier;
    };

    static constexpr Refusal known[] = { { Protocol::cmdQueryStatus, 1, errDeviceCode1 },
                                         { Protocol::cmdQueryStatus, 2, errDeviceCode2 },
                                         { Protocol::cmdQueryStatus, 3, errDeviceCode3 },
                                         { Protocol::cmdQueryStatus, 4, errDeviceCode4 },
                                         { Protocol::cmdBlockSum, 2, errDeviceCode2 },
                                         { Protocol::cmdCommitPoll, 3, errDeviceCode3 },
                                         { Protocol::cmdCommitPoll, 4, errDeviceCode4 } };

    for (const auto& refusal : known)
        if (refusal.command == command && refusal.subCode == subCode)
            return refusal.identifier;

    return errProtocol;
}

juce::String getUpdateStateName (int value)
{
    switch (value)
    {
        case stateIdle: return "stateIdle";
        case stateReady: return "stateReady";
        case statePrepare: return "statePrepare";
        case stateBlockStart: return "stateBlockStart";
        case stateBlockData: return "stateBlockData";
        case stateBlockChecksum: return "stateBlockChecksum";
        case stateBlockCommit: return "stateBlockCommit";
        case stateComplete: return "stateComplete";
        case errNoUpdateFile: return "errNoUpdateFile";
        case errFileRead: return "errFileRead";
        case errFileSize: return "errFileSize";
        case errFileInfo: return "errFileInfo";
        case errFileCrc: return "errFileCrc";
        case errDeviceInfo: return "errDeviceInfo";
        case errNotConnected: return "errNotConnected";
        case errDeviceCode1: return "errDeviceCode1";
        case errFileOpen: return "errFileOpen";
        case errDeviceCode2: return "errDeviceCode2";
        case errDeviceCode3: return "errDeviceCode3";
        case errDeviceCode4: return "errDeviceCode4";
        case errTimeout: return "errTimeout";
        case errDisconnected: return "errDisconnected";
        case errProtocol: return "errProtocol";
        default: break;
    }

    return "0x" + juce::String::toHexString (value).toUpperCase();
}
