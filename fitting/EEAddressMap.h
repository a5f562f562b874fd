#pragma once
#include <string>

// Product-independent names of the fitting's EEPROM fields. The numbers are
// the values callers pass; 17 and 38 are not used by any map.
enum EEAddrType {
    EE_SERIAL_NUMBER = 1,
    EE_PRODUCTION_DATE = 2,
    EE_HOURS_SINCE_RESET = 3,
    EE_HOURS_TOTAL = 4,
    EE_SWITCH_COUNT_A = 5,
    EE_SWITCH_COUNT_B = 6,
    EE_SWITCH_COUNT_SINCE_RESET = 7,
    EE_SWITCH_LEVEL = 8,
    EE_ERROR_COUNT = 9,
    EE_ERROR_1 = 10,
    EE_ERROR_2 = 11,
    EE_ERROR_3 = 12,
    EE_ERROR_4 = 13,
    EE_ERROR_5 = 14,
    EE_VALVE_DEAD_TIME_TIMEOUT = 15,
    EE_VALVE_DEAD_TIME_RUNTIME = 16,
    EE_STARTUP_PROGRAMMING = 18,
    EE_CLEANING_STOP_MODE = 19,
    EE_CLEANING_STOP_RUNTIME = 20,
    EE_NON_STOP_OPERATION_MODE = 21,
    EE_NON_STOP_OPERATION_RUNTIME = 22,
    EE_THERMAL_DISINFECTION_MODE = 23,
    EE_THERMAL_DISINFECTION_RUNTIME = 24,
    EE_SPECIAL_OPERATION = 25,
    EE_RUNTIME = 26,
    EE_MAX_RUNTIME = 27,
    EE_STAGNATION_MODE = 28,
    EE_STAGNATION_RUNTIME = 29,
    EE_STAGNATION_CYCLE_TIME = 30,
    EE_POWER_SAVING_TIMEOUT = 31,
    EE_POWER_SAVING_MODE = 32, // same byte as the timeout: 0 means power saving off
    EE_PLACEMENT_1 = 33,
    EE_PLACEMENT_2 = 34,
    EE_INSTALLER = 35,
    EE_INSTALLATION_DATE = 36,
    EE_LED_CURRENT_OFF = 37,
    EE_SIMPLE_SWITCH_FUNCTION = 39,
    EE_FLUSH_INDEX = 40,
    EE_STADIUM_DELTA = 41,
    EE_STADIUM_RUNTIME = 42,
    EE_STADIUM_MODE = 43,
    EE_AIRTRAP_MODE = 44,
    EE_AIRTRAP_LAST_USED = 45,
    EE_COMFORT_FLUSH_MODE = 46,
    EE_COMFORT_FLUSH_LAST_USED = 47,
};

// Lowest and highest value of EEAddrType, for callers that walk all types.
constexpr int kFirstEEAddrType = EE_SERIAL_NUMBER;
constexpr int kLastEEAddrType = EE_COMFORT_FLUSH_LAST_USED;

// Product type codes held by the main window.
constexpr int kProductTarvo = 1;
constexpr int kProductTarvoV2 = 2;
constexpr int kProductAmbra = 3;
constexpr int kProductUrinal = 4;
constexpr int kProductWC = 5;
constexpr int kProductPelio = 6;
constexpr int kProductCulina = 7;

// EEPROM rows: 16 bytes each, bytes 0..14 data, byte 15 the row sum.
constexpr int kEERowSize = 16;
constexpr int kEERowChecksumOffset = 15;

// Size in bytes of the field of an address type; 0 for a value that is no
// address type.
int GetEEAddrTypeSize(int nAddrType);

// Address of an EEPROM field for a product type (1..7). 0 on success;
// -1001 with the message and address 0 for an unknown product type or a
// type the product's map does not hold.
int GetEEAddr(const int& nAddrType, const int& nProductType, int& nAddr, std::string& strError);

// The three family maps behind GetEEAddr.
int GetEEAddrTarvo(const int& nAddrType, int& nAddr, std::string& strError);
int GetEEAddrAmbra(const int& nAddrType, int& nAddr, std::string& strError);
int GetEEAddrUrinalWc(const int& nAddrType, int& nAddr, std::string& strError);
