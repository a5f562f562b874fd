// The control side of the simulated world: what VSim_* calls do.
#include "simulator/SimWorld.h"

#include <algorithm>
#include <cstring>

int CSimWorld::Reset(const char* szScenario)
{
    Lock lock(m_mutex);
    CSimScenario scenario;
    std::string why;
    if (!ParseSimScenario(szScenario != nullptr && *szScenario != '\0' ? szScenario : kSimDefaultScenario, scenario,
                          why))
        return Fail(VSIM_ERR_SYNTAX, why);
    if (CheckProfiles(scenario) != VSIM_OK)
        return VSIM_ERR_SYNTAX;
    for (const auto& device : std::vector<std::shared_ptr<CSimDevice>>(m_devices))
        Pull(device);
    m_leftFittings.clear();
    m_strScenarioPath.clear();
    m_listed.clear();
    m_trace.clear();
    m_traceBytes.clear();
    m_nWireNs = 0;
    m_clock.Restart();
    return Apply(scenario, false);
}

int CSimWorld::LoadScenarioFile(const char* szPath)
{
    Lock lock(m_mutex);
    if (szPath == nullptr || *szPath == '\0')
        return Fail(VSIM_ERR_ARGUMENT, "no scenario file named");
    m_strScenarioPath = szPath;
    m_scenarioWritten = {};
    m_scenarioText.reset();
    const int result = WatchScenarioFile();
    return m_scenarioText ? result : Fail(VSIM_ERR_FILE, std::string("cannot read ") + szPath);
}

void CSimWorld::SetTimeScale(double dScale)
{
    Lock lock(m_mutex);
    m_clock.SetScale(dScale);
    m_cv.notify_all();
}

double CSimWorld::GetTimeScale()
{
    Lock lock(m_mutex);
    return m_clock.GetScale();
}

std::int64_t CSimWorld::NowNs()
{
    Lock lock(m_mutex);
    return m_clock.NowNs();
}

void CSimWorld::AdvanceTime(unsigned nMs)
{
    Lock lock(m_mutex);
    const std::int64_t target = m_clock.NowNs() + std::int64_t{nMs} * 1000000;
    while (m_clock.NowNs() < target)
        m_clock.WaitUntil(lock, m_cv, target);
}

int CSimWorld::DeviceCount()
{
    Lock lock(m_mutex);
    return static_cast<int>(m_devices.size());
}

int CSimWorld::AddDevice(bool bAdapter, int nPosition, const char* szDescription, const char* szSerial)
{
    Lock lock(m_mutex);
    if (nPosition < -1 || nPosition > static_cast<int>(m_devices.size()))
        return Fail(VSIM_ERR_ARGUMENT, "no device position " + std::to_string(nPosition));
    auto device = MakeDevice(bAdapter, szDescription != nullptr ? szDescription : "", szSerial != nullptr ? szSerial : "");
    const std::size_t at = nPosition == -1 ? m_devices.size() : static_cast<std::size_t>(nPosition);
    m_devices.insert(m_devices.begin() + static_cast<std::ptrdiff_t>(at), device);
    return static_cast<int>(at);
}

int CSimWorld::RemoveDevice(int nDevice)
{
    Lock lock(m_mutex);
    if (DeviceAt(nDevice) == nullptr)
        return VSIM_ERR_ARGUMENT;
    Pull(m_devices[static_cast<std::size_t>(nDevice)]);
    return VSIM_OK;
}

int CSimWorld::IsDeviceOpen(int nDevice)
{
    Lock lock(m_mutex);
    CSimDevice* device = DeviceAt(nDevice);
    return device == nullptr ? VSIM_ERR_ARGUMENT : (device->hOpen != 0 ? 1 : 0);
}

int CSimWorld::AdapterBaudRate(int nDevice)
{
    Lock lock(m_mutex);
    CSimDevice* device = DeviceAt(nDevice);
    return device == nullptr ? VSIM_ERR_ARGUMENT : device->nBaud;
}

int CSimWorld::PlugFitting(int nDevice, const char* szProfile)
{
    Lock lock(m_mutex);
    CSimDevice* device = DeviceAt(nDevice);
    if (device == nullptr)
        return VSIM_ERR_ARGUMENT;
    const CSimProfile* profile = FindSimProfile(szProfile != nullptr ? szProfile : "");
    if (profile == nullptr)
        return Fail(VSIM_ERR_ARGUMENT, std::string("unknown fitting profile ") + (szProfile ? szProfile : "(null)"));
    if (!device->bAdapter)
        return Fail(VSIM_ERR_STATE, "device " + std::to_string(nDevice) + " is no bus adapter");
    std::uint8_t serial[6];
    DefaultSimSerial(*profile, serial);
    device->fitting = std::make_unique<CSimFitting>(*profile, serial);
    device->strFittingKey.clear();
    return VSIM_OK;
}

