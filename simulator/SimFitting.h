#pragma once
// The firmware of one simulated fitting: it hears bytes on the bus, parses
// request frames, answers them and keeps its EEPROM, flash, valve, speed and
// running software (application or boot loader) as a real unit does.
#include "simulator/SimProfiles.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// An answer frame: two header bytes, length, status, data, sum.
struct CSimAnswer {
    std::array<std::uint8_t, 264> by{};
    int nLength = 0;
};

// Target error codes the fitting answers with.
enum : std::uint8_t {
    kSimErrParameter = 0x02,
    kSimErrCommand = 0x04,
    kSimErrChecksum = 0x05,
    kSimErrMemoryWrite = 0x06,
    kSimErrPrecondition = 0x07,
    kSimErrAddress = 0x08,
    kSimErrRowChecksum = 0x09,
};

// The memory a request frame (F1 01 L opcode ...) addresses: EEPROM for
// commands 11..14, flash for 15..17, RAM for 28. False for other frames.
bool SimFrameMemoryRange(const std::uint8_t* pFrame, int nLength, unsigned& nFirst, unsigned& nCount);
// True for a frame that writes the EEPROM (commands 12 and 14).
bool IsSimEepromWrite(const std::uint8_t* pFrame, int nLength);

class CSimFitting {
public:
    CSimFitting(const CSimProfile& profile, const std::uint8_t serial[6]);

    const CSimProfile& Profile() const { return *m_pProfile; }

    // The speed the fitting listens and answers at.
    int Baud() const { return m_nBaud; }
    // One byte heard on the bus, ending at tNs; bUnderstood is false when it
    // was sent with another speed or format. True when it completed a
    // request; the answer is then in `answer`.
    bool Hear(std::uint8_t by, std::int64_t tNs, bool bUnderstood, CSimAnswer& answer);
    // The last answer's final byte left the fitting at tNs: a speed change or
    // restart ordered by that request takes effect now.
    void AnswerSent(std::int64_t tNs);

    // Power cycle at tNs.
    void Restart(std::int64_t tNs);
    void SetStartupTime(unsigned nSilentMs, unsigned nReadyMs);
    void SetRowCheck(bool bOn) { m_bRowCheck = bOn; }
    void SetSerial(const std::uint8_t serial[6]);
    void GetSerial(std::uint8_t serial[6]) const;
    void SetArticle(unsigned long ulArticle);
    // Versions as (major, minor); nullptr keeps one. The application version
    // is written into the flash image, where the fitting reads it from.
    void SetVersions(int nLayout, const std::uint8_t* pBl, const std::uint8_t* pApp);

    int Running(std::int64_t tNs) const; // VSIM_RUNNING_*
    bool BootloaderNext() const { return m_bBootloaderNext; }
    bool ValveOpen() const { return m_bValveOpen; }
    int Restarts() const { return m_nRestarts; }
    int Layout() const { return m_nLayout; }
    int FramesHeard() const { return m_nFramesHeard; }
    void AppVersion(std::uint8_t& byMajor, std::uint8_t& byMinor) const;

    std::vector<std::uint8_t>& Eeprom() { return m_eeprom; }
    std::vector<std::uint8_t>& Flash() { return m_flash; }
    // Persistence, as a powered unit keeps its memories and state: the file
    // holds the EEPROM, the flash and the running software with the speed it
    // listens at. It is loaded when it exists (false when it is no regular
    // file or cannot be read) and saved after every accepted EEPROM write,
    // flash erase, speed change, restart and boot loader switch.
    bool SetEepromFile(const std::string& strPath);
    bool SavePersistentState() const;

private:
    void Execute(std::int64_t tNs, CSimAnswer& answer);
    void ExecuteApplication(std::uint8_t opcode, const std::uint8_t* p, int n, std::int64_t tNs);
    void ExecuteMemory(std::uint8_t opcode, const std::uint8_t* p, int n);
    void ExecuteFlash(std::uint8_t opcode, const std::uint8_t* p, int n);
    void ModuleInformation();
    bool ReadIndex(std::uint8_t index, std::int64_t tNs, std::uint32_t& value) const;
    void WriteIndex(std::uint8_t index, std::uint32_t value);
    void ReadEeprom(unsigned address, unsigned length);
    void WriteEeprom(unsigned address, unsigned length, const std::uint8_t* data);
    void ErrorDetails(std::uint8_t selector);
    void CountedList();
    bool ImageValid() const;
    void LoadPersistentState(const std::string& strText);

    void Ok() { m_nPayload = 1; m_payload[0] = 0x00; }
    void Fail(std::uint8_t code);
    void Put(std::uint8_t by) { m_payload[static_cast<std::size_t>(m_nPayload++)] = by; }
    void Finish(CSimAnswer& answer) const;

    const CSimProfile* m_pProfile;
    std::vector<std::uint8_t> m_eeprom;
    std::vector<std::uint8_t> m_flash;
    std::array<std::uint8_t, 256> m_ram{};
    std::string m_strEepromFile;
    int m_nLayout;
    std::uint8_t m_byBlMajor, m_byBlMinor;
    bool m_bRowCheck = true;

    // Running state.
    bool m_bBootloader = false;      // the running software is the boot loader
    bool m_bBootloaderNext = false;  // command 21 / 22
    bool m_bValveOpen = false;
    int m_nBaud = 2400;
    std::int64_t m_tSilentUntil = 0;
    std::int64_t m_tReadyAt = 0;
    std::int64_t m_nSilentNs = 1000000000;
    std::int64_t m_nReadyNs = 500000000;
    int m_nRestarts = 0;
    int m_nFramesHeard = 0;

    // What the answer being sent will change once it is out.
    enum class EPending { None, Baud, Restart } m_pending = EPending::None;
    int m_nPendingBaud = 0;

    // Request parser.
    std::array<std::uint8_t, 260> m_frame{};
    int m_nFrame = 0;
    std::int64_t m_tLastByte = 0;

    // Answer under construction (status byte first).
    std::array<std::uint8_t, 256> m_payload{};
    int m_nPayload = 0;
};
