// fluxa-cli: the command-line face of Fluxa USB for scripts, production lines
// and headless diagnostics.

#include "cli/AdapterJobs.h"
#include "cli/CliCommands.h"
#include "common/FilePaths.h"
#include "common/Language.h"
#include "common/StoredSettings.h"
#include "devicelink/AdapterPort.h"
#include "servicelog/ServiceLog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct CommandSpec {
    const char* szName;
    const char* szArguments; // positional arguments after the name, for the help
    const char* szSummary;
    int (*pRun)(CCliContext&);
    int nMinArgs;
    int nMaxArgs;
    QStringList options; // command options beyond the global ones
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
        {"report", "<file.pdf>", "Write the service report of a unit's last visit as a PDF (A4, in the chosen language): the "
         "connected fitting's, or with --serial that unit's from the service record. The report itself records no visit.",
         RunReport, 1, 1, {"serial", "article"},
         "file, visit (the visit's id in the service record), startedLocal, article, articleFormatted, unitSerialNumber"},
    };
    return commands;
}

const CommandSpec* FindCommand(const QString& name)
{
    for (const CommandSpec& command : Commands())
        if (name == QLatin1String(command.szName))
            return &command;
    return nullptr;
}

void PrintUsage(const CommandSpec* pCommand)
{
    if (pCommand != nullptr) {
        std::printf("Usage: fluxa-cli %s %s [options]\n\n%s\n", pCommand->szName, pCommand->szArguments, pCommand->szSummary);
        if (pCommand->options.contains(QStringLiteral("clear")))
            std::printf("\n  --clear            clear the error history\n  --yes              do not ask before clearing\n");
        if (pCommand->options.contains(QStringLiteral("merge")))
            std::printf("\n  --merge <s> <e>    merge the records into one area from <s> to <e> (0xFF fills gaps)\n");
        if (pCommand->options.contains(QStringLiteral("backup")))
            std::printf("\n  --yes              do not ask before writing\n"
                        "  --dry-run          stop after showing the changes\n"
                        "  --backup <file>    where to save the fitting's settings before writing (default: beside\n"
                        "                     <file>, named after the article number, date and time); an existing\n"
                        "                     file is not replaced, the file being applied never\n"
                        "  --force            let --backup replace an existing file\n");
        if (pCommand->options.contains(QStringLiteral("output")))
            std::printf("\n  --output <file>    the file, in place of the argument; {serial} in its name stands for the\n"
                        "                     unit's serial number (one file per unit with --adapter all)\n");
        if (pCommand->options.contains(QStringLiteral("csv")))
            std::printf("\n  --serial <s>       only the visits of the unit with this serial number\n"
                        "  --article <a>      only the visits of units with this article number\n"
                        "  --since <date>     only the visits from this day on (yyyy-mm-dd)\n"
                        "  --csv              print the visits as CSV\n");
        else if (pCommand->options.contains(QStringLiteral("serial")))
            std::printf("\n  --serial <s>       the unit with this serial number, without a fitting connected\n"
                        "  --article <a>      with --serial: the unit of this article number, where two share the serial number\n");
        if (pCommand->options.contains(QStringLiteral("range")))
            std::printf("\n  --range <f> <l>    dump the rows holding the addresses <f> to <l> (e.g. --range 0x100 0x1FF)\n");
        std::printf("\nJSON keys (--json):\n  %s\n", QString::fromUtf8(pCommand->szJson).replace(QLatin1String("\n"), QLatin1String("\n  ")).toUtf8().constData());
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
                "                     $XDG_DATA_HOME/VELMOR/fluxa-usb/service.db)\n"
                "  --no-log           record nothing in the service record\n"
                "  --technician <n>   who serves the fittings, for the service record (default: the stored setting)\n"
                "  -h, --help         show this help\n");
}

int UsageError(const QString& message)
{
    std::fprintf(stderr, "fluxa-cli: %s\nTry 'fluxa-cli --help'.\n", qPrintable(message));
    return ExitUsage;
}

// The GUI's per-user settings: organisation "VELMOR", application "fluxa-usb".
void ReadStoredSettings(CCliContext& context)
{
    const CStoredSettings settings = CStoredSettings::ReadUserStore();
    g_nLanguage = settings.Number("Settings/Language", kLanguageGerman) == kLanguageEnglish ? kLanguageEnglish : kLanguageGerman;
    context.dwServiceCode = static_cast<quint32>(settings.Number("Settings/DontChange", 0));
    context.strServiceLog = settings.Text("Settings/ServiceLog").value_or(DefaultServiceLogPath());
    context.strTechnician = settings.Text("Settings/Technician").value_or(std::string());
    CAdapterPortChoice choice;
    // An unknown stored value leaves the default.
    ParseAdapterPortKind(settings.Text("Settings/AdapterPort").value_or(std::string()), choice.eKind);
    SetAdapterPortChoice(choice);
}

