#pragma once
// What a visit puts into the service log, taken from what the jobs read: the
// unit as identified, its counters and its error history.

#include "servicelog/ServiceRecord.h"
#include "workflow/FittingReadout.h"

#include <vector>

CServiceUnit ServiceUnitOf(const CFittingIdentity& identity);
std::vector<CServiceItem> OperatingDataItems(const CFittingInformation& information);
// The count and the five stored codes; with the history held before a clear,
// each item shows before → after.
std::vector<CServiceItem> ErrorHistoryItems(const CErrorHistory& history, const CErrorHistory* pBefore = nullptr);
