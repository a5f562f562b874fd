#include "app/QtLanguage.h"

#include "common/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

void UseQtLanguage(int nLanguage)
{
    // Owned by the application: gone with it, made anew for the next one.
    static QPointer<QTranslator> pGerman;
    if (nLanguage == kLanguageEnglish) {
        if (pGerman != nullptr)
            QCoreApplication::removeTranslator(pGerman);
        return;
    }
    if (pGerman == nullptr) {
        pGerman = new QTranslator(QCoreApplication::instance());
        if (!pGerman->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete pGerman;
            return;
        }
    }
    QCoreApplication::removeTranslator(pGerman); // installed once, however often German is chosen
    QCoreApplication::installTranslator(pGerman);
}

QLocale LanguageLocale(int nLanguage)
{
    return nLanguage == kLanguageEnglish ? QLocale(QLocale::English, QLocale::UnitedKingdom) : QLocale(QLocale::German, QLocale::Germany);
}