// The options that only some commands take; each command names its own.
const QStringList& CommandOptionNames()
{
    static const QStringList names = {QStringLiteral("clear"), QStringLiteral("yes"), QStringLiteral("merge"),
                                      QStringLiteral("range"), QStringLiteral("dry-run"), QStringLiteral("backup"),
                                      QStringLiteral("force"), QStringLiteral("serial"), QStringLiteral("article"),
                                      QStringLiteral("since"), QStringLiteral("csv"), QStringLiteral("output")};
    return names;
}

void AddOptions(QCommandLineParser& parser)
{
    parser.addOptions({QCommandLineOption(QStringLiteral("adapter"), QString(), QStringLiteral("n"), QStringLiteral("0")),
                       QCommandLineOption(QStringLiteral("port"), QString(), QStringLiteral("auto|d2xx|serial")),
                       QCommandLineOption(QStringLiteral("device"), QString(), QStringLiteral("path")),
                       QCommandLineOption(QStringLiteral("lang"), QString(), QStringLiteral("de|en")),
                       QCommandLineOption(QStringLiteral("config"), QString(), QStringLiteral("dir")),
                       QCommandLineOption(QStringLiteral("json")),
                       QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
                       QCommandLineOption(QStringLiteral("clear")), QCommandLineOption(QStringLiteral("yes")),
                       QCommandLineOption(QStringLiteral("merge")), QCommandLineOption(QStringLiteral("range")),
                       QCommandLineOption(QStringLiteral("dry-run")),
                       QCommandLineOption(QStringLiteral("backup"), QString(), QStringLiteral("file")),
                       QCommandLineOption(QStringLiteral("demo")), QCommandLineOption(QStringLiteral("force")),
                       QCommandLineOption(QStringLiteral("service-db"), QString(), QStringLiteral("file")),
                       QCommandLineOption(QStringLiteral("no-log")),
                       QCommandLineOption(QStringLiteral("technician"), QString(), QStringLiteral("name")),
                       QCommandLineOption(QStringLiteral("serial"), QString(), QStringLiteral("s")),
                       QCommandLineOption(QStringLiteral("article"), QString(), QStringLiteral("a")),
                       QCommandLineOption(QStringLiteral("since"), QString(), QStringLiteral("date")),
                       QCommandLineOption(QStringLiteral("csv")),
                       QCommandLineOption(QStringLiteral("output"), QString(), QStringLiteral("file"))});
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
}

// The positional arguments decoded as file names, and their bytes as given.
void TakePositional(const QCommandLineParser& parser, QStringList& positional, std::vector<std::string>& rawPositional)
{
    for (const QString& argument : parser.positionalArguments()) {
        rawPositional.push_back(argument.toLatin1().toStdString());
        positional << QFile::decodeName(argument.toLatin1());
    }
}

// ExitOk, or a usage error when the command's arguments or options do not fit it.
int CheckCommandUse(const CommandSpec& command, const QStringList& arguments, const QCommandLineParser& parser)
{
    if (arguments.size() < command.nMinArgs || arguments.size() > command.nMaxArgs)
        return UsageError(QStringLiteral("wrong arguments for '%1' (usage: fluxa-cli %1 %2)")
                              .arg(QLatin1String(command.szName), QLatin1String(command.szArguments)));
    for (const QString& name : CommandOptionNames())
        if (parser.isSet(name) && !command.options.contains(name))
            return UsageError(QStringLiteral("option --%1 does not apply to '%2'").arg(name, QLatin1String(command.szName)));
    return ExitOk;
}

// Where the service record is kept and what history shows.
int ApplyServiceLogOptions(const QCommandLineParser& parser, CCliContext& context)
{
    if (parser.isSet(QStringLiteral("service-db")))
        context.strServiceLog = parser.value(QStringLiteral("service-db")).toLatin1().toStdString();
    if (parser.isSet(QStringLiteral("no-log")))
        context.strServiceLog.clear();
    if (parser.isSet(QStringLiteral("technician")))
        context.strTechnician = parser.value(QStringLiteral("technician")).toStdString();
    const QString since = parser.value(QStringLiteral("since"));
    if (!since.isEmpty() && !QDate::fromString(since, Qt::ISODate).isValid())
        return UsageError(QStringLiteral("--since takes a date yyyy-mm-dd"));
    context.historyFilter = {parser.value(QStringLiteral("serial")).toStdString(),
                             parser.value(QStringLiteral("article")).remove(QLatin1Char(' ')).toStdString(), since.toStdString()};
    context.bCsv = parser.isSet(QStringLiteral("csv"));
    return ExitOk;
}