int CSimWorld::UnplugFitting(int nDevice)
{
    Lock lock(m_mutex);
    CSimDevice* device = DeviceAt(nDevice);
    if (device == nullptr)
        return VSIM_ERR_ARGUMENT;
    device->fitting.reset();
    return VSIM_OK;
}

int CSimWorld::ExchangeFitting(int nDevice, const char* szProfile, const char* szSerial)
{
    Lock lock(m_mutex);
    CSimDevice* device = DeviceAt(nDevice);
    if (device == nullptr)
        return VSIM_ERR_ARGUMENT;
    if (!device->bAdapter)
        return Fail(VSIM_ERR_STATE, "device " + std::to_string(nDevice) + " is no bus adapter");
    const std::string profile = szProfile != nullptr ? szProfile : "";
    std::uint8_t serial[6];
    if (profile.empty() ? device->fitting == nullptr : FindSimProfile(profile) == nullptr)
        return Fail(VSIM_ERR_ARGUMENT, "no profile to exchange the fitting for");
    if (szSerial != nullptr && !ParseSimSerial(szSerial, serial))
        return Fail(VSIM_ERR_ARGUMENT, "a serial number has 12 hexadecimal digits");
    ExchangeFitting(*device, profile, szSerial != nullptr ? szSerial : "");
    return VSIM_OK;
}

int CSimWorld::SetSerialNumber(int nDevice, const char* szSerial)
{
    std::uint8_t serial[6];
    if (szSerial == nullptr || !ParseSimSerial(szSerial, serial))
        return Fail(VSIM_ERR_ARGUMENT, "a serial number has 12 hexadecimal digits");
    return WithFitting(nDevice, [&](CSimFitting& fitting) {
        fitting.SetSerial(serial);
        return VSIM_OK;
    });
}

int CSimWorld::SetArticleNumber(int nDevice, unsigned long ulArticle)
{
    if (ulArticle > 999999999UL)
        return Fail(VSIM_ERR_ARGUMENT, "an article number has at most 9 digits");
    return WithFitting(nDevice, [&](CSimFitting& fitting) {
        fitting.SetArticle(ulArticle);
        return VSIM_OK;
    });
}

int CSimWorld::SetVersions(int nDevice, int nLayout, const char* szBl, const char* szApp)
{
    std::uint8_t bl[2], app[2];
    if ((nLayout != 0 && nLayout != 1) || (szBl != nullptr && !ParseSimVersion(szBl, bl)) ||
        (szApp != nullptr && !ParseSimVersion(szApp, app)))
        return Fail(VSIM_ERR_ARGUMENT, "layout 0 or 1 and versions like V2.07 or T05.03");
    return WithFitting(nDevice, [&](CSimFitting& fitting) {
        fitting.SetVersions(nLayout, szBl != nullptr ? bl : nullptr, szApp != nullptr ? app : nullptr);
        return VSIM_OK;
    });
}

int CSimWorld::SetStartupTime(int nDevice, unsigned nSilentMs, unsigned nReadyMs)
{
    return WithFitting(nDevice, [&](CSimFitting& fitting) {
        fitting.SetStartupTime(nSilentMs, nReadyMs);
        return VSIM_OK;
    });
}

int CSimWorld::SetRowCheck(int nDevice, bool bOn)
{
    return WithFitting(nDevice, [&](CSimFitting& fitting) {
        fitting.SetRowCheck(bOn);
        return VSIM_OK;
    });
}

int CSimWorld::RestartFitting(int nDevice)
{
    return WithFitting(nDevice, [&](CSimFitting& fitting) {
        fitting.Restart(m_clock.NowNs());
        return VSIM_OK;
    });
}

int CSimWorld::GetFittingState(int nDevice, VSimFittingState* pState)
{
    if (pState == nullptr)
        return Fail(VSIM_ERR_ARGUMENT, "no state to fill");
    return WithFitting(nDevice, [&](CSimFitting& fitting) {
        VSimFittingState& state = *pState;
        std::uint8_t major = 0, minor = 0;
        fitting.AppVersion(major, minor);
        state.productType = fitting.Profile().nProductType;
        state.article = LoadSimArticle(fitting.Eeprom());
        state.running = fitting.Running(m_clock.NowNs());
        state.bootloaderNext = fitting.BootloaderNext() ? 1 : 0;
        state.baudRate = fitting.Baud();
        state.valveOpen = fitting.ValveOpen() ? 1 : 0;
        state.restarts = fitting.Restarts();
        state.layout = fitting.Layout();
        state.appMajor = major;
        state.appMinor = minor;
        state.eepromSize = static_cast<int>(fitting.Eeprom().size());
        state.framesHeard = fitting.FramesHeard();
        return VSIM_OK;
    });
}

