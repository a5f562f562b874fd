// fluxa-cli: the command-line face of Fluxa USB for scripts, production lines
// and headless diagnostics.

#include "cli/AdapterJobs.h"
#include "cli/CliCommands.h"
#include "cli/CommandLine.h"
#include "common/Console.h"
#include "common/FilePaths.h"
#include "common/Language.h"
#include "common/StoredSettings.h"
#include "common/TextFormat.h"
#include "devicelink/AdapterPort.h"
#include "servicelog/ServiceLog.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct CommandSpec {
    const char* szName;
    const char* szArguments; // positional arguments after the name, for the help
    const char* szSummary;
    int (*pRun)(CCliContext&);
    int nMinArgs;
    int nMaxArgs;
    std::vector<std::string> options; // command options beyond the global ones
    const char* szJson;  // the keys of its --json output
};

// Every command that names a fitting's article number gives "article" (the
// nine digits) and "articleFormatted" (the display form "23 030 03 01").
constexpr const char* kIdentityJson =
    "article, articleFormatted, product {description, extendedDescription, typeName, typeCode},\n"
    "unitSerialNumber (the unit's own, from its EEPROM), moduleInformation {\"Active application\",\n"
    "\"Product ID\", \"BL version\" (layout 1), \"SW version\", \"Serial number\"}, productionDate,\n"
    "bootloader (1: the fitting waits in its boot loader and has no working application; 'identify'\n"
    "then ends with exit code 1 and names 'fluxa-cli flash <file>' as the way to program it)";

// flash shows the fitting identified after the download beside what it checked.
const char* FlashJson()
{
    static const std::string strJson = std::string(kIdentityJson) +
        ",\nunitSerialNumberBefore (the programmed unit's, read before the download; exit code 1 when\n"
        "unitSerialNumber differs), imageVersion (the version the image carries; exit code 1 when\n"
        "moduleInformation \"SW version\" differs or the fitting waits in its boot loader)";
    return strJson.c_str();
}