// --port and --device over the stored choice: ExitOk, or a usage error.
int ApplyPortOptions(const QCommandLineParser& parser)
{
    CAdapterPortChoice choice = GetAdapterPortChoice();
    if (parser.isSet(QStringLiteral("port")) && !ParseAdapterPortKind(parser.value(QStringLiteral("port")).toStdString(), choice.eKind))
        return UsageError(QStringLiteral("--port takes auto, d2xx or serial"));
    if (parser.isSet(QStringLiteral("device"))) {
        if (parser.isSet(QStringLiteral("port")) && choice.eKind == EAdapterPortKind::D2xx)
            return UsageError(QStringLiteral("--device names a serial device; it does not go with --port d2xx"));
        choice.eKind = EAdapterPortKind::Serial;
        choice.strDevicePath = QFile::encodeName(parser.value(QStringLiteral("device"))).toStdString();
    }
    if (choice.eKind == EAdapterPortKind::Serial && !HasSerialAdapterPort())
        return UsageError(QStringLiteral("--port serial is not available on this system"));
    SetAdapterPortChoice(choice);
    return ExitOk;
}

// The options into the context: ExitOk, or the exit code when --lang,
// --adapter or --port is wrong or the demo bus cannot start.
int ApplyOptions(const QCommandLineParser& parser, CCliContext& context)
{
    if (parser.isSet(QStringLiteral("lang"))) {
        const QString lang = parser.value(QStringLiteral("lang"));
        if (lang != QLatin1String("de") && lang != QLatin1String("en"))
            return UsageError(QStringLiteral("--lang takes de or en"));
        g_nLanguage = lang == QLatin1String("en") ? kLanguageEnglish : kLanguageGerman;
    }
    if (!ParseAdapterOption(parser.value(QStringLiteral("adapter")), context))
        return UsageError(QStringLiteral("--adapter takes a number from 0 on, a list of them (0,2,5) or all"));
    if (const int nPort = ApplyPortOptions(parser); nPort != ExitOk)
        return nPort;
    context.strConfigDir = parser.isSet(QStringLiteral("config"))
                               ? parser.value(QStringLiteral("config")).toLatin1().toStdString()
                               : DefaultConfigDirectory();
    std::string strDemoError;
    if (parser.isSet(QStringLiteral("demo")) && !UseDemoBus(strDemoError)) {
        std::fprintf(stderr, "fluxa-cli: %s\n", strDemoError.c_str());
        return ExitFailed;
    }
    context.bJson = parser.isSet(QStringLiteral("json"));
    context.bClear = parser.isSet(QStringLiteral("clear"));
    context.bYes = parser.isSet(QStringLiteral("yes"));
    context.bMerge = parser.isSet(QStringLiteral("merge"));
    context.bRange = parser.isSet(QStringLiteral("range"));
    context.bDryRun = parser.isSet(QStringLiteral("dry-run"));
    context.bForce = parser.isSet(QStringLiteral("force"));
    context.strBackupFile = parser.value(QStringLiteral("backup")).toLatin1().toStdString();
    return ApplyServiceLogOptions(parser, context);
}

// Only the report draws; the other commands keep to QtCore and need no
// display. The report draws offscreen unless told otherwise.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char* argv[], const CommandSpec& command)
{
    if (command.pRun != RunReport)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[])
{
    QCommandLineParser parser;
    AddOptions(parser);
    // Parsed as Latin-1, each argument keeps its bytes: a file name that is
    // not UTF-8 still names its file.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLatin1(argv[i]);
    if (!parser.parse(arguments))
        return UsageError(parser.errorText());

    std::vector<std::string> rawPositional;
    QStringList positional;
    TakePositional(parser, positional, rawPositional);
    const CommandSpec* pCommand = positional.isEmpty() ? nullptr : FindCommand(positional.front());
    if (parser.isSet(QStringLiteral("help"))) {
        PrintUsage(pCommand);
        return ExitOk;
    }
    if (positional.isEmpty())
        return UsageError(QStringLiteral("no command given"));
    if (pCommand == nullptr)
        return UsageError(QStringLiteral("unknown command '%1'").arg(positional.front()));
    positional.removeFirst();
    rawPositional.erase(rawPositional.begin());
    // "--output <file>" names the file as the argument does, for scripts.
    if (parser.isSet(QStringLiteral("output"))) {
        if (!positional.isEmpty())
            return UsageError(QStringLiteral("name the file either as the argument or with --output"));
        positional << parser.value(QStringLiteral("output"));
        rawPositional.push_back(parser.value(QStringLiteral("output")).toLatin1().toStdString());
    }
    const int nUsage = CheckCommandUse(*pCommand, positional, parser);
    if (nUsage != ExitOk)
        return nUsage;

    const std::unique_ptr<QCoreApplication> pApplication = MakeApplication(argc, argv, *pCommand);
    CCliContext context;
    ReadStoredSettings(context);
    const int nOptions = ApplyOptions(parser, context);
    if (nOptions != ExitOk)
        return nOptions;
    context.args = positional;
    context.rawArgs = rawPositional;
    if (!context.ServesSeveralAdapters())
        return pCommand->pRun(context);
    const QString why = SeveralAdaptersUsageError(QLatin1String(pCommand->szName), context);
    return why.isEmpty() ? RunOnAdapters(context, pCommand->pRun) : UsageError(why);
}
