#include "simulator/SimFitting.h"

#include "simulator/velmorsim_control.h"

#include "common/FileIO.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace {

constexpr std::uint8_t kAnswerHeader0 = 0x01; // the request's address bytes F1 01, reversed
constexpr std::uint8_t kAnswerHeader1 = 0xF1;
constexpr int kDefaultBaud = 2400;
// A state file holds 512 EEPROM bytes and at most 32 KB of flash as text.
constexpr std::size_t kStateFileLimit = 1 << 20;
constexpr int kBaudByCode[6]{0, 2400, 4800, 9600, 19200, 38400};
constexpr std::uint8_t kValveIndex = 1;
constexpr std::uint8_t kStartingIndex = 2;
constexpr std::uint8_t kSupplyIndex = 3;
constexpr std::uint32_t kSupplyMillivolts = 6012;

std::uint32_t Be(const std::uint8_t* p, int n)
{
    std::uint32_t value = 0;
    for (int i = 0; i < n; ++i)
        value = (value << 8) | p[i];
    return value;
}

} // namespace

bool SimFrameMemoryRange(const std::uint8_t* pFrame, int nLength, unsigned& nFirst, unsigned& nCount)
{
    if (nLength < 6 || pFrame[0] != 0xF1 || pFrame[1] != 0x01)
        return false;
    const std::uint8_t opcode = pFrame[3];
    const std::uint8_t* p = pFrame + 4;
    const int n = nLength - 5; // parameter bytes
    if (opcode >= 0x0A && opcode <= 0x0D && n >= 3) {
        nFirst = Be(p, 2) * (opcode >= 0x0C ? kSimEepromRow : 1u);
        nCount = p[2];
    } else if ((opcode == 0x0E || opcode == 0x0F || opcode == 0x1C) && n >= 5) {
        nFirst = Be(p, 4);
        nCount = p[4];
    } else if (opcode == 0x1A && n >= 2) {
        nFirst = p[0];
        nCount = p[1];
    } else {
        return false;
    }
    return true;
}

bool IsSimEepromWrite(const std::uint8_t* pFrame, int nLength)
{
    unsigned nFirst = 0, nCount = 0;
    return SimFrameMemoryRange(pFrame, nLength, nFirst, nCount) && (pFrame[3] == 0x0B || pFrame[3] == 0x0D);
}

CSimFitting::CSimFitting(const CSimProfile& profile, const std::uint8_t serial[6])
    : m_pProfile(&profile),
      m_eeprom(BuildSimEeprom(profile, serial)),
      m_flash(BuildSimFlash(profile)),
      m_nLayout(profile.nLayout),
      m_byBlMajor(profile.byBlMajor),
      m_byBlMinor(profile.byBlMinor)
{
    for (std::size_t i = 0; i < m_ram.size(); ++i)
        m_ram[i] = static_cast<std::uint8_t>(i * 3 + 0x40);
}


void CSimFitting::SetStartupTime(unsigned nSilentMs, unsigned nReadyMs)
{
    m_nSilentNs = static_cast<std::int64_t>(nSilentMs) * 1000000;
    m_nReadyNs = static_cast<std::int64_t>(nReadyMs) * 1000000;
}

void CSimFitting::SetSerial(const std::uint8_t serial[6])
{
    std::memcpy(&m_eeprom[kSimSerialAddress], serial, 6);
    RenewSimRowSum(m_eeprom, kSimSerialAddress & ~(kSimEepromRow - 1));
}

void CSimFitting::GetSerial(std::uint8_t serial[6]) const
{
    std::memcpy(serial, &m_eeprom[kSimSerialAddress], 6);
}

void CSimFitting::SetArticle(unsigned long ulArticle)
{
    StoreSimArticle(m_eeprom, ulArticle);
    RenewSimRowSum(m_eeprom, kSimArticleAddress & ~(kSimEepromRow - 1));
}

