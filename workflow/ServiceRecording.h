#pragma once
// What a visit puts into the service log, taken from what the jobs read: the
// unit as identified, its counters, its error history and its firmware.

#include "devicelink/AdapterPort.h"
#include "servicelog/ServiceRecord.h"
#include "workflow/FittingReadout.h"

#include <string>
#include <vector>

CServiceUnit ServiceUnitOf(const CFittingIdentity& identity);
// The adapter as the service record names it: its number, USB serial number
// and the way it was reached ("0 (VB4711, D2XX)").
std::string ServiceAdapterName(int nAdapter, const CAdapterDevice& adapter);
std::vector<CServiceItem> OperatingDataItems(const CFittingInformation& information);
// The count and the five stored codes; with the history held before a clear,
// each item shows before → after.
std::vector<CServiceItem> ErrorHistoryItems(const CErrorHistory& history, const CErrorHistory* pBefore = nullptr);
// A download of the file: its name and SHA-256, and the version the fitting
// ran before → the version that answered after it (empty when none did).
std::vector<CServiceItem> FirmwareDownloadItems(const std::string& strFile, const std::string& strVersionBefore,
                                                const std::string& strVersionAfter);
// What the window and the report call an item of the operating data, the
// error history or a download, in the language in force; any other item by
// its name.
std::string ServiceItemCaption(const std::string& strName);
