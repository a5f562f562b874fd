#pragma once
// Fields of the faucets' (Ambra) EEPROM map, written out as numbers so that
// the tests do not find them through the map they check.

enum AmbraAddress : unsigned {
    kSerialNumber = 0x11,
    kHoursSinceReset = 0x40,
    kHoursTotal = 0x42,
    kErrorCount = 0x46,
    kError1 = 0x47,
    kError2 = 0x48,
    kError3 = 0x49,
    kError4 = 0x4A,
    kError5 = 0x4B,
    kSwitchCountA = 0x51,
    kSwitchCountB = 0x54,
    kSwitchCountSinceReset = 0x5C,
    kMaxRuntime = 0x70,
    kRuntime = 0x72,
    kThermalDisinfectionMode = 0xAB,
    kInstaller = 0xB0,
    kInstallationDate = 0xC0,
    kPlacement1 = 0xD0,
    kPlacement2 = 0xE0,
};