void CSimFitting::SetVersions(int nLayout, const std::uint8_t* pBl, const std::uint8_t* pApp)
{
    m_nLayout = nLayout;
    if (pBl != nullptr) {
        m_byBlMajor = pBl[0];
        m_byBlMinor = pBl[1];
    }
    if (pApp != nullptr) {
        std::uint32_t signature = SimFlashLayout(m_pProfile->nProductType).dwSignature;
        m_flash[signature - 2] = pApp[0];
        m_flash[signature - 1] = pApp[1];
    }
}

bool CSimFitting::ImageValid() const
{
    std::uint32_t signature = SimFlashLayout(m_pProfile->nProductType).dwSignature;
    return m_flash[signature] == 0x55 && m_flash[signature + 1] == 0x34;
}

void CSimFitting::AppVersion(std::uint8_t& byMajor, std::uint8_t& byMinor) const
{
    // Without a valid image there is no application to report.
    std::uint32_t signature = SimFlashLayout(m_pProfile->nProductType).dwSignature;
    byMajor = ImageValid() ? m_flash[signature - 2] : 0;
    byMinor = ImageValid() ? m_flash[signature - 1] : 0;
}

int CSimFitting::Running(std::int64_t tNs) const
{
    if (tNs < m_tSilentUntil)
        return VSIM_RUNNING_STARTING;
    return m_bBootloader ? VSIM_RUNNING_BOOTLOADER : VSIM_RUNNING_APPLICATION;
}

void CSimFitting::Restart(std::int64_t tNs)
{
    m_tSilentUntil = tNs + m_nSilentNs;
    m_tReadyAt = m_tSilentUntil + m_nReadyNs;
    m_nBaud = kDefaultBaud;
    m_bValveOpen = false;
    m_bBootloader = m_bBootloaderNext || !ImageValid();
    m_nFrame = 0;
    ++m_nRestarts;
}

bool CSimFitting::Hear(std::uint8_t by, std::int64_t tNs, bool bUnderstood, CSimAnswer& answer)
{
    if (tNs < m_tSilentUntil || !bUnderstood) {
        m_nFrame = 0;
        return false;
    }
    // A pause of ten byte times ends a half-received frame.
    if (m_nFrame > 0 && tNs - m_tLastByte > 100000000000LL / m_nBaud)
        m_nFrame = 0;
    m_tLastByte = tNs;
    if ((m_nFrame == 0 && by != 0xF1) || (m_nFrame == 1 && by != 0x01)) {
        m_nFrame = by == 0xF1 ? 1 : 0;
        if (m_nFrame == 1)
            m_frame[0] = by;
        return false;
    }
    m_frame[static_cast<std::size_t>(m_nFrame++)] = by;
    if (m_nFrame == 3 && by < 2) { // a request holds at least an opcode and its sum
        m_nFrame = 0;
        return false;
    }
    if (m_nFrame < 3 || m_nFrame < 3 + m_frame[2])
        return false;
    Execute(tNs, answer);
    m_nFrame = 0;
    return true;
}

void CSimFitting::AnswerSent(std::int64_t tNs)
{
    if (m_pending == EPending::Baud)
        m_nBaud = m_nPendingBaud;
    else if (m_pending == EPending::Restart)
        Restart(tNs);
    if (m_pending != EPending::None)
        SavePersistentState(); // a failure is told on standard error
    m_pending = EPending::None;
}

void CSimFitting::Fail(std::uint8_t code)
{
    m_nPayload = 2;
    m_payload[0] = 0xFF;
    m_payload[1] = code;
}

void CSimFitting::Finish(CSimAnswer& answer) const
{
    answer.by[0] = kAnswerHeader0;
    answer.by[1] = kAnswerHeader1;
    answer.by[2] = static_cast<std::uint8_t>(m_nPayload + 1);
    std::memcpy(&answer.by[3], m_payload.data(), static_cast<std::size_t>(m_nPayload));
    answer.nLength = 3 + m_nPayload + 1;
    std::uint8_t sum = 0;
    for (int i = 0; i < answer.nLength - 1; ++i)
        sum = static_cast<std::uint8_t>(sum + answer.by[static_cast<std::size_t>(i)]);
    answer.by[static_cast<std::size_t>(answer.nLength - 1)] = sum;
}

