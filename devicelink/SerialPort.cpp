#include "devicelink/SerialPort.h"

#include "common/ResultCodes.h"
#include "devicelink/SerialAdapters.h"
#include "devicelink/VelmorTPFTDI.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kLineTimeoutMs = 100;
// A frame's bytes come closer than this, also at 2400 bit/s through a driver
// at its default latency (16 ms).
constexpr int kQuietGapMs = 25;
// The longest frame (258 bytes) at 2400 bit/s.
constexpr int kLongestFrameMs = 1100;

struct CSpeed {
    long nBaudrate;
    speed_t speed;
};
constexpr CSpeed kSpeeds[] = {{2400, B2400}, {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400},
                              {57600, B57600}, {115200, B115200}};

// What the vendor's library answers where the kernel gives this errno.
FT_STATUS StatusOfErrno(int nErrno)
{
    switch (nErrno) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return FT_DEVICE_NOT_FOUND;
    case EBUSY:
    case EWOULDBLOCK:
    case EACCES:
    case EPERM:
        return FT_DEVICE_NOT_OPENED;
    default:
        return FT_IO_ERROR;
    }
}

// The driver answers events at its latency timer's pace (16 ms by default);
// the bus wants every byte as it comes. Not every driver offers it, and
// without write access (see the package's udev rule) it stays as it is.
void SetLowLatency(const std::string& strLatencyTimerPath)
{
    if (strLatencyTimerPath.empty())
        return;
    const int nFd = ::open(strLatencyTimerPath.c_str(), O_WRONLY | O_CLOEXEC);
    if (nFd < 0)
        return;
    [[maybe_unused]] const ssize_t nIgnored = ::write(nFd, "1", 1);
    ::close(nFd);
}

int ElapsedMs(std::chrono::steady_clock::time_point start)
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

} // namespace

CSerialPort::CSerialPort(std::string strDevicePath) : m_strDevicePath(std::move(strDevicePath)) {}

CSerialPort::~CSerialPort()
{
    if (IsOpen())
        Release();
}

int CSerialPort::Load(std::string&)
{
    return Result::Ok; // the kernel's driver is always there
}

int CSerialPort::Unload(std::string& strError)
{
    strError.clear();
    return Result::Ok;
}

int CSerialPort::CreateDeviceList(DWORD& dwCount, std::string&)
{
    if (m_strDevicePath.empty()) {
        m_devices = ListSerialAdapterDevices(SysfsRoot());
    } else {
        CAdapterDevice device;
        device.strDescription = CVelmorTPFTDI::kAdapterDescription;
        device.strPath = m_strDevicePath;
        m_devices = {device};
    }
    dwCount = static_cast<DWORD>(m_devices.size());
    return Result::Ok;
}

int CSerialPort::GetDeviceDetail(DWORD dwDevice, CAdapterDevice& device, std::string& strError)
{
    if (dwDevice >= m_devices.size())
        return ReportDriverStatus(FT_DEVICE_NOT_FOUND, "FT_GetDeviceInfoDetail", strError);
    device = m_devices[dwDevice];
    return Result::Ok;
}

int CSerialPort::Open(int nDevice, long nBaudrate, std::string& strError)
{
    if (IsOpen())
        Release();
    if (nDevice < 0 || static_cast<std::size_t>(nDevice) >= m_devices.size())
        return ReportDriverStatus(FT_DEVICE_NOT_FOUND, "FT_Open", strError);
    int nResult = OpenDevice(m_devices[static_cast<std::size_t>(nDevice)], strError);
    if (nResult == Result::Ok)
        nResult = Configure(nBaudrate, strError);
    if (nResult == Result::Ok)
        nResult = PurgeWhenQuiet(strError);
    if (nResult != Result::Ok && IsOpen())
        Release(); // a port half set up is no port
    return nResult;
}

int CSerialPort::OpenDevice(const CAdapterDevice& device, std::string& strError)
{
    const int nFd = ::open(device.strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0)
        return ReportDriverStatus(StatusOfErrno(errno), "FT_Open", strError);
    // TIOCEXCL keeps other programs out, the lock also those of root, who
    // passes TIOCEXCL.
    if (::flock(nFd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(nFd, TIOCEXCL) != 0) {
        const int nErrno = errno;
        ::close(nFd);
        return ReportDriverStatus(StatusOfErrno(nErrno), "FT_Open", strError);
    }
    m_nFd = nFd;
    SetLowLatency(device.strLatencyTimerPath);
    return Result::Ok;
}

int CSerialPort::Configure(long nBaudrate, std::string& strError)
{
    termios tio{};
    if (::tcgetattr(m_nFd, &tio) != 0)
        return ReportDriverStatus(StatusOfErrno(errno), "FT_SetDataCharacteristics", strError);
    // Raw bytes, 8N1, no flow control; reads wait through poll, not VMIN/VTIME.
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(m_nFd, TCSANOW, &tio) != 0)
        return ReportDriverStatus(StatusOfErrno(errno), "FT_SetDataCharacteristics", strError);
    return SetBaudRate(nBaudrate, strError);
}

