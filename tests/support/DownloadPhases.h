#pragma once
// Where a faucet's download (416 erases, 416 writes of 64 bytes) is cut
// short by pulling the adapter, and the speed the fitting is left at.
#include "devicelink/VelmorTPBase.h"

#include <ostream>

struct DownloadPhase {
    const char* name;
    int commandID; // the adapter goes as this command's frame is written,
    int skip;      // after this many frames of it
    int speedLeftAt;
};

inline constexpr DownloadPhase kDownloadPhases[] = {
    {"Erase", CVelmorTPBase::CmdEraseFlashByAddr, 100, 38400},
    {"FirstWrite", CVelmorTPBase::CmdWriteFlashByAddr, 0, 38400},
    {"MiddleWrite", CVelmorTPBase::CmdWriteFlashByAddr, 208, 38400},
    {"LastWrite", CVelmorTPBase::CmdWriteFlashByAddr, 415, 38400},
    {"ActivateApplication", CVelmorTPBase::CmdActivateApplication, 0, 2400},
    {"FinalRestart", CVelmorTPBase::CmdResetModule, 1, 2400},
};

inline void PrintTo(const DownloadPhase& phase, std::ostream* out)
{
    *out << phase.name;
}
