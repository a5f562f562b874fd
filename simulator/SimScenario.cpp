#include "simulator/SimScenario.h"

#include "simulator/SimProfiles.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace {

std::string Trim(const std::string& s)
{
    std::size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool ParseNumber(const std::string& s, long& value)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    value = std::strtol(s.c_str(), &end, 0); // decimal or 0x...
    return *end == '\0';
}

bool ParseBool(const std::string& s, bool& value)
{
    std::string v = Lower(s);
    value = v == "on" || v == "1" || v == "yes" || v == "true";
    return value || v == "off" || v == "0" || v == "no" || v == "false";
}

const std::pair<const char*, int> kFaultKinds[]{
    {"corrupt_echo", VSIM_FAULT_CORRUPT_ECHO},       {"missing_echo", VSIM_FAULT_MISSING_ECHO},
    {"no_answer", VSIM_FAULT_NO_ANSWER},             {"short_answer", VSIM_FAULT_SHORT_ANSWER},
    {"bad_checksum", VSIM_FAULT_BAD_CHECKSUM},       {"bad_length", VSIM_FAULT_BAD_LENGTH},
    {"target_error", VSIM_FAULT_TARGET_ERROR},       {"target_error_lib", VSIM_FAULT_TARGET_ERROR_LIB},
    {"late_answer", VSIM_FAULT_LATE_ANSWER},         {"garbage", VSIM_FAULT_GARBAGE},
    {"unplug_adapter", VSIM_FAULT_UNPLUG_ADAPTER},   {"exchange_fitting", VSIM_FAULT_EXCHANGE_FITTING},
    {"driver_status", VSIM_FAULT_DRIVER_STATUS},     {"ignore_write", VSIM_FAULT_IGNORE_WRITE},
};

// "0x1A0" (one address) or "0x1A0-0x1AF" (a range, both ends in it).
bool ParseAddressRange(const std::string& text, VSimFault& fault)
{
    const std::size_t dash = text.find('-', 1);
    long first = 0;
    if (!ParseNumber(text.substr(0, dash), first))
        return false;
    long last = first;
    if (dash != std::string::npos && !ParseNumber(text.substr(dash + 1), last))
        return false;
    if (first < 0 || last < first)
        return false;
    fault.address = static_cast<unsigned>(first);
    fault.addressCount = static_cast<unsigned>(last - first + 1);
    return true;
}

// One "key=value" word of a fault line.
bool ApplyFaultSetting(const std::string& word, CSimFaultSpec& spec, std::string& strError)
{
    const std::size_t eq = word.find('=');
    const std::string key = Lower(word.substr(0, eq));
    const std::string text = word.substr(eq + 1);
    long number = 0;
    const bool bNumber = ParseNumber(text, number);
    if (key == "function" || key == "profile") {
        spec.strText = text;
    } else if (key == "serial") {
        spec.strText2 = text;
    } else if (bNumber && (key == "param" || key == "code" || key == "status" || key == "position" || key == "ms" ||
                           key == "bytes" || key == "delta")) {
        spec.fault.param = static_cast<int>(number);
    } else if (bNumber && (key == "param2" || key == "lib")) {
        spec.fault.param2 = static_cast<int>(number);
    } else if (bNumber && key == "times") {
        spec.fault.times = static_cast<int>(number);
    } else if (bNumber && key == "skip") {
        spec.fault.skip = static_cast<int>(number);
    } else if (key == "address") {
        if (!ParseAddressRange(text, spec.fault)) {
            strError = "\"address\" takes an address or a range such as 0x40-0x4F";
            return false;
        }
    } else {
        strError = "unknown fault setting \"" + word + "\"";
        return false;
    }
    return true;
}

