#pragma once
// The service report: one visit of the service record as a one- or two-page
// A4 PDF in the language in force. It shows the product with its picture,
// the unit, the installation record, the settings with what the visit
// changed, the operating data, the error history, the firmware programmed,
// and a line for the technician's signature. Drawing needs a QGuiApplication.

#include "servicelog/ServiceRecord.h"

#include <QString>

#include <string>

class CProductCatalog;
class CServiceLog;

// Writes the report of the visit to strPath, replacing a file there whole or
// not at all. The unit's product definition comes from the catalog by the
// visit's article number; without one the report shows the values as
// recorded, without picture, units and limits. 0, or the failure with its
// message.
int WriteServiceReport(const CVisitDetail& visit, CProductCatalog& catalog, const std::string& strPath, std::string& strError);
// The same for a visit of the log by its id; -1001 when the log has none.
int WriteServiceReport(CServiceLog& log, long long llVisit, CProductCatalog& catalog, const std::string& strPath,
                       std::string& strError);

// A time of the service record (UTC) as local date and time in the language
// in force; the text as recorded when it is no time.
QString LocalServiceTime(const std::string& strUtc);
