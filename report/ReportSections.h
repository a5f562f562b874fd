#pragma once
// The parts of the service report as HTML for QTextDocument, each made from
// the recorded visit and the unit's product definition, in the language in
// force.

#include "configdata/DeviceConfig.h"
#include "servicelog/ServiceRecord.h"

#include <QString>
#include <QStringList>

// The unit's product as the report knows it.
struct CReportProduct {
    bool bFound = false; // false: no product definition has the visit's article number
    CDeviceConfig definition;
    int nProductType = 0; // 0: not known
};

// The name under which the document holds the product picture.
inline constexpr const char* kPictureResource = "report:picture";

// The title, the product's names and its picture (when bPicture).
QString HeaderSection(const CVisitDetail& visit, CReportProduct& product, bool bPicture);
// The unit's identity and who served it with what.
QString UnitSection(const CVisitDetail& visit);
QString InstallationSection(const CVisitDetail& visit);
// Every setting the page shows, with unit and limits; what the visit
// changed as old → new.
QString SettingsSection(const CVisitDetail& visit, CReportProduct& product);
QString OperatingDataSection(const CVisitDetail& visit);
// The error history read and, after a clear, before → after.
QString ErrorHistorySection(const CVisitDetail& visit, int nProductType);
QString FirmwareSection(const CVisitDetail& visit);
QString SignatureSection(const CVisitDetail& visit);