// "<kind> [next | every N | command N] [key=value ...]"
bool ParseFault(const std::string& value, CSimFaultSpec& spec, std::string& strError)
{
    std::istringstream in(value);
    std::string word;
    in >> word;
    auto kind = std::find_if(std::begin(kFaultKinds), std::end(kFaultKinds),
                             [&](const auto& k) { return Lower(word) == k.first; });
    if (kind == std::end(kFaultKinds)) {
        strError = "unknown fault \"" + word + "\"";
        return false;
    }
    spec.fault.kind = kind->second;
    spec.fault.trigger = VSIM_TRIGGER_NEXT;
    while (in >> word) {
        std::string lower = Lower(word);
        if (lower == "next") {
            spec.fault.trigger = VSIM_TRIGGER_NEXT;
        } else if (lower == "every" || lower == "command") {
            std::string n;
            in >> n;
            long number = 0;
            if (!ParseNumber(n, number)) {
                strError = "\"" + word + "\" needs a number";
                return false;
            }
            spec.fault.trigger = lower == "every" ? VSIM_TRIGGER_EVERY : VSIM_TRIGGER_COMMAND;
            spec.fault.n = static_cast<int>(number);
        } else if (lower == "always") {
            spec.fault.trigger = VSIM_TRIGGER_EVERY;
            spec.fault.n = 1;
        } else if (word.find('=') != std::string::npos) {
            if (!ApplyFaultSetting(word, spec, strError))
                return false;
        } else {
            strError = "unknown fault word \"" + word + "\"";
            return false;
        }
    }
    if (const char* problem = SimFaultProblem(spec.fault, spec.strText)) {
        strError = problem;
        return false;
    }
    return true;
}

bool ParseBytes(const std::string& s, std::vector<std::uint8_t>& bytes)
{
    std::istringstream in(s);
    std::string word;
    while (in >> word) {
        char* end = nullptr;
        unsigned long value = std::strtoul(word.c_str(), &end, 16);
        if (*end != '\0' || value > 0xFF)
            return false;
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return !bytes.empty();
}

bool ApplyFittingKey(const std::string& key, const std::string& value, CSimFittingSpec& fitting)
{
    long number = 0;
    bool flag = false;
    std::uint8_t scratch[6];
    if (key == "fitting")
        fitting.strProfile = Lower(value) == "none" ? std::string() : value;
    else if (key == "article" && ParseNumber(value, number) && number >= 0 && number <= 999999999)
        fitting.article = static_cast<unsigned long>(number);
    else if (key == "fitting_serial" && ParseSimSerial(value, scratch))
        fitting.strSerial = value;
    else if (key == "layout" && ParseNumber(value, number) && (number == 0 || number == 1))
        fitting.layout = static_cast<int>(number);
    else if (key == "bl_version" && ParseSimVersion(value, scratch))
        fitting.strBlVersion = value;
    else if (key == "app_version" && ParseSimVersion(value, scratch))
        fitting.strAppVersion = value;
    else if (key == "startup_ms" && ParseNumber(value, number) && number >= 0)
        fitting.silentMs = static_cast<unsigned>(number);
    else if (key == "ready_ms" && ParseNumber(value, number) && number >= 0)
        fitting.readyMs = static_cast<unsigned>(number);
    else if (key == "row_check" && ParseBool(value, flag))
        fitting.rowCheck = flag;
    else if (key == "eeprom_file")
        fitting.strEepromFile = value;
    else
        return false;
    return true;
}

} // namespace

const char* SimFaultProblem(const VSimFault& fault, const std::string& strFunction)
{
    if (fault.kind < VSIM_FAULT_CORRUPT_ECHO || fault.kind > VSIM_FAULT_IGNORE_WRITE ||
        fault.trigger < VSIM_TRIGGER_NEXT || fault.trigger > VSIM_TRIGGER_COMMAND)
        return "unknown fault kind or trigger";
    if (fault.kind == VSIM_FAULT_DRIVER_STATUS && strFunction.empty())
        return "a failing status needs the D2XX function's name";
    if (fault.trigger == VSIM_TRIGGER_EVERY && fault.n < 1)
        return "\"every\" needs a period of 1 or more";
    if (fault.trigger == VSIM_TRIGGER_COMMAND && fault.kind != VSIM_FAULT_DRIVER_STATUS &&
        (fault.n < 1 || fault.n > 33))
        return "\"command\" needs a command ID from 1 to 33";
    if (fault.skip < 0)
        return "\"skip\" takes a number from 0 on";
    if (fault.kind == VSIM_FAULT_IGNORE_WRITE && fault.trigger == VSIM_TRIGGER_COMMAND && fault.n != 12 &&
        fault.n != 14)
        return "an ignored write is an EEPROM write: command 12 or 14";
    return nullptr;
}