const std::vector<CommandSpec>& Commands()
{
    static const std::vector<CommandSpec> commands = {
        {"adapters", "", "List the USB serial devices and, among them, the bus adapters.", RunAdapters, 0, 0, {},
         "devices [{device, description, serial, adapter (its number among the bus adapters, \"-\" for other devices),\n"
         "port (d2xx or serial: how the adapter is reached), path (the serial device; serial only)}]"},
        {"identify", "", "Identify the connected fitting: article number, product definition, serial numbers, module information, production date. "
         "A fitting waiting in its boot loader (a download cut short) is looked for at the download speeds too, brought back "
         "to 2400 bit/s and reported with exit code 1.",
         RunIdentify, 0, 0, {}, kIdentityJson},
        {"info", "", "Show operation hours, switch counts and the installation record of the fitting.", RunInfo, 0, 0, {},
         "article, articleFormatted, hoursTotal, hoursSinceReset, switchCountTotal, switchCountSinceReset,\n"
         "installationDate (dd.mm.yyyy, empty when not set), installer, placement"},
        {"errors", "", "Show the fitting's error history; --clear clears it (asks first unless --yes) and shows what the fitting then holds.",
         RunErrors, 0, 0, {"clear", "yes"},
         "article, articleFormatted, count, entries [{code, text}] (the first entry stands even when count is 0),\n"
         "storedCodes (all five stored entry codes, whatever the count)"},
        {"valve", "open|close|state", "Switch the fitting's valve or show its state.", RunValve, 1, 1, {}, "valve (text), open (1 open, 0 closed)"},
        {"eeprom", "dump", "Dump the fitting's EEPROM row by row with each row's checksum checked (rows 0x000 to 0x0FF unless --range).",
         RunEeprom, 1, 3, {"range"},
         "article, articleFormatted, badRows, complete (0 when a failure ended the dump: the rows read before it follow),\n"
         "rows [{address, bytes (hexadecimal, spaced), checksumGood (1 or 0)}]"},
        {"products", "", "List the product definitions found.", RunProducts, 0, 0, {},
         "directory, products [{article, articleFormatted, description, extendedDescription, typeName, typeCode}]"},
        {"product", "<article>", "Show one product definition with its settings and limits.", RunProduct, 1, 1, {},
         "article, articleFormatted, description, extendedDescription, typeName, typeCode, picture,\n"
         "settings [{name, min, max, default, labels [\"value = label\"]}]"},
        {"config", "show <file>", "Show a saved configuration file as the tool reads it.", RunConfig, 2, 2, {},
         "file, article, articleFormatted, typeName, settings [{name, value, text (text settings only)}]"},
        {"hex", "show <file> [--merge <start> <end>]", "Show the records of an Intel HEX file, optionally merged into one area.",
         RunHex, 2, 4, {"merge"},
         "file, endOfFileRecord (0: the file has none and may be cut off; then also warning),\n"
         "records [{start, end, length, lengthHex}]"},
        {"flash", "<file>", "Program firmware from an Intel HEX file into the fitting (service mode only), then check that the unit programmed "
         "answers within 15 s and runs the version the image carries.", RunFlash, 1, 1, {},
         FlashJson()},
        {"read", "", "Show the fitting's settings that its settings page shows, as the page reads them.", RunRead, 0, 0, {},
         "article, articleFormatted, typeName,\n"
         "settings [{name, value, label (check boxes and groups kept off in their value: on/off; lists: the label)}],\n"
         "installer, placement, installationDate (dd.mm.yyyy, empty when not set)"},
        {"save", "<file>", "Save the fitting's settings to a configuration file, as they are in the fitting.", RunSave, 1, 1, {"output"},
         "file, article, articleFormatted, typeName"},
        {"apply", "<file>", "Write a configuration file's settings to the fitting with the page's checks: shows the changes, "
         "asks, saves a backup, writes, restarts the fitting and reads the settings back.", RunApply, 1, 1,
         {"yes", "dry-run", "backup", "force"},
         "file, article, articleFormatted, typeName,\n"
         "changes [{setting, fitting, file}] (values as 'read' shows them, with their labels),\n"
         "result (when nothing was to be written, or when the fitting holds every value written),\n"
         "backup (the file that holds the fitting's settings from before the write),\n"
         "written [names], failed (the write that failed: it may or may not be stored), notWritten [names],\n"
         "ready (0: the fitting did not report ready within 20 s),\n"
         "notHeld [{setting, written, readBack}] (values the fitting does not hold after the write)"},
        {"history", "[show <id>]", "List the visits kept in the service record, newest first (--serial, --article, --since <yyyy-mm-dd>, "
         "--csv), or show one visit with everything read and changed in it.", RunHistory, 0, 2, {"serial", "article", "since", "csv"},
         "database, visits [{id, started (UTC), startedLocal, article, articleFormatted, unitSerialNumber, softwareVersion,\n"
         "technician, adapter, toolVersion, events, settingsChanged}];\n"
         "show: the visit's keys and eventList [{kind, kindName, time, result, items [{name, before, after, held}]}]"},
#if defined(FLUXA_REPORT_COMMAND)
        {"report", "<file.pdf>", "Write the service report of a unit's last visit as a PDF (A4, in the chosen language): the "
         "connected fitting's, or with --serial that unit's from the service record. The report itself records no visit.",
         RunReport, 1, 1, {"serial", "article"},
         "file, visit (the visit's id in the service record), startedLocal, article, articleFormatted, unitSerialNumber"},
#endif
    };
    return commands;
}

const CommandSpec* FindCommand(const std::string& strName)
{
    for (const CommandSpec& command : Commands())
        if (strName == command.szName)
            return &command;
    return nullptr;
}

bool HasOption(const CommandSpec& command, const std::string& strOption)
{
    return std::ranges::find(command.options, strOption) != command.options.end();
}

