// velmorsim-serial: the simulated bus behind a pseudo-terminal, for the
// tool's serial device port. It serves a scenario's bus adapter: what the
// tool writes to the terminal goes onto the simulated line at the speed and
// data format the tool set on the terminal, and what comes back (the echo,
// the fitting's answer, noise) reaches the terminal at line timing. A pulled
// adapter closes the terminal, as unplugging does to a real one.
//
// Usage: velmorsim-serial [--adapter <n>] [--end-with-parent] <scenario file>
// Prints the terminal's device path on a line of its own, then serves until
// the adapter is pulled or the program gets SIGTERM or SIGINT (with
// --end-with-parent also when the program that started it ends, on Linux).

#define FLUXA_D2XX_DECLARE_FUNCTIONS
#include "devicelink/D2XXApi.h"
#include "simulator/velmorsim_control.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// How often the two directions look at the stop flag when idle.
constexpr int kIdleMs = 50;
// A request frame written in one piece can reach the terminal in two; the
// rest is waited for this long before the part goes onto the line alone.
constexpr int kFrameGapMs = 20;

volatile std::sig_atomic_t g_bSignalled = 0;

void OnSignal(int)
{
    g_bSignalled = 1;
}

struct CSpeed {
    speed_t speed;
    ULONG nBaudrate;
};
constexpr CSpeed kSpeeds[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},    {B9600, 9600},
                              {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};

// The line settings the tool set on its end of the terminal.
struct CLineSettings {
    ULONG nBaudrate = 0;
    UCHAR byBits = FT_BITS_8, byStopBits = FT_STOP_BITS_1, byParity = FT_PARITY_NONE;
    bool operator==(const CLineSettings&) const = default;
};

CLineSettings ReadLineSettings(int nMaster)
{
    CLineSettings settings;
    termios tio{};
    if (::tcgetattr(nMaster, &tio) != 0) // a master reads its slave's settings
        return settings;
    for (const CSpeed& speed : kSpeeds)
        if (speed.speed == ::cfgetospeed(&tio))
            settings.nBaudrate = speed.nBaudrate;
    settings.byBits = (tio.c_cflag & CSIZE) == CS8 ? FT_BITS_8 : FT_BITS_7;
    settings.byStopBits = (tio.c_cflag & CSTOPB) != 0 ? FT_STOP_BITS_2 : FT_STOP_BITS_1;
    if ((tio.c_cflag & PARENB) != 0)
        settings.byParity = (tio.c_cflag & PARODD) != 0 ? FT_PARITY_ODD : FT_PARITY_EVEN;
    return settings;
}

// 0 while a request frame (F1 01 L ... sum) is incomplete, else how many
// bytes go onto the line together.
std::size_t SendableLength(const std::vector<BYTE>& bytes)
{
    const bool bFrame = !bytes.empty() && bytes[0] == 0xF1 && (bytes.size() < 2 || bytes[1] == 0x01);
    if (!bFrame)
        return bytes.size();
    if (bytes.size() < 3 || bytes.size() < bytes[2] + 3u)
        return 0;
    return bytes[2] + 3u;
}

class CPtyBridge {
public:
    ~CPtyBridge();
    bool OpenAdapter(int nAdapter, std::string& strError);
    bool OpenTerminal(std::string& strPath, std::string& strError);
    // Serves until the adapter is pulled (false) or a signal came (true).
    bool Serve();

private:
    void FromTool();
    void ToTool();
    bool Transmit(const BYTE* pBytes, std::size_t nLength);

    FT_HANDLE m_hAdapter = nullptr;
    int m_nMaster = -1;
    int m_nSlave = -1; // kept open: the terminal lives while the tool opens and closes its end
    CLineSettings m_line;
    std::atomic<bool> m_bPulled{false};
};

CPtyBridge::~CPtyBridge()
{
    // Closing the master hangs up the tool's end.
    if (m_nSlave >= 0)
        ::close(m_nSlave);
    if (m_nMaster >= 0)
        ::close(m_nMaster);
    if (m_hAdapter != nullptr)
        FT_Close(m_hAdapter);
}

bool CPtyBridge::OpenAdapter(int nAdapter, std::string& strError)
{
    DWORD dwDevices = 0;
    FT_CreateDeviceInfoList(&dwDevices);
    int nMatch = 0;
    for (DWORD i = 0; i < dwDevices; ++i) {
        char szDescription[FT_DESCRIPTION_SIZE + 1] = {};
        if (FT_GetDeviceInfoDetail(i, nullptr, nullptr, nullptr, nullptr, nullptr, szDescription, nullptr) != FT_OK
            || ::strcasecmp(szDescription, "Velmor BUS converter") != 0 || nMatch++ != nAdapter)
            continue;
        if (FT_Open(static_cast<int>(i), &m_hAdapter) != FT_OK || FT_SetTimeouts(m_hAdapter, kIdleMs, 0) != FT_OK) {
            strError = "the bus adapter could not be opened";
            return false;
        }
        return true;
    }
    strError = "the scenario has no bus adapter number " + std::to_string(nAdapter);
    return false;
}

