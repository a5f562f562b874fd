#pragma once
// Qt's own texts in the window's language: the standard buttons of message
// boxes, the file dialogs, the calendar.

#include <QLocale>

// Installs Qt's German translation for German and removes it for English.
// Without the translation files Qt's English texts stay; the start goes on.
void UseQtLanguage(int nLanguage);

// The locale of a language of the tool (dates, month and day names).
QLocale LanguageLocale(int nLanguage);