void CSimFitting::Execute(std::int64_t tNs, CSimAnswer& answer)
{
    m_pending = EPending::None;
    std::uint8_t sum = 0;
    for (int i = 0; i < m_nFrame - 1; ++i)
        sum = static_cast<std::uint8_t>(sum + m_frame[static_cast<std::size_t>(i)]);
    const std::uint8_t opcode = m_frame[3];
    const std::uint8_t* p = &m_frame[4];
    const int n = m_frame[2] - 2; // parameter bytes
    ++m_nFramesHeard;
    if (sum != m_frame[static_cast<std::size_t>(m_nFrame - 1)]) {
        Fail(kSimErrChecksum);
    } else if (opcode == 0x0A || opcode == 0x0B || opcode == 0x0C || opcode == 0x0D) {
        ExecuteMemory(opcode, p, n);
    } else if (opcode == 0x0E || opcode == 0x0F || opcode == 0x1C) {
        if (m_bBootloader)
            ExecuteFlash(opcode, p, n);
        else
            Fail(kSimErrPrecondition);
    } else if ((opcode >= 0x02 && opcode <= 0x09) || opcode == 0x1A || opcode == 0x1F || opcode == 0x20) {
        if (m_bBootloader)
            Fail(kSimErrCommand);
        else
            ExecuteApplication(opcode, p, n, tNs);
    } else if (opcode == 0x00 || opcode == 0x01 || opcode == 0x12 || opcode == 0x13 || opcode == 0x14 ||
               opcode == 0x1E) {
        if (n != 0) {
            Fail(kSimErrParameter);
        } else if (opcode == 0x01) {
            ModuleInformation();
        } else {
            Ok();
            if (opcode == 0x00)
                m_pending = EPending::Restart;
            else if (opcode == 0x13 || opcode == 0x14) {
                m_bBootloaderNext = opcode == 0x13;
                SavePersistentState(); // a failure is told on standard error
            }
        }
    } else if (opcode == 0x1D) {
        if (n != 1 || p[0] < 1 || p[0] > 5) {
            Fail(kSimErrParameter);
        } else {
            Ok();
            m_pending = EPending::Baud;
            m_nPendingBaud = kBaudByCode[p[0]];
        }
    } else {
        Fail(kSimErrCommand);
    }
    Finish(answer);
}

void CSimFitting::ModuleInformation()
{
    std::uint8_t appMajor = 0, appMinor = 0;
    AppVersion(appMajor, appMinor);
    Ok();
    Put(static_cast<std::uint8_t>(m_nLayout));
    Put(m_bBootloader ? 0 : 1);
    Put(static_cast<std::uint8_t>(m_pProfile->nProductType));
    Put(static_cast<std::uint8_t>(m_pProfile->ulArticle % 100));
    if (m_nLayout == 0) { // one version: that of the software running
        Put(m_bBootloader ? m_byBlMajor : appMajor);
        Put(m_bBootloader ? m_byBlMinor : appMinor);
    } else {
        Put(m_byBlMajor);
        Put(m_byBlMinor);
        Put(appMajor);
        Put(appMinor);
    }
    for (int i = 5; i >= 0; --i) // shown highest EEPROM byte first, as the tool shows the EEPROM's
        Put(m_eeprom[kSimSerialAddress + static_cast<unsigned>(i)]);
}

bool CSimFitting::ReadIndex(std::uint8_t index, std::int64_t tNs, std::uint32_t& value) const
{
    if (index == kValveIndex)
        value = m_bValveOpen ? 1 : 0;
    else if (index == kStartingIndex)
        value = tNs < m_tReadyAt ? 1 : 0;
    else if (index == kSupplyIndex)
        value = kSupplyMillivolts;
    else
        return false;
    return true;
}

