// Commands that read files only: product definitions, saved configurations
// and Intel HEX images.

#include "cli/CliCommands.h"

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "configdata/ToolConfigXML.h"
#include "firmware/IntelHex.h"
#include "pages/SettingsModel.h"
#include "workflow/ProductCatalog.h"

namespace {

// "0x" and at least nDigits upper-case digits.
QString Hex(DWORD dwValue, int nDigits = 1)
{
    return QStringLiteral("0x") + QString::number(dwValue, 16).rightJustified(nDigits, QLatin1Char('0')).toUpper();
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
    report.Add(QStringLiteral("description"), Label("Description", "Beschreibung"), strDescription);
    report.Add(QStringLiteral("extendedDescription"), Label("Extended description", "Erweiterte Beschreibung"), strExtended);
    report.Add(QStringLiteral("typeName"), Label("Product type", "Produkttyp"), definition.GetConfigSheet());
    report.Add(QStringLiteral("typeCode"), Label("Type code", "Typcode"), static_cast<qint64>(nType));
    return report;
}

// "value = label" in the chosen language, or in every language the
// definition has when it has none in this one.
QStringList SymbolicLabels(const CProductSetting& setting)
{
    QStringList labels;
    QStringList allLabels;
    for (const CSymbolicValue& symbolic : setting.GetSymbolicValues()) {
        const QString text = QStringLiteral("%1 = %2").arg(symbolic.GetValue()).arg(QString::fromStdString(symbolic.GetLabel()));
        allLabels << text;
        if (symbolic.GetLanguage() == g_nLanguage)
            labels << text;
    }
    return labels.isEmpty() ? allLabels : labels;
}

CCliReport SettingReport(const CProductSetting& setting, bool bLimits)
{
    CCliReport report;
    report.Add(QStringLiteral("name"), Label("Name", "Name"), setting.GetName());
    if (bLimits) {
        report.Add(QStringLiteral("min"), Label("Minimum", "Minimum"), static_cast<qint64>(setting.GetMin()));
        report.Add(QStringLiteral("max"), Label("Maximum", "Maximum"), static_cast<qint64>(setting.GetMax()));
        report.Add(QStringLiteral("default"), Label("Default", "Vorgabe"), static_cast<qint64>(setting.GetDefault()));
        const QStringList labels = SymbolicLabels(setting);
        if (!labels.isEmpty())
            report.AddLines(QStringLiteral("labels"), Label("Labels", "Bezeichnungen"), labels);
    } else {
        report.Add(QStringLiteral("value"), Label("Value", "Wert"), static_cast<qint64>(setting.GetValue()));
        if (!setting.GetText().empty())
            report.Add(QStringLiteral("text"), Label("Text", "Text"), setting.GetText());
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
    report.Add(QStringLiteral("directory"), Label("Directory", "Verzeichnis"), context.strConfigDir);
    report.AddList(QStringLiteral("products"), Label("Products", "Produkte"), items);
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
    const std::string strArticle = context.args.at(0).toStdString();
    CDeviceConfig definition;
    if (!catalog.FindDefinition(strArticle, definition))
        return context.Fail(FormatText(PickText("No product definition has the article number %s.",
                                                "Keine Produktdefinition hat die Artikelnummer %s."),
                                       strArticle.c_str()),
                            "'fluxa-cli products' lists the article numbers that are known.",
                            "'fluxa-cli products' zeigt die bekannten Artikelnummern.");
    CCliReport report = DefinitionSummary(definition);
    report.Add(QStringLiteral("picture"), Label("Picture", "Bild"), definition.GetPicturePath());
    report.AddList(QStringLiteral("settings"), Label("Settings", "Einstellungen"), SettingReports(definition, true));
    context.Print(report);
    return nExit;
}

int RunConfig(CCliContext& context)
{
    if (context.args.at(0) != QLatin1String("show")) {
        std::fprintf(stderr, "fluxa-cli: usage: fluxa-cli config show <file>\n");
        return ExitUsage;
    }
    CToolConfigXML file;
    std::string strError;
    if (file.ReadConfigurationFile(context.rawArgs.at(1), strError) != Result::Ok)
        return context.Fail(strError);
    CDeviceConfig& config = file.GetConfig();
    CCliReport report;
    report.Add(QStringLiteral("file"), Label("File", "Datei"), context.args.at(1));
    AddArticle(report, config.GetArticleNumber());
    report.Add(QStringLiteral("typeName"), Label("Product type", "Produkttyp"), config.GetConfigSheet());
    report.AddList(QStringLiteral("settings"), Label("Settings", "Einstellungen"), SettingReports(config, false));
    context.Print(report);
    return ExitOk;
}

int RunHex(CCliContext& context)
{
    if (context.args.at(0) != QLatin1String("show") || context.args.size() != (context.bMerge ? 4 : 2)) {
        std::fprintf(stderr, "fluxa-cli: usage: fluxa-cli hex show <file> [--merge <start> <end>]\n");
        return ExitUsage;
    }
    CIntelHex image;
    std::string strError;
    if (image.Load(context.rawArgs.at(1), strError) != Result::Ok)
        return context.Fail(strError);
    if (context.bMerge) {
        bool bStart = false;
        bool bEnd = false;
        const DWORD dwStart = context.args.at(2).toUInt(&bStart, 0);
        const DWORD dwEnd = context.args.at(3).toUInt(&bEnd, 0);
        if (!bStart || !bEnd) {
            std::fprintf(stderr, "fluxa-cli: --merge takes two addresses, e.g. --merge 0x1800 0x7FFF\n");
            return ExitUsage;
        }
        if (image.MergeMemoryArea(dwStart, dwEnd, strError) != Result::Ok)
            return context.Fail(strError);
    }
    std::vector<CCliReport> items;
    for (int nIndex = 0; nIndex < image.GetDataRecordCount(); ++nIndex) {
        CDataRecord record;
        if (image.GetDataRecord(nIndex, record, strError) != Result::Ok)
            return context.Fail(strError);
        CCliReport item;
        item.Add(QStringLiteral("start"), Label("Start", "Anfang"), Hex(record.GetStartAddr(), 8));
        item.Add(QStringLiteral("end"), Label("End", "Ende"), Hex(record.GetEndAddr(), 8));
        // Lengths in hexadecimal too, to compare with the addresses.
        const QString length = Hex(record.GetLength());
        if (context.bJson) {
            item.Add(QStringLiteral("length"), Label("Length", "Länge"), static_cast<qint64>(record.GetLength()));
            item.Add(QStringLiteral("lengthHex"), Label("Length", "Länge"), length);
        } else {
            item.Add(QStringLiteral("length"), Label("Length", "Länge"),
                     QStringLiteral("%1 (%2)").arg(record.GetLength()).arg(length));
        }
        items.push_back(item);
    }
    CCliReport report;
    report.Add(QStringLiteral("file"), Label("File", "Datei"), context.args.at(1));
    report.Add(QStringLiteral("endOfFileRecord"), QString(), static_cast<qint64>(image.HasEndOfFileRecord()));
    // A copy that was cut off ends without the end-of-file record.
    if (!image.HasEndOfFileRecord())
        report.Add(QStringLiteral("warning"), Label("Warning", "Warnung"),
                   Label("The file has no end-of-file record and may be cut off.",
                         "Die Datei hat keinen Dateiende-Eintrag und ist womöglich abgeschnitten."));
    report.AddList(QStringLiteral("records"), Label("Records", "Datensätze"), items);
    context.Print(report);
    return ExitOk;
}