int CSerialPort::Close(std::string& strError)
{
    // Exclusive use ends with the port: the other end of a pseudo-terminal
    // may keep it open, and the next program must get in.
    ::ioctl(m_nFd, TIOCNXCL);
    const int nResult = ::close(m_nFd);
    const int nErrno = errno;
    m_nFd = -1;
    return nResult == 0 || nErrno == EINTR ? Result::Ok : ReportDriverStatus(StatusOfErrno(nErrno), "FT_Close", strError);
}

void CSerialPort::Release()
{
    std::string strIgnored;
    Close(strIgnored);
}

int CSerialPort::SetBaudRate(long nBaudrate, std::string& strError)
{
    const CSpeed* pSpeed = nullptr;
    for (const CSpeed& speed : kSpeeds)
        if (speed.nBaudrate == nBaudrate)
            pSpeed = &speed;
    if (pSpeed == nullptr)
        return ReportDriverStatus(FT_INVALID_BAUD_RATE, "FT_SetBaudRate", strError);
    termios tio{};
    if (::tcgetattr(m_nFd, &tio) != 0 || ::cfsetispeed(&tio, pSpeed->speed) != 0 || ::cfsetospeed(&tio, pSpeed->speed) != 0
        || ::tcsetattr(m_nFd, TCSANOW, &tio) != 0)
        return ReportDriverStatus(StatusOfErrno(errno), "FT_SetBaudRate", strError);
    return Result::Ok;
}

int CSerialPort::Purge(std::string& strError)
{
    bool bReady = false;
    // A pulled adapter shows as a hang-up, which a flush does not report.
    int nResult = WaitFor(0, 0, bReady, "FT_Purge", strError);
    if (nResult == Result::Ok && ::tcflush(m_nFd, TCIOFLUSH) != 0)
        nResult = ReportDriverStatus(StatusOfErrno(errno), "FT_Purge", strError);
    return nResult;
}

// A port opened again after a time-out still receives the rest of the answer
// given up on, which would stand before the next echo: the buffers are
// emptied until the line has gone quiet.
int CSerialPort::PurgeWhenQuiet(std::string& strError)
{
    const auto start = std::chrono::steady_clock::now();
    bool bArriving = true;
    for (;;) {
        int nResult = Purge(strError);
        if (nResult != Result::Ok || !bArriving || ElapsedMs(start) >= kLongestFrameMs)
            return nResult;
        nResult = WaitFor(POLLIN, kQuietGapMs, bArriving, "FT_Purge", strError);
        if (nResult != Result::Ok)
            return nResult;
    }
}

int CSerialPort::WaitFor(short nEvents, int nTimeoutMs, bool& bReady, const char* szFunction, std::string& strError)
{
    pollfd fd{m_nFd, nEvents, 0};
    int nReady = 0;
    do {
        nReady = ::poll(&fd, 1, nTimeoutMs);
    } while (nReady < 0 && errno == EINTR);
    if (nReady < 0)
        return ReportDriverStatus(StatusOfErrno(errno), szFunction, strError);
    if ((fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        return ReportDriverStatus(FT_IO_ERROR, szFunction, strError);
    bReady = (fd.revents & nEvents) != 0;
    return Result::Ok;
}

int CSerialPort::Write(const BYTE* pData, DWORD dwCount, DWORD& dwWritten, std::string& strError)
{
    dwWritten = 0;
    const auto start = std::chrono::steady_clock::now();
    while (dwWritten < dwCount) {
        const ssize_t nWritten = ::write(m_nFd, pData + dwWritten, dwCount - dwWritten);
        if (nWritten > 0) {
            dwWritten += static_cast<DWORD>(nWritten);
            continue;
        }
        if (nWritten < 0 && errno != EAGAIN && errno != EINTR)
            return ReportDriverStatus(StatusOfErrno(errno), "FT_Write", strError);
        const int nLeftMs = kLineTimeoutMs - ElapsedMs(start);
        bool bReady = false;
        if (nLeftMs <= 0)
            break; // the write time-out: fewer bytes written
        const int nResult = WaitFor(POLLOUT, nLeftMs, bReady, "FT_Write", strError);
        if (nResult != Result::Ok)
            return nResult;
    }
    return Result::Ok;
}

int CSerialPort::Read(BYTE* pData, DWORD dwCount, DWORD& dwRead, std::string& strError)
{
    dwRead = 0;
    const auto start = std::chrono::steady_clock::now();
    while (dwRead < dwCount) {
        const int nLeftMs = kLineTimeoutMs - ElapsedMs(start);
        if (nLeftMs <= 0)
            break; // the read time-out: fewer bytes, possibly none
        bool bReady = false;
        const int nResult = WaitFor(POLLIN, nLeftMs, bReady, "FT_Read", strError);
        if (nResult != Result::Ok)
            return nResult;
        if (!bReady)
            continue;
        const ssize_t nRead = ::read(m_nFd, pData + dwRead, dwCount - dwRead);
        if (nRead > 0)
            dwRead += static_cast<DWORD>(nRead);
        else if (nRead < 0 && errno != EAGAIN && errno != EINTR)
            return ReportDriverStatus(StatusOfErrno(errno), "FT_Read", strError);
    }
    return Result::Ok;
}