#if defined(_WIN32)
constexpr const char* kDefaultServiceLog = "%LOCALAPPDATA%\\VELMOR\\fluxa-usb\\service.db";
#else
constexpr const char* kDefaultServiceLog = "$XDG_DATA_HOME/VELMOR/fluxa-usb/service.db";
#endif

void PrintUsage(const CommandSpec* pCommand)
{
    if (pCommand != nullptr) {
        std::printf("Usage: fluxa-cli %s %s [options]\n\n%s\n", pCommand->szName, pCommand->szArguments, pCommand->szSummary);
        if (HasOption(*pCommand, "clear"))
            std::printf("\n  --clear            clear the error history\n  --yes              do not ask before clearing\n");
        if (HasOption(*pCommand, "merge"))
            std::printf("\n  --merge <s> <e>    merge the records into one area from <s> to <e> (0xFF fills gaps)\n");
        if (HasOption(*pCommand, "backup"))
            std::printf("\n  --yes              do not ask before writing\n"
                        "  --dry-run          stop after showing the changes\n"
                        "  --backup <file>    where to save the fitting's settings before writing (default: beside\n"
                        "                     <file>, named after the article number, date and time); an existing\n"
                        "                     file is not replaced, the file being applied never\n"
                        "  --force            let --backup replace an existing file\n");
        if (HasOption(*pCommand, "output"))
            std::printf("\n  --output <file>    the file, in place of the argument; {serial} in its name stands for the\n"
                        "                     unit's serial number (one file per unit with --adapter all; two units\n"
                        "                     with the same serial number stop the run before anything is written)\n");
        if (HasOption(*pCommand, "csv"))
            std::printf("\n  --serial <s>       only the visits of the unit with this serial number\n"
                        "  --article <a>      only the visits of units with this article number\n"
                        "  --since <date>     only the visits from this day on (yyyy-mm-dd)\n"
                        "  --csv              print the visits as CSV\n");
        else if (HasOption(*pCommand, "serial"))
            std::printf("\n  --serial <s>       the unit with this serial number, without a fitting connected\n"
                        "  --article <a>      with --serial: the unit of this article number, where two share the serial number\n");
        if (HasOption(*pCommand, "range"))
            std::printf("\n  --range <f> <l>    dump the rows holding the addresses <f> to <l> (e.g. --range 0x100 0x1FF)\n");
        std::printf("\nJSON keys (--json):\n  %s\n", ReplaceAll(pCommand->szJson, "\n", "\n  ").c_str());
    } else {
        std::printf("Usage: fluxa-cli <command> [options]\n\nCommands:\n");
        for (const CommandSpec& command : Commands())
            std::printf("  %-9s %-38s %s\n", command.szName, command.szArguments, command.szSummary);
        std::printf("\n'fluxa-cli <command> --help' describes one command.\n");
    }
    std::printf("\nOptions for all commands:\n"
                "  --adapter <n>      bus adapter number (default 0); all, or a list (0,2,5), runs the command\n"
                "                     on each of them at once (identify, info, errors, read, save, apply, flash)\n"
                "  --port auto|d2xx|serial\n"
                "                     how adapters are reached: the vendor's D2XX library, or the kernel's\n"
                "                     serial driver (default: the stored \"AdapterPort\" setting, else auto:\n"
                "                     serial when the kernel's driver holds a bus adapter, else D2XX)\n"
                "  --device <path>    the serial device of the bus adapter (implies --port serial)\n"
                "  --lang de|en       language of texts (default: the stored \"Language\" setting)\n"
                "  --config <dir>     product definition directory (default: \"Config\" beside the program,\n"
                "                     else the installed package's definitions)\n"
                "  --json             print data as JSON\n"
                "  --demo             use the simulated bus with a simulated basin faucet instead of an adapter\n"
                "  --service-db <f>   the service record's database (default: the stored setting, else\n"
                "                     %s)\n"
                "  --no-log           record nothing in the service record\n"
                "  --technician <n>   who serves the fittings, for the service record (default: the stored setting)\n"
                "  -h, --help         show this help\n",
                kDefaultServiceLog);
}

