#pragma once
// The commands of fluxa-cli. Each returns an ExitCode.

#include "cli/CliContext.h"

// What history and report say when the service record cannot be read.
constexpr const char* kNoServiceRecordHint =
    "--service-db <file> names the service record to read; the commands that reach a fitting make it and record into it.";
constexpr const char* kNoServiceRecordHintGerman =
    "--service-db <Datei> nennt das zu lesende Serviceprotokoll; die Befehle an einer Armatur legen es an und zeichnen darin auf.";

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