void CSimFitting::WriteIndex(std::uint8_t index, std::uint32_t value)
{
    if (index != kValveIndex || value > 1)
        return Fail(kSimErrParameter);
    m_bValveOpen = value == 1;
    Ok();
}

void CSimFitting::ExecuteApplication(std::uint8_t opcode, const std::uint8_t* p, int n, std::int64_t tNs)
{
    // Opcodes 03/05/07/09 read 1, 1, 2, 4 bytes; 02/04/06/08 write them.
    static constexpr int kWidth[10]{0, 0, 1, 1, 1, 1, 2, 2, 4, 4};
    if (opcode <= 0x09) {
        const int width = kWidth[opcode];
        const bool bRead = (opcode & 1) != 0;
        if (n != (bRead ? 1 : 1 + width))
            return Fail(kSimErrParameter);
        if (!bRead)
            return WriteIndex(p[0], Be(p + 1, width));
        std::uint32_t value = 0;
        if (!ReadIndex(p[0], tNs, value))
            return Fail(kSimErrParameter);
        Ok();
        for (int i = width - 1; i >= 0; --i)
            Put(static_cast<std::uint8_t>(value >> (8 * i)));
    } else if (opcode == 0x1A) {
        if (n != 2 || p[1] == 0 || p[1] > 250)
            return Fail(kSimErrParameter);
        if (p[0] + p[1] > static_cast<int>(m_ram.size()))
            return Fail(kSimErrAddress);
        Ok();
        Put(p[0]);
        Put(p[1]);
        for (int i = 0; i < p[1]; ++i)
            Put(m_ram[static_cast<std::size_t>(p[0] + i)]);
    } else if (opcode == 0x1F) {
        if (n != 0)
            return Fail(kSimErrParameter);
        CountedList();
    } else { // 0x20
        if (n != 1)
            return Fail(kSimErrParameter);
        ErrorDetails(p[0]);
    }
}

void CSimFitting::CountedList()
{
    // The error codes of the history.
    const unsigned at = SimFamilyMap(m_pProfile->nProductType).wErrorCount;
    const int count = std::min<int>(m_eeprom[at], 5);
    Ok();
    Put(static_cast<std::uint8_t>(count));
    for (int i = 1; i <= count; ++i)
        Put(m_eeprom[at + static_cast<unsigned>(i)]);
}

void CSimFitting::ErrorDetails(std::uint8_t selector)
{
    // Selector 1..5 names an entry of the error history.
    const CSimFamilyMap& map = SimFamilyMap(m_pProfile->nProductType);
    const int count = std::min<int>(m_eeprom[map.wErrorCount], 5);
    if (selector < 1 || selector > count)
        return Fail(kSimErrParameter);
    const unsigned hoursTotal = m_eeprom[map.wHoursTotal] + 256u * m_eeprom[map.wHoursTotal + 1u];
    const unsigned hours = hoursTotal > 100u * selector ? hoursTotal - 100u * selector : 0;
    const unsigned millivolts = 6000u - 50u * selector;
    Ok();
    Put(0); // layout 0
    Put(m_eeprom[map.wErrorCount + selector]);
    // historic, active (the latest only), storable, stored, occurrences
    Put(static_cast<std::uint8_t>(0x80 | (selector == 1 ? 0x40 : 0) | 0x20 | 0x10 | selector));
    Put(static_cast<std::uint8_t>(hours >> 8));
    Put(static_cast<std::uint8_t>(hours));
    Put(static_cast<std::uint8_t>(millivolts >> 8));
    Put(static_cast<std::uint8_t>(millivolts));
}

