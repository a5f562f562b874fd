#pragma once
#include "workflow/FailureHints.h"

#include <string>

class QWidget;

// A modal message box with the text, the error icon and the title "Error" /
// "Fehler" in the tool's language.
void ShowErrorMessage(QWidget* pOwner, const std::string& strText);
// A Yes/No question with the question icon; true for Yes.
bool AskQuestion(QWidget* pOwner, const std::string& strCaption, const std::string& strText);
// The message for a configuration file that was not loaded: what is wrong
// with it in the tool's language, and the internal message, when there is
// one, on a detail line below.
std::string FileNotLoadedMessage(const std::string& strFileName, const std::string& strReason, const std::string& strDetail);
// The message for a configuration file that was not loaded, led by its own
// sentence: the settings shown stay.
std::string FileRefusedMessage(const std::string& strLead, const std::string& strDetail);
