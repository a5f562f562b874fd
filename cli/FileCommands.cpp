// Commands that read files only: product definitions, saved configurations
// and Intel HEX images.

#include "cli/CliCommands.h"
#include "cli/CommandLine.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/ToolConfigXML.h"
#include "firmware/IntelHex.h"
#include "pages/SettingsModel.h"
#include "workflow/FailureHints.h"
#include "workflow/ProductCatalog.h"

#include <cstdint>

namespace {

// "0x" and at least nDigits upper-case digits.
std::string Hex(DWORD dwValue, int nDigits = 1)
{
    return FormatText("0x%0*X", nDigits, dwValue);
}

CCliReport DefinitionSummary(CDeviceConfig& definition)
{
    std::string strDescription;
    std::string strExtended;
    definition.GetProductDescription(g_nLanguage, strDescription, strExtended);
    int nType = 0;
    std::string strIgnored;
    ProductNameToType(definition.GetConfigSheet(), nType, strIgnored);
    CCliReport report;
    AddArticle(report, definition.GetArticleNumber());
    report.Add("description", Label("Description", "Beschreibung"), strDescription);
    report.Add("extendedDescription", Label("Extended description", "Erweiterte Beschreibung"), strExtended);
    report.Add("typeName", Label("Product type", "Produkttyp"), definition.GetConfigSheet());
    report.Add("typeCode", Label("Type code", "Typcode"), static_cast<long long>(nType));
    return report;
}

// "value = label" in the chosen language, or in every language the
// definition has when it has none in this one.
std::vector<std::string> SymbolicLabels(const CProductSetting& setting)
{
    std::vector<std::string> labels;
    std::vector<std::string> allLabels;
    for (const CSymbolicValue& symbolic : setting.GetSymbolicValues()) {
        const std::string strText = std::to_string(symbolic.GetValue()) + " = " + symbolic.GetLabel();
        allLabels.push_back(strText);
        if (symbolic.GetLanguage() == g_nLanguage)
            labels.push_back(strText);
    }
    return labels.empty() ? allLabels : labels;
}

CCliReport SettingReport(const CProductSetting& setting, bool bLimits)
{
    CCliReport report;
    report.Add("name", Label("Name", "Name"), setting.GetName());
    if (bLimits) {
        report.Add("min", Label("Minimum", "Minimum"), static_cast<long long>(setting.GetMin()));
        report.Add("max", Label("Maximum", "Maximum"), static_cast<long long>(setting.GetMax()));
        report.Add("default", Label("Default", "Vorgabe"), static_cast<long long>(setting.GetDefault()));
        const std::vector<std::string> labels = SymbolicLabels(setting);
        if (!labels.empty())
            report.AddLines("labels", Label("Labels", "Bezeichnungen"), labels);
    } else {
        report.Add("value", Label("Value", "Wert"), static_cast<long long>(setting.GetValue()));
        if (!setting.GetText().empty())
            report.Add("text", Label("Text", "Text"), setting.GetText());
    }
    return report;
}

std::vector<CCliReport> SettingReports(CDeviceConfig& definition, bool bLimits)
{
    std::vector<CCliReport> items;
    std::string strIgnored;
    const int nCount = definition.m_Settings.GetCount();
    for (int nIndex = 0; nIndex < nCount; ++nIndex) {
        CProductSetting setting;
        if (definition.m_Settings.GetObjectByIndex(nIndex, setting, strIgnored) == Result::Ok)
            items.push_back(SettingReport(setting, bLimits));
    }
    return items;
}

// Loads the catalog; a failure part-way still lets the command show what
// was loaded (bUsable), and still fails it.
int LoadCatalog(const CCliContext& context, CProductCatalog& catalog, bool& bUsable)
{
    std::string strError;
    bUsable = true;
    if (catalog.LoadDeviceConfigs(context.strConfigDir, strError, CheckDefinitionFitsFields) == Result::Ok)
        return ExitOk;
    bUsable = catalog.Configs().GetCount() > 0;
    return context.Fail(strError, "Check the product definition directory (--config <dir>).",
                        "Prüfen Sie das Verzeichnis der Produktdefinitionen (--config <Verzeichnis>).");
}

} // namespace

int RunProducts(CCliContext& context)
{
    CProductCatalog catalog;
    bool bUsable = false;
    const int nExit = LoadCatalog(context, catalog, bUsable);
    if (!bUsable)
        return nExit;
    std::vector<CCliReport> items;
    std::string strIgnored;
    for (int nIndex = 0; nIndex < catalog.Configs().GetCount(); ++nIndex) {
        CDeviceConfig definition;
        if (catalog.Configs().GetObjectByIndex(nIndex, definition, strIgnored) == Result::Ok)
            items.push_back(DefinitionSummary(definition));
    }
    CCliReport report;
    report.Add("directory", Label("Directory", "Verzeichnis"), context.strConfigDir);
    report.AddList("products", Label("Products", "Produkte"), items);
    context.Print(report);
    return nExit;
}