bool ParseSimVersion(const std::string& strText, std::uint8_t version[2])
{
    std::string s = Trim(strText);
    std::size_t dot = s.find('.');
    if (s.empty() || dot == std::string::npos || dot == 1 || dot + 1 == s.size())
        return false;
    const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
    const std::string majorText = s.substr(1, dot - 1);
    const std::string minorText = s.substr(dot + 1);
    if ((kind != 'V' && kind != 'T') || majorText.find_first_not_of("0123456789") != std::string::npos ||
        minorText.find_first_not_of("0123456789") != std::string::npos || majorText.size() > 3 || minorText.size() > 3)
        return false;
    const long major = std::atol(majorText.c_str());
    const long minor = std::atol(minorText.c_str());
    const bool bTest = kind == 'T';
    if (major > (bTest ? 0x7F : 0xFF) || minor > 0xFF)
        return false;
    version[0] = static_cast<std::uint8_t>(bTest ? (0x80 | major) : major);
    version[1] = static_cast<std::uint8_t>(minor);
    return true;
}

bool ParseSimSerial(const std::string& strText, std::uint8_t serial[6])
{
    std::string s = Trim(strText);
    if (s.size() != 12 || s.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    for (int i = 0; i < 6; ++i)
        serial[5 - i] = static_cast<std::uint8_t>(std::strtoul(s.substr(static_cast<std::size_t>(2 * i), 2).c_str(), nullptr, 16));
    return true;
}

bool ParseSimScenario(const std::string& strText, CSimScenario& scenario, std::string& strError)
{
    scenario = CSimScenario{};
    std::istringstream in(strText);
    std::string line;
    int lineNumber = 0;
    CSimDeviceSpec* device = nullptr;
    while (std::getline(in, line)) {
        ++lineNumber;
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty())
            continue;
        auto fail = [&](const std::string& why) {
            strError = "scenario line " + std::to_string(lineNumber) + ": " + why;
            return false;
        };
        if (line.front() == '[') {
            std::string section = Lower(line);
            if (section != "[adapter]" && section != "[device]")
                return fail("unknown section " + line);
            scenario.devices.emplace_back();
            device = &scenario.devices.back();
            device->bAdapter = section == "[adapter]";
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            return fail("expected name = value");
        std::string key = Lower(Trim(line.substr(0, eq)));
        std::string value = Trim(line.substr(eq + 1));
        long number = 0;
        if (key == "fault") {
            CSimFaultSpec fault;
            std::string why;
            if (!ParseFault(value, fault, why))
                return fail(why);
            (device != nullptr ? device->faults : scenario.faults).push_back(fault);
        } else if (device == nullptr) {
            char* end = nullptr;
            double scale = std::strtod(value.c_str(), &end);
            if (key != "time_scale" || *end != '\0' || value.empty() || scale < 0)
                return fail("\"" + key + "\" is not known before the first section");
            scenario.timeScale = scale;
        } else if (key == "description") {
            device->strDescription = value;
        } else if (key == "serial") {
            device->strSerial = value;
        } else if (!device->bAdapter) {
            return fail("\"" + key + "\" belongs to an [adapter]");
        } else if (key.rfind("eeprom ", 0) == 0) { // "eeprom 0x72 = E8 03"
            std::vector<std::uint8_t> bytes;
            if (!ParseNumber(Trim(key.substr(7)), number) || number < 0 || !ParseBytes(value, bytes))
                return fail("expected eeprom <address> = <hex bytes>");
            if (static_cast<unsigned long>(number) + bytes.size() > kSimEepromSize)
                return fail("eeprom bytes beyond the " + std::to_string(kSimEepromSize) + "-byte EEPROM");
            device->fitting.eepromPatches.emplace_back(static_cast<unsigned>(number), bytes);
        } else if (!ApplyFittingKey(key, value, device->fitting)) {
            return fail("bad or unknown setting \"" + key + " = " + value + "\"");
        }
    }
    return true;
}