int UsageError(const std::string& strMessage)
{
    std::fprintf(stderr, "fluxa-cli: %s\nTry 'fluxa-cli --help'.\n", strMessage.c_str());
    return ExitUsage;
}

// The GUI's per-user settings: organisation "VELMOR", application "fluxa-usb".
void ReadStoredSettings(CCliContext& context)
{
    const CStoredSettings settings = CStoredSettings::ReadUserStore();
    g_nLanguage = settings.Number("Settings/Language", kLanguageGerman) == kLanguageEnglish ? kLanguageEnglish : kLanguageGerman;
    context.dwServiceCode = static_cast<DWORD>(settings.Number("Settings/DontChange", 0));
    context.strServiceLog = settings.Text("Settings/ServiceLog").value_or(DefaultServiceLogPath());
    context.strTechnician = settings.Text("Settings/Technician").value_or(std::string());
    CAdapterPortChoice choice;
    // An unknown stored value leaves the default.
    ParseAdapterPortKind(settings.Text("Settings/AdapterPort").value_or(std::string()), choice.eKind);
    SetAdapterPortChoice(choice);
}

// The options that only some commands take; each command names its own.
const std::vector<std::string>& CommandOptionNames()
{
    static const std::vector<std::string> names = {"clear", "yes", "merge", "range", "dry-run", "backup",
                                                   "force", "serial", "article", "since", "csv", "output"};
    return names;
}

std::vector<COptionSpec> OptionSpecs()
{
    std::vector<COptionSpec> options = {{{"adapter"}, true, "0"}, {{"h", "help"}, false, ""}};
    for (const char* szName : {"port", "device", "lang", "config", "backup", "service-db", "technician", "serial", "article", "since", "output"})
        options.push_back({{szName}, true, ""});
    for (const char* szName : {"json", "demo", "no-log", "clear", "yes", "merge", "range", "dry-run", "force", "csv"})
        options.push_back({{szName}, false, ""});
    return options;
}

// ExitOk, or a usage error when the command's arguments or options do not fit it.
int CheckCommandUse(const CommandSpec& command, const std::vector<std::string>& arguments, const CCommandLine& parser)
{
    const int nArguments = static_cast<int>(arguments.size());
    if (nArguments < command.nMinArgs || nArguments > command.nMaxArgs)
        return UsageError(FormatText("wrong arguments for '%s' (usage: fluxa-cli %s %s)", command.szName, command.szName, command.szArguments));
    for (const std::string& strName : CommandOptionNames())
        if (parser.IsSet(strName) && !HasOption(command, strName))
            return UsageError("option --" + strName + " does not apply to '" + command.szName + "'");
    // history and report read the service record: without it they have nothing to read.
    const std::string strName = command.szName;
    if (parser.IsSet("no-log") && (strName == "history" || strName == "report"))
        return UsageError("option --no-log does not apply to '" + strName + "', which reads the service record");
    return ExitOk;
}

// Where the service record is kept and what history shows.
int ApplyServiceLogOptions(const CCommandLine& parser, CCliContext& context)
{
    if (parser.IsSet("service-db"))
        context.strServiceLog = parser.Value("service-db");
    if (parser.IsSet("no-log"))
        context.strServiceLog.clear();
    if (parser.IsSet("technician"))
        context.strTechnician = parser.Value("technician");
    const std::string strSince = parser.Value("since");
    if (!strSince.empty() && !IsIsoDate(strSince))
        return UsageError("--since takes a date yyyy-mm-dd");
    std::string strArticle = parser.Value("article");
    std::erase(strArticle, ' ');
    context.historyFilter = {parser.Value("serial"), strArticle, strSince};
    context.bCsv = parser.IsSet("csv");
    return ExitOk;
}