int RunProduct(CCliContext& context)
{
    CProductCatalog catalog;
    bool bUsable = false;
    const int nExit = LoadCatalog(context, catalog, bUsable);
    if (!bUsable)
        return nExit;
    const std::string& strArticle = context.args.at(0);
    CDeviceConfig definition;
    if (!catalog.FindDefinition(strArticle, definition))
        return context.Fail(FormatText(PickText("No product definition has the article number %s.",
                                                "Keine Produktdefinition hat die Artikelnummer %s."),
                                       strArticle.c_str()),
                            "'fluxa-cli products' lists the article numbers that are known.",
                            "'fluxa-cli products' zeigt die bekannten Artikelnummern.");
    CCliReport report = DefinitionSummary(definition);
    report.Add("picture", Label("Picture", "Bild"), definition.GetPicturePath());
    report.AddList("settings", Label("Settings", "Einstellungen"), SettingReports(definition, true));
    context.Print(report);
    return nExit;
}

int RunConfig(CCliContext& context)
{
    if (context.args.at(0) != "show") {
        std::fprintf(stderr, "fluxa-cli: usage: fluxa-cli config show <file>\n");
        return ExitUsage;
    }
    CToolConfigXML file;
    std::string strError;
    if (file.ReadConfigurationFile(context.args.at(1), strError) != Result::Ok)
        return context.Fail(strError);
    CDeviceConfig& config = file.GetConfig();
    CCliReport report;
    report.Add("file", Label("File", "Datei"), context.args.at(1));
    AddArticle(report, config.GetArticleNumber());
    report.Add("typeName", Label("Product type", "Produkttyp"), config.GetConfigSheet());
    report.AddList("settings", Label("Settings", "Einstellungen"), SettingReports(config, false));
    context.Print(report);
    return ExitOk;
}

int RunHex(CCliContext& context)
{
    if (context.args.at(0) != "show" || context.args.size() != (context.bMerge ? 4u : 2u)) {
        std::fprintf(stderr, "fluxa-cli: usage: fluxa-cli hex show <file> [--merge <start> <end>]\n");
        return ExitUsage;
    }
    CIntelHex image;
    std::string strError;
    if (image.Load(context.args.at(1), strError) != Result::Ok)
        return context.Fail(image.FileUnreadable() ? UnreadableFirmwareFileMessage(context.args.at(1), strError) : strError);
    if (context.bMerge) {
        const std::optional<long long> start = ParseNumber(context.args.at(2), 0, 0, UINT32_MAX);
        const std::optional<long long> end = ParseNumber(context.args.at(3), 0, 0, UINT32_MAX);
        if (!start || !end) {
            std::fprintf(stderr, "fluxa-cli: --merge takes two addresses, e.g. --merge 0x1800 0x7FFF\n");
            return ExitUsage;
        }
        if (image.MergeMemoryArea(static_cast<DWORD>(*start), static_cast<DWORD>(*end), strError) != Result::Ok)
            return context.Fail(strError);
    }
    std::vector<CCliReport> items;
    for (int nIndex = 0; nIndex < image.GetDataRecordCount(); ++nIndex) {
        CDataRecord record;
        if (image.GetDataRecord(nIndex, record, strError) != Result::Ok)
            return context.Fail(strError);
        CCliReport item;
        item.Add("start", Label("Start", "Anfang"), Hex(record.GetStartAddr(), 8));
        item.Add("end", Label("End", "Ende"), Hex(record.GetEndAddr(), 8));
        // Lengths in hexadecimal too, to compare with the addresses.
        const std::string strLength = Hex(record.GetLength());
        if (context.bJson) {
            item.Add("length", Label("Length", "Länge"), static_cast<long long>(record.GetLength()));
            item.Add("lengthHex", Label("Length", "Länge"), strLength);
        } else {
            item.Add("length", Label("Length", "Länge"),
                     std::to_string(record.GetLength()) + " (" + strLength + ")");
        }
        items.push_back(item);
    }
    CCliReport report;
    report.Add("file", Label("File", "Datei"), context.args.at(1));
    report.Add("endOfFileRecord", "", static_cast<long long>(image.HasEndOfFileRecord()));
    // A copy that was cut off ends without the end-of-file record.
    if (!image.HasEndOfFileRecord())
        report.Add("warning", Label("Warning", "Warnung"),
                   Label("The file has no end-of-file record and may be cut off.",
                         "Die Datei hat keinen Dateiende-Eintrag und ist womöglich abgeschnitten."));
    report.AddList("records", Label("Records", "Datensätze"), items);
    context.Print(report);
    return ExitOk;
}