bool CPtyBridge::OpenTerminal(std::string& strPath, std::string& strError)
{
    m_nMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_nMaster < 0 || ::grantpt(m_nMaster) != 0 || ::unlockpt(m_nMaster) != 0 || ::ptsname(m_nMaster) == nullptr) {
        strError = std::string("no pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    strPath = ::ptsname(m_nMaster);
    m_nSlave = ::open(strPath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (m_nSlave < 0 || ::tcgetattr(m_nSlave, &tio) != 0) {
        strError = "the terminal " + strPath + " does not open";
        return false;
    }
    // Raw until the tool sets its own settings: no echo of the terminal's own.
    ::cfmakeraw(&tio);
    ::tcsetattr(m_nSlave, TCSANOW, &tio);
    ::fcntl(m_nMaster, F_SETFL, ::fcntl(m_nMaster, F_GETFL) | O_NONBLOCK);
    return true;
}

bool CPtyBridge::Transmit(const BYTE* pBytes, std::size_t nLength)
{
    // A rewritten scenario file is read on the way (as the D2XX calls do);
    // the terminal is real, so its world runs at real time at least.
    DWORD dwDevices = 0;
    FT_CreateDeviceInfoList(&dwDevices);
    if (VSim_GetTimeScale() <= 0.0)
        VSim_SetTimeScale(1.0);
    const CLineSettings line = ReadLineSettings(m_nMaster);
    if (!(line == m_line)) {
        // A speed the adapter cannot take leaves it at the last one.
        FT_SetBaudRate(m_hAdapter, line.nBaudrate);
        FT_SetDataCharacteristics(m_hAdapter, line.byBits, line.byStopBits, line.byParity);
        m_line = line;
    }
    DWORD dwWritten = 0;
    return FT_Write(m_hAdapter, const_cast<BYTE*>(pBytes), static_cast<DWORD>(nLength), &dwWritten) == FT_OK;
}

void CPtyBridge::FromTool()
{
    std::vector<BYTE> pending;
    while (!m_bPulled && g_bSignalled == 0) {
        pollfd fd{m_nMaster, POLLIN, 0};
        const int nReady = ::poll(&fd, 1, pending.empty() ? kIdleMs : kFrameGapMs);
        BYTE byBuffer[512];
        const ssize_t nRead = nReady > 0 ? ::read(m_nMaster, byBuffer, sizeof byBuffer) : 0;
        if (nRead > 0)
            pending.insert(pending.end(), byBuffer, byBuffer + nRead);
        std::size_t nLength = SendableLength(pending);
        if (nLength == 0 && nReady == 0)
            nLength = pending.size(); // the rest never came
        while (nLength > 0 && !m_bPulled) {
            if (!Transmit(pending.data(), nLength))
                m_bPulled = true;
            pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(nLength));
            nLength = SendableLength(pending);
        }
    }
}

void CPtyBridge::ToTool()
{
    while (!m_bPulled && g_bSignalled == 0) {
        BYTE by = 0;
        DWORD dwRead = 0;
        if (FT_Read(m_hAdapter, &by, 1, &dwRead) != FT_OK)
            m_bPulled = true;
        else if (dwRead == 1 && ::write(m_nMaster, &by, 1) < 0 && errno != EAGAIN)
            m_bPulled = true;
    }
}

bool CPtyBridge::Serve()
{
    std::thread toTool(&CPtyBridge::ToTool, this);
    FromTool();
    toTool.join();
    return !m_bPulled;
}

// A test or benchmark killed half way leaves no terminal served behind it.
void EndWithParent()
{
#ifdef __linux__
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
}

int Usage()
{
    std::fprintf(stderr, "Usage: velmorsim-serial [--adapter <n>] [--end-with-parent] <scenario file>\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    int nAdapter = 0;
    const char* szScenario = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--adapter") == 0 && i + 1 < argc)
            nAdapter = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--end-with-parent") == 0)
            EndWithParent();
        else if (szScenario == nullptr && argv[i][0] != '-')
            szScenario = argv[i];
        else
            return Usage();
    }
    if (szScenario == nullptr)
        return Usage();
    if (VSim_LoadScenarioFile(szScenario) != VSIM_OK) {
        std::fprintf(stderr, "velmorsim-serial: %s\n", VSim_GetLastError());
        return 1;
    }
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGHUP, SIG_IGN);
    CPtyBridge bridge;
    std::string strPath, strError;
    if (!bridge.OpenAdapter(nAdapter, strError) || !bridge.OpenTerminal(strPath, strError)) {
        std::fprintf(stderr, "velmorsim-serial: %s\n", strError.c_str());
        return 1;
    }
    std::printf("%s\n", strPath.c_str());
    std::fflush(stdout);
    if (!bridge.Serve())
        std::fprintf(stderr, "velmorsim-serial: the bus adapter was pulled\n");
    return 0;
}
