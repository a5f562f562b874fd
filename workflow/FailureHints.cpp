#include "workflow/FailureHints.h"

#include "common/FilePaths.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "devicelink/VelmorTPFTDI.h"
#include "firmware/FirmwareDownload.h"
#include "workflow/FittingReadout.h"
#include "workflow/ProductCatalog.h"

#include <filesystem>

namespace {

// One row per failure a technician can act on; the first row whose result
// matches, and whose text (in the language in force) is part of the core's
// message where one is given, serves. "%s" is where the technician repeats
// what failed; a row without a hint leaves the core's text alone.
struct CHint {
    int nResult;
    const char* szInEnglish;
    const char* szInGerman;
    const char* szEnglish;
    const char* szGerman;
};

constexpr const char* kAdapterGoneEnglish = "The bus adapter stopped answering; it may have been unplugged. Plug it back in and %s.";
constexpr const char* kAdapterGoneGerman =
    "Der Busadapter antwortet nicht mehr; vielleicht wurde er abgezogen. Stecken Sie ihn wieder ein und %s.";

constexpr CHint kHints[] = {
    {Result::NoResponse, nullptr, nullptr, "No fitting answers. Check that the fitting is connected to the bus adapter and powered.",
     "Keine Armatur antwortet. Prüfen Sie, ob die Armatur am Busadapter angeschlossen und versorgt ist."},
    {Result::InvalidResponse, CVelmorTPFTDI::kInvalidEchoText, CVelmorTPFTDI::kInvalidEchoText,
     "The bus did not return what was sent, not even as echo. Check the bus adapter and its cable to the fitting.",
     "Der Bus hat das Gesendete nicht zurückgegeben, nicht einmal als Echo. Prüfen Sie den Busadapter und sein Kabel zur Armatur."},
    // The fitting answered well, but kept nothing: its message says so.
    {Result::InvalidResponse, kClearNotKept.szEnglish, kClearNotKept.szGerman, nullptr, nullptr},
    {Result::InvalidResponse, nullptr, nullptr, "The fitting's answer was garbled. Check the cable and its contacts, then %s.",
     "Die Antwort der Armatur war gestört. Prüfen Sie das Kabel und seine Kontakte und %s."},
    {Result::DriverStatus, nullptr, nullptr, kAdapterGoneEnglish, kAdapterGoneGerman},
    {Result::CallException, nullptr, nullptr, kAdapterGoneEnglish, kAdapterGoneGerman},
    // The adapter went during a job and could not be opened again.
    {Result::MissingPrecondition, CVelmorTPFTDI::kPortNotOpenSource, CVelmorTPFTDI::kPortNotOpenSource, kAdapterGoneEnglish,
     kAdapterGoneGerman},
    {Result::TargetError, nullptr, nullptr,
     "The fitting refused the request. Check that it runs its application (not the boot loader) and is the product identified, "
     "then %s.",
     "Die Armatur hat die Anfrage abgelehnt. Prüfen Sie, ob sie ihre Anwendung (nicht den Bootloader) ausführt und das erkannte "
     "Produkt ist, und %s."},
};

const char* RepeatText(HintAudience eAudience)
{
    return eAudience == HintAudience::CommandLine ? PickText("repeat the command", "wiederholen Sie den Befehl")
                                                  : PickText("try again", "versuchen Sie es erneut");
}

// What a product type is, with its indefinite article, and the family its
// firmware serves.
struct CProductKind {
    const char* szEnglish;
    const char* szGerman;
};

CProductKind FittingKind(int nProductType)
{
    switch (nProductType) {
    case 1:
    case 2:
        return {"a flush valve", "ein Spülventil"};
    case 4:
        return {"a urinal controller", "eine Urinalsteuerung"};
    case 5:
        return {"a WC controller", "eine WC-Steuerung"};
    default:
        return {"a basin faucet", "eine Waschtischarmatur"};
    }
}

// The family as a sentence names it.
const char* FamilyInSentence(FirmwareFamily eFamily)
{
    return eFamily == FirmwareFamily::FlushValves ? PickText("flush valves", "Spülventile")
                                                  : PickText("basin faucets and urinal and WC controllers", "Waschtischarmaturen sowie Urinal- und WC-Steuerungen");
}

std::string NotForProductMessage(const CFirmwareDownload& download, const std::string& strFileName, int nProductType)
{
    const CProductKind kind = FittingKind(nProductType);
    const std::string strFitting = FormatText("%s (%s)", PickText(kind.szEnglish, kind.szGerman), ProductTypeName(nProductType).c_str());
    FirmwareProductParameters own{};
    const FirmwareFamily eImage = download.ImageInfo().eFamily;
    const bool bOtherFamily = eImage != FirmwareFamily::None && CFirmwareDownload::GetProductParameters(nProductType, own)
                              && FirmwareSignatureAddr(eImage) != own.nSignatureAddr;
    if (bOtherFamily)
        return FormatText(PickText("The firmware file \"%s\" is made for %s, but the connected fitting is %s. "
                                   "Choose the firmware file made for it.",
                                   "Die Firmware-Datei \"%s\" ist für %s bestimmt, die angeschlossene Armatur ist aber %s. "
                                   "Wählen Sie die Firmware-Datei für diese Armatur."),
                          strFileName.c_str(), FamilyInSentence(eImage), strFitting.c_str());
    return FormatText(PickText("The file \"%s\" is no firmware for the connected fitting, %s. Choose the firmware file made for it.",
                               "Die Datei \"%s\" ist keine Firmware für die angeschlossene Armatur, %s. "
                               "Wählen Sie die Firmware-Datei für diese Armatur."),
                      strFileName.c_str(), strFitting.c_str());
}

std::string FileNameOf(const std::string& strPath)
{
    return Utf8FromPath(PathFromUtf8(strPath).filename());
}

} // namespace

