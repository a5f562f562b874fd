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
// Needs a QGuiApplication: it draws the PDF.
int RunReport(CCliContext& context);

int RunProducts(CCliContext& context);
int RunProduct(CCliContext& context);
int RunConfig(CCliContext& context);
int RunHex(CCliContext& context);
