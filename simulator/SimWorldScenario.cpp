// Scenarios applied to the world, and the scenario file watched for changes.
#include "simulator/SimWorld.h"

#include "common/FilePaths.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

constexpr std::chrono::seconds kScenarioTick{2}; // the coarsest file time stamps

std::string FittingKey(const CSimFittingSpec& spec)
{
    std::ostringstream key;
    key << spec.strProfile << '|' << spec.article.value_or(0) << '|' << spec.strSerial << '|'
        << spec.layout.value_or(-1) << '|' << spec.strBlVersion << '|' << spec.strAppVersion << '|'
        << spec.strEepromFile;
    for (const auto& patch : spec.eepromPatches) {
        key << '|' << patch.first;
        for (std::uint8_t by : patch.second)
            key << ' ' << static_cast<int>(by);
    }
    return key.str();
}

} // namespace

bool CSimWorld::SetUpFitting(CSimDevice& device, const CSimFittingSpec& spec, bool bKeepState)
{
    const std::string key = FittingKey(spec);
    if (spec.strProfile.empty()) {
        device.fitting.reset();
    } else if (!bKeepState || device.fitting == nullptr || device.strFittingKey != key) {
        const CSimProfile* profile = FindSimProfile(spec.strProfile);
        std::uint8_t serial[6];
        if (!ParseSimSerial(spec.strSerial, serial))
            DefaultSimSerial(*profile, serial);
        device.fitting = std::make_unique<CSimFitting>(*profile, serial);
        CSimFitting& fitting = *device.fitting;
        if (spec.article)
            fitting.SetArticle(*spec.article);
        std::uint8_t bl[2], app[2];
        fitting.SetVersions(spec.layout.value_or(profile->nLayout),
                            ParseSimVersion(spec.strBlVersion, bl) ? bl : nullptr,
                            ParseSimVersion(spec.strAppVersion, app) ? app : nullptr);
        std::vector<std::uint8_t>& eeprom = fitting.Eeprom();
        for (const auto& [address, bytes] : spec.eepromPatches) {
            for (std::size_t i = 0; i < bytes.size() && address + i < eeprom.size(); ++i)
                eeprom[address + i] = bytes[i];
            for (unsigned row = address & ~(kSimEepromRow - 1); row < address + bytes.size() && row < eeprom.size();
                 row += kSimEepromRow)
                RenewSimRowSum(eeprom, row);
        }
        if (!fitting.SetEepromFile(spec.strEepromFile))
            return false;
    }
    device.strFittingKey = key;
    if (device.fitting != nullptr) {
        device.fitting->SetStartupTime(spec.silentMs.value_or(1000), spec.readyMs.value_or(500));
        device.fitting->SetRowCheck(spec.rowCheck.value_or(true));
    }
    return true;
}

int CSimWorld::CheckProfiles(const CSimScenario& scenario)
{
    for (const CSimDeviceSpec& spec : scenario.devices)
        if (!spec.fitting.strProfile.empty() && FindSimProfile(spec.fitting.strProfile) == nullptr)
            return Fail(VSIM_ERR_SYNTAX, "unknown fitting profile \"" + spec.fitting.strProfile + "\"");
    return VSIM_OK;
}

int CSimWorld::Apply(const CSimScenario& scenario, bool bKeepState)
{
    if (CheckProfiles(scenario) != VSIM_OK)
        return VSIM_ERR_SYNTAX;
    if (scenario.timeScale)
        m_clock.SetScale(*scenario.timeScale);
    std::vector<std::shared_ptr<CSimDevice>> devices;
    for (std::size_t i = 0; i < scenario.devices.size(); ++i) {
        const CSimDeviceSpec& spec = scenario.devices[i];
        std::shared_ptr<CSimDevice> device;
        // On a re-read a device stays plugged (its handle open, its fitting's
        // memories as they are) when its serial number, or without one its
        // place, is the same.
        for (const auto& old : bKeepState ? m_devices : std::vector<std::shared_ptr<CSimDevice>>{}) {
            const bool bSame = spec.strSerial.empty() ? i < m_devices.size() && m_devices[i] == old
                                                      : old->strSerial == spec.strSerial;
            if (bSame && old->bAdapter == spec.bAdapter &&
                std::find(devices.begin(), devices.end(), old) == devices.end())
                device = old;
        }
        if (device == nullptr)
            device = MakeDevice(spec.bAdapter, spec.strDescription, spec.strSerial);
        else if (!spec.strDescription.empty())
            device->strDescription = spec.strDescription;
        if (spec.bAdapter && !SetUpFitting(*device, spec.fitting, bKeepState))
            return Fail(VSIM_ERR_FILE, "cannot use the EEPROM file " + spec.fitting.strEepromFile);
        devices.push_back(device);
    }
    for (const auto& old : std::vector<std::shared_ptr<CSimDevice>>(m_devices))
        if (std::find(devices.begin(), devices.end(), old) == devices.end())
            Pull(old);
    m_devices = devices;
    m_faults.clear();
    m_bDriverFaults = false;
    auto arm = [&](const CSimFaultSpec& spec, int nDeviceId) {
        m_faults.push_back({m_nextFaultId++, nDeviceId, spec, 0, 0});
        m_bDriverFaults = m_bDriverFaults || spec.fault.kind == VSIM_FAULT_DRIVER_STATUS;
    };
    for (std::size_t i = 0; i < scenario.devices.size(); ++i)
        for (const CSimFaultSpec& fault : scenario.devices[i].faults)
            arm(fault, m_devices[i]->nId);
    for (const CSimFaultSpec& fault : scenario.faults)
        arm(fault, -1);
    m_cv.notify_all();
    return VSIM_OK;
}

int CSimWorld::WatchScenarioFile()
{
    if (m_strScenarioPath.empty())
        return VSIM_OK;
    std::error_code error;
    const std::filesystem::path path = PathFromUtf8(m_strScenarioPath);
    const auto written = std::filesystem::last_write_time(path, error);
    std::ifstream file;
    if (!error) {
        // A rewrite within one tick of the file system's clock keeps the time
        // stamp: while the file is that young, its text decides.
        const bool bSettled = std::filesystem::file_time_type::clock::now() - written > kScenarioTick;
        if (written == m_scenarioWritten && bSettled)
            return VSIM_OK;
        file.open(path, std::ios::binary);
    }
    if (!file.is_open())
        return VSIM_OK; // a file being replaced: keep the world until it is back
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    m_scenarioWritten = written;
    if (text == m_scenarioText) // touched, not changed: faults stay armed as they are
        return VSIM_OK;
    m_scenarioText = text;
    CSimScenario scenario;
    std::string why;
    const int result = ParseSimScenario(text, scenario, why) ? Apply(scenario, true)
                                                             : Fail(VSIM_ERR_SYNTAX, m_strScenarioPath + ": " + why);
    if (result != VSIM_OK)
        std::fprintf(stderr, "velmorsim: %s\n", SimLastError());
    return result;
}
