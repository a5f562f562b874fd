// The bus of each adapter: frames on the line with their echo and bit
// timing, what the fitting makes of them, the faults armed on them and the
// trace.
#include "simulator/SimWorld.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::int64_t kNsPerSecond = 1000000000LL;
constexpr std::size_t kTraceLimit = 1000000; // frames kept; the oldest half goes beyond it

// Opcode on the wire of each command ID 1..33.
constexpr int kOpcodeOfCommand[34]{-1,   0x00, 0x01, 0x03, 0x05, 0x07, 0x09, 0x02, 0x04, 0x06, 0x08, 0x0A,
                                   0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x1C, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15,
                                   0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1D, 0x1E, 0x1F, 0x20};

// End of byte i (0-based) of a transmission that starts at tStart: ten bit times per byte.
std::int64_t ByteEnd(std::int64_t tStart, int i, int nBaud)
{
    return tStart + (static_cast<std::int64_t>(i + 1) * 10 * kNsPerSecond) / nBaud;
}

bool Fires(CSimArmedFault& fault, bool bCommandMatches)
{
    const VSimFault& f = fault.spec.fault;
    if (f.times > 0 && fault.nHits >= f.times)
        return false;
    bool bFires = false;
    if (f.trigger == VSIM_TRIGGER_NEXT)
        bFires = fault.nHits == 0;
    else if (f.trigger == VSIM_TRIGGER_EVERY)
        bFires = f.n > 0 && ++fault.nSeen % static_cast<std::uint64_t>(f.n) == 0;
    else
        bFires = bCommandMatches;
    if (bFires && fault.nSkipped < f.skip) {
        ++fault.nSkipped;
        return false;
    }
    if (bFires)
        ++fault.nHits;
    return bFires;
}

// Whether the fault looks at the frame at all: an address range narrows it
// to frames addressing that memory, an ignored write to EEPROM writes.
bool Considers(const VSimFault& fault, const std::uint8_t* pBytes, int nLength)
{
    if (fault.kind == VSIM_FAULT_IGNORE_WRITE && !IsSimEepromWrite(pBytes, nLength))
        return false;
    if (fault.addressCount == 0)
        return true;
    unsigned first = 0, count = 0;
    return SimFrameMemoryRange(pBytes, nLength, first, count) && first < fault.address + fault.addressCount &&
           fault.address < first + count;
}

// Puts back what a write changed in the fault's address range (everywhere
// without one). A row whose sum byte is not put back gets its sum renewed,
// so the fitting keeps every row valid and only the data tells.
void UndoWrite(CSimFitting& fitting, const std::vector<std::uint8_t>& before, const VSimFault& fault)
{
    std::vector<std::uint8_t>& eeprom = fitting.Eeprom();
    const std::size_t first = fault.addressCount > 0 ? fault.address : 0;
    const std::size_t end =
        fault.addressCount > 0 ? std::min<std::size_t>(first + fault.addressCount, eeprom.size()) : eeprom.size();
    for (std::size_t address = first; address < end; ++address) {
        if (eeprom[address] == before[address])
            continue;
        eeprom[address] = before[address];
        const unsigned row = static_cast<unsigned>(address) & ~(kSimEepromRow - 1);
        if (row + kSimEepromRow - 1 >= end || row + kSimEepromRow - 1 < first)
            RenewSimRowSum(eeprom, row);
    }
    fitting.SavePersistentState(); // a failure is told on standard error
}

// Serial number + 1, EEPROM order (lowest byte first).
void NextSerial(std::uint8_t serial[6])
{
    for (int i = 0; i < 6 && ++serial[i] == 0; ++i) {
    }
}

} // namespace

FT_STATUS CSimWorld::DriverStatus(const char* szFunction, int nDeviceId)
{
    if (!m_bDriverFaults)
        return FT_OK;
    for (CSimArmedFault& fault : m_faults) {
        if (fault.spec.fault.kind != VSIM_FAULT_DRIVER_STATUS || fault.spec.strText != szFunction ||
            (fault.nDeviceId != -1 && fault.nDeviceId != nDeviceId))
            continue;
        if (Fires(fault, true))
            return fault.spec.fault.param != 0 ? static_cast<FT_STATUS>(fault.spec.fault.param)
                                                 : static_cast<FT_STATUS>(FT_IO_ERROR);
    }
    return FT_OK;
}

const CSimFaultSpec* CSimFired::Get(int nKind) const
{
    for (const CSimArmedFault* fault : m_faults)
        if (fault->spec.fault.kind == nKind)
            return &fault->spec;
    return nullptr;
}

int CSimFired::Param(int nKind, int nDefault) const
{
    const CSimFaultSpec* spec = Get(nKind);
    return spec != nullptr && spec->fault.param != 0 ? spec->fault.param : nDefault;
}

