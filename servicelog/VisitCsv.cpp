#include "servicelog/VisitCsv.h"

namespace {

// A field as RFC 4180 wants it: quoted when it holds a separator, a quote or
// a line break, inner quotes doubled.
std::string CsvField(const std::string& strValue)
{
    if (strValue.find_first_of(",\"\r\n") == std::string::npos)
        return strValue;
    std::string strQuoted = "\"";
    for (const char c : strValue)
        strQuoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return strQuoted + "\"";
}

} // namespace

std::string VisitListCsv(const std::vector<CVisitSummary>& visits)
{
    std::string strCsv = "id,started,article,unitSerialNumber,moduleSerialNumber,softwareVersion,bootloaderVersion,technician,adapter,"
                         "toolVersion,events,settingsChanged\r\n";
    for (const CVisitSummary& visit : visits) {
        const std::string fields[] = {std::to_string(visit.llId), visit.strStarted, visit.unit.strArticleNumber, visit.unit.strSerialNumber,
                                      visit.unit.strModuleSerial, visit.unit.strSoftwareVersion, visit.unit.strBootloaderVersion,
                                      visit.context.strTechnician, visit.context.strAdapter, visit.context.strToolVersion,
                                      std::to_string(visit.nEvents), std::to_string(visit.nSettingsChanged)};
        std::string strLine;
        for (const std::string& strField : fields)
            strLine += (strLine.empty() ? "" : ",") + CsvField(strField);
        strCsv += strLine + "\r\n";
    }
    return strCsv;
}
