#pragma once
// What the commands that talk to a fitting share: the open link to the
// identified fitting, connecting, failures with hints, and the question.

#include "cli/CliContext.h"
#include "devicelink/VelmorTPExt.h"
#include "servicelog/ServiceLog.h"
#include "workflow/FittingReadout.h"
#include "workflow/ProductCatalog.h"

#include <string>

// The open link to the identified fitting of one command.
struct CFittingSession {
    CVelmorTPExt link;
    CProductCatalog catalog;
    std::string strCatalogError; // empty when every definition loaded
    CFittingIdentity identity;
    CAdapterDevice adapter; // the one opened
    CServiceLog serviceLog;
    bool bStartVisit = true; // false: Connect leaves the service record alone
    CServiceVisit visit;     // this command's visit in the service record
    const CCliContext* pContext = nullptr; // the command's, set by Connect
};

// Opens the chosen adapter and identifies the fitting. With bNeedDefinition
// an article number without product definition is a failure.
int Connect(const CCliContext& context, CFittingSession& session, bool bNeedDefinition);
// What a command did with the unit, for the service record; a record that
// cannot be kept is a warning on standard error, never a failure.
void RecordVisit(CFittingSession& session, ServiceEventKind eKind, int nResult, const std::string& strMessage,
                 std::vector<CServiceItem> items);
void RecordVisit(CFittingSession& session, CServiceEvent event);
// A failed fitting job: the message of the core, then what to do about it.
int FailJob(const CCliContext& context, int nResult, const std::string& strError);
// Asks on the terminal; false without one.
bool Confirm(const char* szQuestion);