void CSimFitting::ExecuteMemory(std::uint8_t opcode, const std::uint8_t* p, int n)
{
    if (n < 3)
        return Fail(kSimErrParameter);
    const bool bBlock = opcode == 0x0C || opcode == 0x0D;
    const unsigned address = Be(p, 2) * (bBlock ? kSimEepromRow : 1u);
    const unsigned length = p[2];
    const bool bRead = opcode == 0x0A || opcode == 0x0C;
    if (n != (bRead ? 3 : 3 + static_cast<int>(length)))
        return Fail(kSimErrParameter);
    if (bRead)
        ReadEeprom(address, length);
    else
        WriteEeprom(address, length, p + 3);
}

void CSimFitting::ReadEeprom(unsigned address, unsigned length)
{
    if (length == 0 || length > 253)
        return Fail(kSimErrParameter);
    if (address + length > m_eeprom.size())
        return Fail(kSimErrAddress);
    Ok();
    for (unsigned i = 0; i < length; ++i)
        Put(m_eeprom[address + i]);
}

void CSimFitting::WriteEeprom(unsigned address, unsigned length, const std::uint8_t* data)
{
    if (length == 0)
        return Fail(kSimErrParameter);
    if (address + length > m_eeprom.size())
        return Fail(kSimErrAddress);
    const unsigned firstRow = address & ~(kSimEepromRow - 1);
    // A whole row carries its own sum; the fitting checks it before storing.
    for (unsigned row = firstRow; row < address + length; row += kSimEepromRow) {
        if (!m_bRowCheck || row < address || row + kSimEepromRow > address + length)
            continue;
        const std::uint8_t* rowData = data + (row - address);
        std::uint8_t sum = 0;
        for (unsigned i = 0; i < kSimEepromRow - 1; ++i)
            sum = static_cast<std::uint8_t>(sum + rowData[i]);
        if (sum != rowData[kSimEepromRow - 1])
            return Fail(kSimErrRowChecksum);
    }
    const std::vector<std::uint8_t> before = m_eeprom;
    std::memcpy(&m_eeprom[address], data, length);
    // Rows written in part keep a valid sum: the fitting renews it.
    for (unsigned row = firstRow; row < address + length; row += kSimEepromRow)
        if (row < address || row + kSimEepromRow > address + length)
            RenewSimRowSum(m_eeprom, row);
    // A write that could not be kept is no write.
    if (!SavePersistentState()) {
        m_eeprom = before;
        return Fail(kSimErrMemoryWrite);
    }
    Ok();
}

void CSimFitting::ExecuteFlash(std::uint8_t opcode, const std::uint8_t* p, int n)
{
    if (n < 5)
        return Fail(kSimErrParameter);
    const CSimFlashLayout& layout = SimFlashLayout(m_pProfile->nProductType);
    const std::uint32_t address = Be(p, 4);
    const std::uint32_t length = p[4];
    const bool bWrite = opcode == 0x0F;
    if (n != (bWrite ? 5 + static_cast<int>(length) : 5) || length == 0)
        return Fail(kSimErrParameter);
    if (address >= layout.dwSize || address + length > layout.dwSize)
        return Fail(kSimErrAddress);
    if (opcode == 0x0E) {
        if (length > 253)
            return Fail(kSimErrParameter);
        Ok();
        for (std::uint32_t i = 0; i < length; ++i)
            Put(m_flash[address + i]);
        return;
    }
    if (address < layout.dwAppStart) // the boot loader protects itself
        return Fail(kSimErrAddress);
    if (opcode == 0x1C) {
        std::fill_n(m_flash.begin() + address, length, 0xFF);
        SavePersistentState(); // a failure is told on standard error
        return Ok();
    }
    if (layout.bEraseBeforeWrite) { // whole blocks into erased flash
        if (address % layout.dwBlockSize != 0)
            return Fail(kSimErrAddress);
        if (length != layout.dwBlockSize)
            return Fail(kSimErrParameter);
        for (std::uint32_t i = 0; i < length; ++i)
            if (m_flash[address + i] != 0xFF && m_flash[address + i] != p[5 + i])
                return Fail(kSimErrMemoryWrite);
    } else if (length > layout.dwBlockSize) {
        return Fail(kSimErrParameter);
    }
    std::memcpy(&m_flash[address], p + 5, length);
    Ok();
}

