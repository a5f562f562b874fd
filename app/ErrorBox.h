#pragma once
#include <string>

class QWidget;

// A modal message box with the text, the error icon and the title "Error" /
// "Fehler" in the tool's language.
void ShowErrorMessage(QWidget* pOwner, const std::string& strText);
// A Yes/No question with the question icon; true for Yes.
bool AskQuestion(QWidget* pOwner, const std::string& strCaption, const std::string& strText);