void CSimWorld::ArmedFor(CSimDevice& device, const std::uint8_t* pBytes, int nLength, CSimFired& fired)
{
    const int opcode = nLength >= 4 && pBytes[0] == 0xF1 && pBytes[1] == 0x01 ? pBytes[3] : -1;
    for (CSimArmedFault& fault : m_faults) {
        const VSimFault& f = fault.spec.fault;
        if (f.kind == VSIM_FAULT_DRIVER_STATUS || (fault.nDeviceId != -1 && fault.nDeviceId != device.nId) ||
            !Considers(f, pBytes, nLength))
            continue;
        const bool bCommand = f.n >= 1 && f.n <= 33 && kOpcodeOfCommand[f.n] == opcode;
        if (Fires(fault, bCommand))
            fired.m_faults.push_back(&fault);
    }
}

std::int64_t CSimWorld::Deliver(CSimDevice& device, std::int64_t tStart, int nBaud, const std::uint8_t* pBytes,
                                int nLength, int nDirection)
{
    for (int i = 0; i < nLength; ++i)
        device.rx.push_back({ByteEnd(tStart, i, nBaud), pBytes[i]});
    const std::int64_t tEnd = ByteEnd(tStart, nLength - 1, nBaud);
    Record(device, tStart, tEnd - tStart, nDirection, nBaud, pBytes, nLength);
    return tEnd;
}

void CSimWorld::Transmit(CSimDevice& device, const std::uint8_t* pBytes, int nLength)
{
    CSimFired fired;
    if (!m_faults.empty())
        ArmedFor(device, pBytes, nLength, fired);
    if (fired.Has(VSIM_FAULT_UNPLUG_ADAPTER)) {
        Pull(m_devices[static_cast<std::size_t>(IndexOf(device))]);
        return;
    }
    if (const CSimFaultSpec* exchange = fired.Get(VSIM_FAULT_EXCHANGE_FITTING))
        ExchangeFitting(device, exchange->strText, exchange->strText2);

    // The frame on the wire, and its echo.
    const std::int64_t tStart = std::max(m_clock.NowNs(), device.tLineFree);
    std::int64_t tEnd = ByteEnd(tStart, nLength - 1, device.nBaud);
    Record(device, tStart, tEnd - tStart, VSIM_DIR_TO_FITTING, device.nBaud, pBytes, nLength);
    if (!fired.Has(VSIM_FAULT_MISSING_ECHO)) {
        const int corruptAt = fired.Has(VSIM_FAULT_CORRUPT_ECHO) ? fired.Param(VSIM_FAULT_CORRUPT_ECHO, 0) : -1;
        for (int i = 0; i < nLength; ++i)
            device.rx.push_back({ByteEnd(tStart, i, device.nBaud),
                                 static_cast<std::uint8_t>(pBytes[i] ^ (i == corruptAt ? 0xFF : 0x00))});
    }

    CSimAnswer answer;
    const bool bAnswer = FittingHears(device, pBytes, nLength, tStart, fired, answer);
    if (fired.Has(VSIM_FAULT_GARBAGE)) {
        static const std::uint8_t noise[]{0x55, 0xAA, 0x00, 0xFF, 0x13, 0xF1, 0x01, 0x7E};
        std::uint8_t bytes[VSIM_MAX_FRAME];
        const int count = std::clamp(fired.Param(VSIM_FAULT_GARBAGE, 3), 1, VSIM_MAX_FRAME);
        for (int i = 0; i < count; ++i)
            bytes[i] = noise[static_cast<std::size_t>(i) % sizeof(noise)];
        tEnd = Deliver(device, tEnd, device.nBaud, bytes, count, VSIM_DIR_NOISE);
    }
    device.tLineFree = tEnd;
    if (bAnswer)
        SendAnswer(device, answer, fired, tEnd);
}

bool CSimWorld::FittingHears(CSimDevice& device, const std::uint8_t* pBytes, int nLength, std::int64_t tStart,
                             const CSimFired& fired, CSimAnswer& answer)
{
    CSimFitting* fitting = device.fitting.get();
    if (fitting == nullptr || fired.Has(VSIM_FAULT_NO_ANSWER))
        return false;
    const bool bUnderstood = fitting->Baud() == device.nBaud && device.byWordLength == FT_BITS_8 &&
                             device.byStopBits == FT_STOP_BITS_1 && device.byParity == FT_PARITY_NONE;
    const CSimFaultSpec* ignore = fired.Get(VSIM_FAULT_IGNORE_WRITE);
    const std::vector<std::uint8_t> before = ignore != nullptr ? fitting->Eeprom() : std::vector<std::uint8_t>{};
    bool bAnswer = false;
    for (int i = 0; i < nLength; ++i)
        bAnswer = fitting->Hear(pBytes[i], ByteEnd(tStart, i, device.nBaud), bUnderstood, answer) || bAnswer;
    if (ignore != nullptr)
        UndoWrite(*fitting, before, ignore->fault);
    return bAnswer;
}