std::string FailureHint(int nResult, const std::string& strError, HintAudience eAudience)
{
    for (const CHint& hint : kHints) {
        if (hint.nResult != nResult || (hint.szInEnglish != nullptr && strError.find(PickText(hint.szInEnglish, hint.szInGerman)) == std::string::npos))
            continue;
        return hint.szEnglish != nullptr ? FormatText(PickText(hint.szEnglish, hint.szGerman), RepeatText(eAudience)) : std::string();
    }
    return {};
}

std::string WithDetails(const std::string& strText, const std::string& strDetail)
{
    return strDetail.empty() ? strText : strText + "\n\nDetails: " + strDetail;
}

std::string JobFailureMessage(int nResult, const std::string& strError, HintAudience eAudience)
{
    const std::string strHint = FailureHint(nResult, strError, eAudience);
    return strHint.empty() ? strError : WithDetails(strHint, strError);
}

const char* NoAdapterFoundText()
{
    return PickText("No bus adapter \"Velmor BUS converter\" was found.", "Es wurde kein Busadapter \"Velmor BUS converter\" gefunden.");
}

std::string UnknownArticleOfFile(const std::string& strFileName, const std::string& strArticleNumber)
{
    return FormatText(PickText("The configuration file \"%s\" is for article number %s, which no product definition knows. "
                               "Open a file of a known product, or add the product's definition to the definition directory.",
                               "Die Konfigurationsdatei \"%s\" gehört zur Artikelnummer %s, die keine Produktdefinition kennt. "
                               "Öffnen Sie eine Datei eines bekannten Produkts oder legen Sie die Produktdefinition im "
                               "Definitionsverzeichnis ab."),
                      strFileName.c_str(), strArticleNumber.c_str());
}

std::string UnreadableFirmwareFileMessage(const std::string& strPath, const std::string& strError)
{
    return WithDetails(FormatText(PickText("The firmware file \"%s\" can't be read. Check that it exists and that you may read it.",
                                           "Die Firmware-Datei \"%s\" kann nicht gelesen werden. Prüfen Sie, ob sie vorhanden ist "
                                           "und Sie sie lesen dürfen."),
                                  FileNameOf(strPath).c_str()),
                       strError);
}

std::string FirmwareFileMessage(const CFirmwareDownload& download, const std::string& strPath, int nProductType,
                                const std::string& strError)
{
    const std::string strFileName = FileNameOf(strPath);
    std::string strLead;
    switch (download.GetRefusal()) {
    case FirmwareFileRefusal::Unreadable:
        return UnreadableFirmwareFileMessage(strPath, strError);
    case FirmwareFileRefusal::Damaged:
    case FirmwareFileRefusal::Incomplete:
        strLead = FormatText(PickText("The firmware file \"%s\" is damaged or incomplete; it is not programmed. "
                                      "Get the file again and choose the new copy.",
                                      "Die Firmware-Datei \"%s\" ist beschädigt oder unvollständig; sie wird nicht programmiert. "
                                      "Besorgen Sie die Datei erneut und wählen Sie die neue Kopie."),
                             strFileName.c_str());
        break;
    case FirmwareFileRefusal::NotForProduct:
        if (!ProductTypeName(nProductType).empty())
            strLead = NotForProductMessage(download, strFileName, nProductType);
        break;
    case FirmwareFileRefusal::None:
        break;
    }
    return strLead.empty() ? strError : WithDetails(strLead, strError);
}
