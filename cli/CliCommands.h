#pragma once
// The commands of fluxa-cli. Each returns an ExitCode.

#include "cli/CliContext.h"

int RunAdapters(CCliContext& context);
int RunIdentify(CCliContext& context);
int RunInfo(CCliContext& context);
int RunErrors(CCliContext& context);
int RunValve(CCliContext& context);
int RunEeprom(CCliContext& context);
int RunFlash(CCliContext& context);
int RunRead(CCliContext& context);
int RunSave(CCliContext& context);
int RunApply(CCliContext& context);
int RunHistory(CCliContext& context);
#if defined(FLUXA_REPORT_COMMAND)
// Draws the PDF with Qt: only where the report library is built.
int RunReport(CCliContext& context);
#endif

int RunProducts(CCliContext& context);
int RunProduct(CCliContext& context);
int RunConfig(CCliContext& context);
int RunHex(CCliContext& context);