// --port and --device over the stored choice: ExitOk, or a usage error.
int ApplyPortOptions(const CCommandLine& parser)
{
    CAdapterPortChoice choice = GetAdapterPortChoice();
    if (parser.IsSet("port") && !ParseAdapterPortKind(parser.Value("port"), choice.eKind))
        return UsageError("--port takes auto, d2xx or serial");
    if (parser.IsSet("device")) {
        if (parser.IsSet("port") && choice.eKind == EAdapterPortKind::D2xx)
            return UsageError("--device names a serial device; it does not go with --port d2xx");
        choice.eKind = EAdapterPortKind::Serial;
        choice.strDevicePath = parser.Value("device");
    }
    if (choice.eKind == EAdapterPortKind::Serial && !HasSerialAdapterPort())
        return UsageError("--port serial is not available on this system");
    SetAdapterPortChoice(choice);
    return ExitOk;
}

// The options into the context: ExitOk, or the exit code when --lang,
// --adapter or --port is wrong or the demo bus cannot start.
int ApplyOptions(const CCommandLine& parser, CCliContext& context)
{
    if (parser.IsSet("lang")) {
        const std::string strLang = parser.Value("lang");
        if (strLang != "de" && strLang != "en")
            return UsageError("--lang takes de or en");
        g_nLanguage = strLang == "en" ? kLanguageEnglish : kLanguageGerman;
    }
    if (!ParseAdapterOption(parser.Value("adapter"), context))
        return UsageError("--adapter takes a number from 0 on, a list of them (0,2,5) or all");
    if (const int nPort = ApplyPortOptions(parser); nPort != ExitOk)
        return nPort;
    context.strConfigDir = parser.IsSet("config") ? parser.Value("config") : DefaultConfigDirectory();
    std::string strDemoError;
    if (parser.IsSet("demo") && !UseDemoBus(strDemoError)) {
        std::fprintf(stderr, "fluxa-cli: %s\n", strDemoError.c_str());
        return ExitFailed;
    }
    context.bJson = parser.IsSet("json");
    context.bClear = parser.IsSet("clear");
    context.bYes = parser.IsSet("yes");
    context.bMerge = parser.IsSet("merge");
    context.bRange = parser.IsSet("range");
    context.bDryRun = parser.IsSet("dry-run");
    context.bForce = parser.IsSet("force");
    context.strBackupFile = parser.Value("backup");
    return ApplyServiceLogOptions(parser, context);
}

} // namespace

int main(int argc, char* argv[])
{
    UseUtf8Console();
#if !defined(_WIN32)
    // System messages and numbers in the user's locale, as ever.
    std::setlocale(LC_ALL, "");
#endif
    CCommandLine parser(OptionSpecs());
    if (!parser.Parse(ProgramArguments(argc, argv)))
        return UsageError(parser.ErrorText());

    std::vector<std::string> positional = parser.Positional();
    const CommandSpec* pCommand = positional.empty() ? nullptr : FindCommand(positional.front());
    if (parser.IsSet("help")) {
        PrintUsage(pCommand);
        return ExitOk;
    }
    if (positional.empty())
        return UsageError("no command given");
    if (pCommand == nullptr)
        return UsageError("unknown command '" + positional.front() + "'");
    positional.erase(positional.begin());
    // "--output <file>" names the file as the argument does, for scripts.
    if (parser.IsSet("output")) {
        if (!positional.empty())
            return UsageError("name the file either as the argument or with --output");
        positional.push_back(parser.Value("output"));
    }
    const int nUsage = CheckCommandUse(*pCommand, positional, parser);
    if (nUsage != ExitOk)
        return nUsage;

    CCliContext context;
    ReadStoredSettings(context);
    const int nOptions = ApplyOptions(parser, context);
    if (nOptions != ExitOk)
        return nOptions;
    context.args = positional;
    if (!context.ServesSeveralAdapters())
        return pCommand->pRun(context);
    const std::string strWhy = SeveralAdaptersUsageError(pCommand->szName, context);
    return strWhy.empty() ? RunOnAdapters(pCommand->szName, context, pCommand->pRun) : UsageError(strWhy);
}
