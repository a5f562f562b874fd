#pragma once
// What the technician is told when something fails: a sentence in the
// chosen language that names what failed and says what to do, ahead of the
// core's own text (which may be English only and name internal functions).
// fluxa-cli and the window give the same hints.

#include <string>

class CFirmwareDownload;

// Where the technician repeats what failed.
enum class HintAudience { CommandLine, Window };

// The hint for a failed fitting job, by its result and the core's text;
// empty when the core's text says all there is.
std::string FailureHint(int nResult, const std::string& strError, HintAudience eAudience);

// The text with the internal one, when there is one, on a detail line below.
std::string WithDetails(const std::string& strText, const std::string& strDetail);

// The hint with the core's text as detail, or the core's text alone.
std::string JobFailureMessage(int nResult, const std::string& strError, HintAudience eAudience);

// No bus adapter among the USB devices.
const char* NoAdapterFoundText();

// A configuration file whose article number no product definition knows.
std::string UnknownArticleOfFile(const std::string& strFileName, const std::string& strArticleNumber);

// A firmware file that could not be opened or read, by its name; the
// core's text as detail.
std::string UnreadableFirmwareFileMessage(const std::string& strPath, const std::string& strError);

// Why the firmware file just chosen (CFirmwareDownload::ChooseFile) was
// refused for the product type in force: the file by its name, and the
// family it is for beside the connected fitting's; the core's text as
// detail.
std::string FirmwareFileMessage(const CFirmwareDownload& download, const std::string& strPath, int nProductType,
                                const std::string& strError);