bool CSimFitting::SetEepromFile(const std::string& strPath)
{
    m_strEepromFile = strPath;
    if (strPath.empty())
        return true;
    std::error_code ec;
    if (!std::filesystem::exists(strPath, ec))
        return SavePersistentState();
    std::string text;
    std::string strError;
    if (ReadRegularFile(strPath, kStateFileLimit, text, strError) != 0) {
        std::fprintf(stderr, "velmorsim: %s\n", strError.c_str());
        return false;
    }
    LoadPersistentState(text);
    return true;
}

// Lines "0x0010: 00 11 22 ..." of the EEPROM, "state software=... baud=...
// bootloader_next=..." and "flash 0x1800: ..." for the flash rows that are
// not erased. A file without a state line (an EEPROM alone) keeps the
// profile's flash and state.
void CSimFitting::LoadPersistentState(const std::string& strText)
{
    std::istringstream lines(strText);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string word;
        if (line.rfind("state ", 0) == 0) {
            in >> word;
            while (in >> word) {
                if (word == "software=bootloader" || word == "software=application")
                    m_bBootloader = word == "software=bootloader";
                else if (word.rfind("baud=", 0) == 0)
                    m_nBaud = std::atoi(word.c_str() + 5);
                else if (word.rfind("bootloader_next=", 0) == 0)
                    m_bBootloaderNext = word.back() == '1';
            }
            std::fill(m_flash.begin(), m_flash.end(), 0xFF);
            continue;
        }
        std::vector<std::uint8_t>* pMemory = &m_eeprom;
        if (line.rfind("flash ", 0) == 0) {
            in >> word;
            pMemory = &m_flash;
        }
        unsigned address = 0;
        char colon = 0;
        if (!(in >> std::hex >> address >> colon) || colon != ':')
            continue;
        unsigned value = 0;
        while (in >> std::hex >> value && address < pMemory->size())
            (*pMemory)[address++] = static_cast<std::uint8_t>(value);
    }
}

namespace {

void AppendRow(std::string& text, const char* szPrefix, const std::vector<std::uint8_t>& memory, std::size_t row)
{
    char line[16 + 3 * kSimEepromRow + 2];
    int at = std::snprintf(line, sizeof(line), "%s0x%04zX:", szPrefix, row);
    for (std::size_t i = row; i < std::min(row + kSimEepromRow, memory.size()); ++i)
        at += std::snprintf(line + at, sizeof(line) - static_cast<std::size_t>(at), " %02X", memory[i]);
    text.append(line).append("\n");
}

} // namespace

bool CSimFitting::SavePersistentState() const
{
    if (m_strEepromFile.empty())
        return true;
    std::string text;
    for (std::size_t row = 0; row < m_eeprom.size(); row += kSimEepromRow)
        AppendRow(text, "", m_eeprom, row);
    text += "state software=" + std::string(m_bBootloader ? "bootloader" : "application") + " baud=" + std::to_string(m_nBaud)
            + " bootloader_next=" + (m_bBootloaderNext ? "1" : "0") + "\n";
    for (std::size_t row = 0; row < m_flash.size(); row += kSimEepromRow)
        if (std::any_of(m_flash.begin() + static_cast<std::ptrdiff_t>(row),
                        m_flash.begin() + static_cast<std::ptrdiff_t>(std::min(row + kSimEepromRow, m_flash.size())),
                        [](std::uint8_t by) { return by != 0xFF; }))
            AppendRow(text, "flash ", m_flash, row);
    std::string strError;
    if (ReplaceFileContent(m_strEepromFile, text, strError) == 0)
        return true;
    std::fprintf(stderr, "velmorsim: %s\n", strError.c_str());
    return false;
}
