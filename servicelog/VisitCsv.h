#pragma once
// The visit list as CSV, the same for fluxa-cli history --csv and the
// window's export: one header line, then one line per visit, CRLF ends.

#include "servicelog/ServiceRecord.h"

#include <string>
#include <vector>

std::string VisitListCsv(const std::vector<CVisitSummary>& visits);
