#include "app/DlgAbout.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/UiText.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"

#include <QPushButton>

#include <tuple>

namespace {

// The maker's block: labels follow the language, the values are fixed.
struct AboutLine {
    int nId;
    int x, y, nWidth, nHeight;
    const char* szEnglish;
    const char* szGerman;
    bool bBold;
};

constexpr AboutLine kLines[] = {
    {1001, 12, 10, 337, 14, "Fluxa USB, Version V2.15", "Fluxa USB, Version V2.15", true},
    {1010, 12, 32, 160, 9, "Manufacturer", "Hersteller", true},
    {1011, 12, 42, 160, 9, "VELMOR Armaturentechnik GmbH", "VELMOR Armaturentechnik GmbH", false},
    {1012, 12, 51, 160, 9, "Quellenstraße 14", "Quellenstraße 14", false},
    {1013, 12, 60, 160, 9, "D-79999 Wasserburg (fictitious)", "D-79999 Wasserburg (fiktiv)", false},
    {1014, 12, 72, 40, 9, "Phone:", "Telefon:", true},
    {1015, 54, 72, 118, 9, "+49 7999 0000-0", "+49 7999 0000-0", false},
    {1016, 12, 81, 40, 9, "Fax:", "Fax:", true},
    {1017, 54, 81, 118, 9, "+49 7999 0000-99", "+49 7999 0000-99", false},
    {1020, 186, 32, 163, 9, "Registered office", "Sitz der Gesellschaft", true},
    {1021, 186, 42, 163, 9, "Wasserburg, Local Court HRB 0000", "Wasserburg, Amtsgericht HRB 0000", false},
    {1022, 186, 54, 163, 9, "VAT identification number", "Umsatzsteuer-Identifikationsnummer", true},
    {1023, 186, 63, 163, 9, "DE 000 000 000", "DE 000 000 000", false},
    {1024, 186, 75, 163, 9, "Managing directors", "Geschäftsführung", true},
    {1025, 186, 84, 163, 9, "Dr. Lena Quell, Tom Brunner", "Dr. Lena Quell, Tom Brunner", false},
    {1030, 12, 102, 40, 9, "Mail:", "E-Mail:", true},
    {1032, 12, 113, 40, 9, "Web:", "Internet:", true},
    {1040, 12, 134, 337, 12, "Exclusion of warranty", "Gewährleistungsausschluss", true},
    {1041, 12, 150, 337, 110,
     "This program is provided to trained service personnel for setting up and testing VELMOR fittings. "
     "It is supplied as it is, without any warranty of fitness for a particular purpose. Settings written to a "
     "fitting change how it works: check the fitting after every change. VELMOR is not liable for damage caused by "
     "improper settings, interrupted transfers or the use of unsuitable firmware files, except where liability "
     "is mandatory by law.",
     "Dieses Programm wird geschultem Servicepersonal zum Einrichten und Prüfen von VELMOR-Armaturen "
     "überlassen. Es wird ohne Gewähr für die Eignung zu einem bestimmten Zweck geliefert. In eine Armatur "
     "geschriebene Einstellungen ändern ihre Arbeitsweise: prüfen Sie die Armatur nach jeder Änderung. VELMOR "
     "haftet nicht für Schäden durch unsachgemäße Einstellungen, abgebrochene Übertragungen oder ungeeignete "
     "Firmwaredateien, soweit nicht gesetzlich zwingend gehaftet wird.",
     false},
};

} // namespace

CDlgAbout::CDlgAbout(QWidget* pParent) : CLanguageDialog(pParent)
{
    setObjectName(QStringLiteral("CDlgAbout"));
    setFixedSize(DluSize(361, 301));
    setFont(DialogFont());
    setWindowIcon(QIcon(QStringLiteral(":/pictures/app_icon.png")));
    for (const AboutLine& line : kLines) {
        CColorStatic* pStatic = AddStatic(line.nId, DluRect(line.x, line.y, line.nWidth, line.nHeight), line.bBold);
        if (line.nId == 1040)
            pStatic->SetFontHeight(15);
        if (line.nId == 1041) {
            pStatic->setWordWrap(true);
            pStatic->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }
    }
    // The contact lines open their text when clicked.
    for (const auto& [nId, nY, szText] : {std::tuple{1031, 102, "service@velmor.example"}, std::tuple{1033, 113, "https://www.velmor.example"}}) {
        CColorStatic* pContact = AddStatic(nId, DluRect(54, nY, 200, 9));
        pContact->setText(QString::fromUtf8(szText));
        pContact->SetTextColor(QColor(0, 0, 192));
        pContact->SetClickable(true);
    }
    m_pClose = NewControl<QPushButton>(this, 1002, DluRect(155, 276, 50, 14));
    m_pClose->setAutoDefault(false);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::hide);
    SetLanguage(g_nLanguage);
}

CColorStatic* CDlgAbout::AddStatic(int nId, const QRect& geometry, bool bBold)
{
    auto* pStatic = NewControl<CColorStatic>(this, nId, geometry);
    pStatic->SetFontWeight(bBold);
    return pStatic;
}

void CDlgAbout::ShowAbout()
{
    if (parentWidget() != nullptr)
        move(parentWidget()->mapToGlobal(parentWidget()->rect().center()) - rect().center());
    m_pClose->setEnabled(true);
    m_pClose->show();
    show();
    raise();
    activateWindow();
}

void CDlgAbout::SetLanguage(int nLanguage)
{
    setWindowTitle(UiText(nLanguage, "Info about Fluxa USB", "Info über Fluxa USB"));
    m_pClose->setText(UiText(nLanguage, "Close", "Schließen"));
    for (const AboutLine& line : kLines)
        ChildById<CColorStatic>(this, line.nId)->setText(UiText(nLanguage, line.szEnglish, line.szGerman));
}
