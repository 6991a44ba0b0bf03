#include "update/UpdateState.h"

juce::String getUpdateStateName (int value)
{
    switch (value)
    {
        case stateIdle:          return "stateIdle";
        case stateReady:         return "stateReady";
        case statePrepare:       return "statePrepare";
        case stateBlockStart:    return "stateBlockStart";
        case stateBlockData:     return "stateBlockData";
        case stateBlockChecksum: return "stateBlockChecksum";
        case stateBlockCommit:   return "stateBlockCommit";
        case stateComplete:      return "stateComplete";
        case errNoUpdateFile:    return "errNoUpdateFile";
        case errFileRead:        return "errFileRead";
        case errFileSize:        return "errFileSize";
        case errFileInfo:        return "errFileInfo";
        case errFileCrc:         return "errFileCrc";
        case errDeviceInfo:      return "errDeviceInfo";
        case errNotConnected:    return "errNotConnected";
        case errDeviceCode1:     return "errDeviceCode1";
        case errFileOpen:        return "errFileOpen";
        case errDeviceCode2:     return "errDeviceCode2";
        case errDeviceCode3:     return "errDeviceCode3";
        case errDeviceCode4:     return "errDeviceCode4";
        case errTimeout:         return "errTimeout";
        case errDisconnected:    return "errDisconnected";
        case errProtocol:        return "errProtocol";
        default:                 break;
    }

    return "0x" + juce::String::toHexString (value).toUpperCase();
}