int CSimWorld::AccessEeprom(int nDevice, unsigned nAddress, unsigned char* pData, unsigned nLength, bool bWrite)
{
    return WithFitting(nDevice, [&](CSimFitting& fitting) {
        std::vector<std::uint8_t>& eeprom = fitting.Eeprom();
        if (pData == nullptr || nAddress > eeprom.size() || nLength > eeprom.size() - nAddress)
            return Fail(VSIM_ERR_ARGUMENT, "EEPROM range beyond its " + std::to_string(eeprom.size()) + " bytes");
        if (bWrite) {
            std::copy(pData, pData + nLength, eeprom.begin() + nAddress);
            fitting.SavePersistentState();
        } else {
            std::copy(eeprom.begin() + nAddress, eeprom.begin() + nAddress + nLength, pData);
        }
        return VSIM_OK;
    });
}

int CSimWorld::FixRowSums(int nDevice)
{
    return WithFitting(nDevice, [&](CSimFitting& fitting) {
        RenewSimRowSums(fitting.Eeprom());
        fitting.SavePersistentState();
        return VSIM_OK;
    });
}

int CSimWorld::AccessFlash(int nDevice, unsigned nAddress, unsigned char* pData, unsigned nLength, bool bWrite)
{
    return WithFitting(nDevice, [&](CSimFitting& fitting) {
        std::vector<std::uint8_t>& flash = fitting.Flash();
        if (pData == nullptr || nAddress > flash.size() || nLength > flash.size() - nAddress)
            return Fail(VSIM_ERR_ARGUMENT, "flash range beyond its " + std::to_string(flash.size()) + " bytes");
        if (bWrite)
            std::copy(pData, pData + nLength, flash.begin() + nAddress);
        else
            std::copy(flash.begin() + nAddress, flash.begin() + nAddress + nLength, pData);
        return VSIM_OK;
    });
}

int CSimWorld::SetEepromFile(int nDevice, const char* szPath)
{
    return WithFitting(nDevice, [&](CSimFitting& fitting) {
        return fitting.SetEepromFile(szPath != nullptr ? szPath : "")
                   ? VSIM_OK
                   : Fail(VSIM_ERR_FILE, std::string("cannot write ") + szPath);
    });
}

int CSimWorld::AddFault(int nDevice, const VSimFault* pFault)
{
    Lock lock(m_mutex);
    if (pFault == nullptr)
        return Fail(VSIM_ERR_ARGUMENT, "no fault given");
    if (const char* problem = SimFaultProblem(*pFault, pFault->text != nullptr ? pFault->text : ""))
        return Fail(VSIM_ERR_ARGUMENT, problem);
    int deviceId = -1;
    if (nDevice != -1) {
        CSimDevice* device = DeviceAt(nDevice);
        if (device == nullptr)
            return VSIM_ERR_ARGUMENT;
        deviceId = device->nId;
    }
    CSimFaultSpec spec;
    spec.fault = *pFault;
    spec.strText = pFault->text != nullptr ? pFault->text : "";
    spec.strText2 = pFault->text2 != nullptr ? pFault->text2 : "";
    spec.fault.text = spec.fault.text2 = nullptr;
    m_faults.push_back({m_nextFaultId, deviceId, spec, 0, 0});
    m_bDriverFaults = m_bDriverFaults || pFault->kind == VSIM_FAULT_DRIVER_STATUS;
    return m_nextFaultId++;
}

int CSimWorld::FaultHits(int nFaultId)
{
    Lock lock(m_mutex);
    for (const CSimArmedFault& fault : m_faults)
        if (fault.nId == nFaultId)
            return fault.nHits;
    return Fail(VSIM_ERR_ARGUMENT, "no fault " + std::to_string(nFaultId));
}

void CSimWorld::ClearFaults()
{
    Lock lock(m_mutex);
    m_faults.clear();
    m_bDriverFaults = false;
}

int CSimWorld::TraceCount()
{
    Lock lock(m_mutex);
    return static_cast<int>(m_trace.size());
}

int CSimWorld::TraceFrame(int nIndex, VSimFrame* pFrame)
{
    Lock lock(m_mutex);
    if (pFrame == nullptr || nIndex < 0 || nIndex >= static_cast<int>(m_trace.size()))
        return Fail(VSIM_ERR_ARGUMENT, "no trace frame " + std::to_string(nIndex));
    const CSimTraceEntry& entry = m_trace[static_cast<std::size_t>(nIndex)];
    pFrame->timeNs = static_cast<unsigned long long>(entry.tNs);
    pFrame->lineTimeNs = static_cast<unsigned long long>(entry.nLineNs);
    pFrame->device = entry.nDevice;
    pFrame->direction = entry.nDirection;
    pFrame->baudRate = entry.nBaud;
    pFrame->length = entry.nLength;
    std::memset(pFrame->bytes, 0, sizeof(pFrame->bytes));
    std::memcpy(pFrame->bytes, &m_traceBytes[entry.nOffset],
                static_cast<std::size_t>(std::min(entry.nLength, VSIM_MAX_FRAME)));
    return VSIM_OK;
}

void CSimWorld::ClearTrace()
{
    Lock lock(m_mutex);
    m_trace.clear();
    m_traceBytes.clear();
    m_nWireNs = 0;
}

std::uint64_t CSimWorld::WireTimeNs()
{
    Lock lock(m_mutex);
    return m_nWireNs;
}
