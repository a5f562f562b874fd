#include "app/LanguageDialog.h"

#include "app/AppGlobals.h"
#include "common/Language.h"

bool CLanguageDialog::event(QEvent* pEvent)
{
    if (CWindowMessage::MessageOf(pEvent) != kWmLanguageChanged)
        return QDialog::event(pEvent);
    SetLanguage(g_nLanguage);
    return true;
}
