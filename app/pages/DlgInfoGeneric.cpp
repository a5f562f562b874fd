#include "app/pages/DlgInfoGeneric.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/FittingJobOwner.h"
#include "app/ErrorBox.h"
#include "app/ProductSession.h"
#include "app/ServiceRecorder.h"
#include "app/UiText.h"
#include "app/WindowColors.h"
#include "app/widgets/ColorControls.h"
#include "app/widgets/ControlElements.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "devicelink/VelmorTPExt.h"
#include "workflow/ServiceRecording.h"

#include <QPushButton>

#include <memory>
#include <vector>

namespace {

// The page's texts: id, English, German.
struct PageText {
    int nId;
    const char* szEnglish;
    const char* szGerman;
};
constexpr PageText kTexts[] = {{1044, "Operation hours", "Betriebsstunden"},
                               {1049, "h total", "h gesamt"},
                               {1055, "h since last reset", "h seit letzter Stromunterbrechung"},
                               {1057, "Switch count", "Auslösung"},
                               {1061, "total", "gesamt"},
                               {1065, "since last reset", "seit letzter Stromunterbrechung"},
                               {1067, "Installation", "Installation"},
                               {1069, "Date:", "Datum:"},
                               {1074, "Installer:", "Installateur:"},
                               {1078, "Placement:", "Einsatzort:"}};
constexpr int kHeadlines[] = {1044, 1057, 1067};
constexpr int kValues[] = {1047, 1052, 1059, 1063, 1094, 1096, 1099};

} // namespace

CDlgInfoGeneric::CDlgInfoGeneric(const CPageContext& context, QWidget* pParent) : CPageBase("InfoGeneric", context, pParent)
{
    for (const PageText& text : kTexts)
        AddStatic(text.nId);
    for (int nId : kHeadlines)
        ChildById<CColorStatic>(this, nId)->setFont(DialogFont(12, true));
    for (int nId : kValues) {
        CColorStatic* pValue = AddStatic(nId);
        pValue->SetTextColor(kDarkRed);
    }
    for (int nId : {1047, 1052, 1059, 1063}) {
        auto* pCounter = ChildById<CColorStatic>(this, nId);
        pCounter->setAlignment(Qt::AlignRight | Qt::AlignTop);
        pCounter->setText(QStringLiteral("0"));
    }
    for (int nId : {1236, 1237, 1238})
        AddLine(nId);
    m_pRead = AddButton(1081);
    m_pRead->setFont(g_fontSmall);
    m_pRead->setGeometry(width() - 221, height() - 46, 200, 25);
    connect(m_pRead, &QPushButton::clicked, this, &CDlgInfoGeneric::ReadInformation);
    SetLanguage(g_nLanguage);
    ArrangeControls();
}

void CDlgInfoGeneric::SetLanguage(int nLanguage)
{
    for (const PageText& text : kTexts)
        ChildById<CColorStatic>(this, text.nId)->setText(UiText(nLanguage, text.szEnglish, text.szGerman));
    m_pRead->setText(UiText(nLanguage, "Read faucet settings", "Daten auslesen"));
    SetToolTip(m_pRead, 1081, "Read the current settings from the faucet", "Liest die aktuellen Einstellungen aus der Armatur");
}

void CDlgInfoGeneric::ArrangeControls()
{
    const auto child = [this](int nId) { return ChildById(this, nId); };
    // Three groups in the left column: title, line, then value-and-unit or
    // label-and-value rows.
    const int nGroups[3][2] = {{1044, 1236}, {1057, 1237}, {1067, 1238}};
    const int nRows[3][3][2] = {{{1047, 1049}, {1052, 1055}, {0, 0}},
                                {{1059, 1061}, {1063, 1065}, {0, 0}},
                                {{1069, 1094}, {1074, 1096}, {1078, 1099}}};
    QPoint next(PageGeometry::kFirstColumnLeft, PageGeometry::kColumnTop / 2);
    for (int nGroup = 0; nGroup < 3; ++nGroup) {
        CControlOption group(width());
        group.SetTitle(child(nGroups[nGroup][0]));
        group.SetLine(child(nGroups[nGroup][1]));
        group.SetPosition(next.x(), next.y());
        group.Arrange();
        std::vector<std::unique_ptr<CControlLabelAndLabel>> rows;
        for (const auto& row : nRows[nGroup]) {
            if (row[0] == 0)
                continue;
            auto element = std::make_unique<CControlLabelAndLabel>(width());
            element->SetLabel(child(row[0]));
            element->SetValue(child(row[1]));
            group.AddElement(element.get());
            rows.push_back(std::move(element));
        }
        group.EndGroup();
        next = group.GetNextPosition();
    }
}

void CDlgInfoGeneric::OnEnableFittingOperations(bool bEnable)
{
    m_pRead->setEnabled(bEnable);
}

void CDlgInfoGeneric::ShowInformation()
{
    const auto set = [this](int nId, const QString& text) { ChildById<CColorStatic>(this, nId)->setText(text); };
    set(1047, QString::number(m_information.nHoursTotal));
    set(1052, QString::number(m_information.nHoursSinceReset));
    set(1059, QString::number(m_information.llSwitchCountTotal));
    set(1063, QString::number(m_information.llSwitchCountSinceReset));
    set(1094, QString::fromStdString(m_information.strInstallationDate));
    set(1096, QString::fromStdString(m_information.strInstaller));
    set(1099, QString::fromStdString(m_information.strPlacement));
}

void CDlgInfoGeneric::ShowInstallation(const std::string& strInstaller, const std::string& strPlacement, const std::string& strDate)
{
    m_information.strInstaller = strInstaller;
    m_information.strPlacement = strPlacement;
    m_information.strInstallationDate = strDate;
    ShowInformation();
}

void CDlgInfoGeneric::ReadInformation()
{
    if (!Jobs().CanStart())
        return;
    // Fields read before a failure take their new values, the others keep theirs.
    CFittingInformation information = m_information;
    CProductSession& session = Session();
    CFittingJobOwner& jobs = Jobs();
    const int nProductType = session.ProductType();
    std::string strError;
    const int nResult = jobs.Run(3, [&](std::string& strJobError) {
        int nJobResult = session.CheckArticleNumber(strJobError);
        if (nJobResult == Result::Ok)
            nJobResult = ReadFittingInformation(session.Link(), nProductType, information, strJobError,
                                                [&jobs](int nPercent) { jobs.ReportProgress(3, nPercent); });
        return nJobResult;
    }, strError);
    Recorder().Record(ServiceEventKind::OperatingData, nResult, strError,
                      nResult == Result::Ok ? OperatingDataItems(information) : std::vector<CServiceItem>());
    m_information = information;
    ShowInformation();
    if (nResult != Result::Ok)
        ShowJobError(nResult, strError);
}