void CSimWorld::SendAnswer(CSimDevice& device, CSimAnswer& answer, const CSimFired& fired, std::int64_t tAfter)
{
    const int fullLength = answer.nLength;
    int sendLength = fullLength;
    const CSimFaultSpec* error = fired.Get(VSIM_FAULT_TARGET_ERROR);
    if (error == nullptr)
        error = fired.Get(VSIM_FAULT_TARGET_ERROR_LIB);
    if (error != nullptr) { // FF code, or FF code library
        const bool bLib = error->fault.kind == VSIM_FAULT_TARGET_ERROR_LIB;
        answer.by[2] = bLib ? 4 : 3;
        answer.by[3] = 0xFF;
        answer.by[4] = static_cast<std::uint8_t>(error->fault.param != 0 ? error->fault.param : 0x07);
        answer.by[5] = static_cast<std::uint8_t>(error->fault.param2 != 0 ? error->fault.param2 : 0x01);
        sendLength = 3 + answer.by[2];
        std::uint8_t sum = 0;
        for (int i = 0; i < sendLength - 1; ++i)
            sum = static_cast<std::uint8_t>(sum + answer.by[static_cast<std::size_t>(i)]);
        answer.by[static_cast<std::size_t>(sendLength - 1)] = sum;
    }
    if (fired.Has(VSIM_FAULT_BAD_CHECKSUM))
        ++answer.by[static_cast<std::size_t>(sendLength - 1)];
    if (fired.Has(VSIM_FAULT_BAD_LENGTH))
        answer.by[2] = static_cast<std::uint8_t>(answer.by[2] + fired.Param(VSIM_FAULT_BAD_LENGTH, 1));
    if (fired.Has(VSIM_FAULT_SHORT_ANSWER))
        sendLength = std::clamp(fired.Param(VSIM_FAULT_SHORT_ANSWER, sendLength - 2), 0, sendLength);
    const int lateMs = fired.Has(VSIM_FAULT_LATE_ANSWER) ? fired.Param(VSIM_FAULT_LATE_ANSWER, 150) : 0;
    const std::int64_t tAnswer = tAfter + std::int64_t{lateMs} * 1000000;
    CSimFitting& fitting = *device.fitting;
    const int baud = fitting.Baud();
    if (sendLength > 0)
        device.tLineFree = Deliver(device, tAnswer, baud, answer.by.data(), sendLength, VSIM_DIR_FROM_FITTING);
    // The fitting believes it sent everything: what the request ordered happens now.
    fitting.AnswerSent(ByteEnd(tAnswer, fullLength - 1, baud));
}

void CSimWorld::ExchangeFitting(CSimDevice& device, const std::string& strProfile, const std::string& strSerial)
{
    const CSimProfile* profile = strProfile.empty() && device.fitting ? &device.fitting->Profile()
                                                                       : FindSimProfile(strProfile);
    if (profile == nullptr)
        return;
    std::uint8_t serial[6];
    if (!ParseSimSerial(strSerial, serial)) {
        if (device.fitting != nullptr) {
            device.fitting->GetSerial(serial);
            NextSerial(serial);
        } else {
            DefaultSimSerial(*profile, serial);
        }
    }
    device.fitting = std::make_unique<CSimFitting>(*profile, serial);
    device.strFittingKey.clear();
}

void CSimWorld::Record(const CSimDevice& device, std::int64_t tNs, std::int64_t nLineNs, int nDirection, int nBaud,
                       const std::uint8_t* pBytes, int nLength)
{
    if (m_trace.size() >= kTraceLimit) { // keep the newer half
        const std::size_t keep = m_trace.size() / 2;
        const std::size_t first = m_trace[m_trace.size() - keep].nOffset;
        m_trace.erase(m_trace.begin(), m_trace.end() - static_cast<std::ptrdiff_t>(keep));
        m_traceBytes.erase(m_traceBytes.begin(), m_traceBytes.begin() + static_cast<std::ptrdiff_t>(first));
        for (CSimTraceEntry& entry : m_trace)
            entry.nOffset -= first;
    }
    const int kept = std::min(nLength, VSIM_MAX_FRAME);
    m_trace.push_back({tNs, nLineNs, IndexOf(device), nDirection, nBaud, nLength, m_traceBytes.size()});
    m_traceBytes.insert(m_traceBytes.end(), pBytes, pBytes + kept);
    m_nWireNs += static_cast<std::uint64_t>(nLineNs);
    if (m_pTraceFile == nullptr)
        return;
    static const char* const kDirection[]{"TX", "RX", "NOISE"};
    std::fprintf(m_pTraceFile, "%.3f %d %s %d %.3f", static_cast<double>(tNs) / 1e6, IndexOf(device),
                 kDirection[nDirection], nBaud, static_cast<double>(nLineNs) / 1e6);
    for (int i = 0; i < kept; ++i)
        std::fprintf(m_pTraceFile, " %02X", pBytes[i]);
    std::fputc('\n', m_pTraceFile);
    std::fflush(m_pTraceFile);
}
