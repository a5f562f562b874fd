#include "app/pages/PageBase.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/ErrorBox.h"
#include "app/FittingJobOwner.h"
#include "app/UiText.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "workflow/FailureHints.h"

#include <QFrame>
#include <QPushButton>

CPageBase::CPageBase(const char* szPageName, const CPageContext& context, QWidget* pParent) : QWidget(pParent), m_context(context)
{
    setObjectName(QString::fromUtf8(szPageName));
    setFixedSize(DluSize(482, 302));
    setFont(DialogFont());
}

bool CPageBase::event(QEvent* pEvent)
{
    const unsigned nMessage = CWindowMessage::MessageOf(pEvent);
    if (nMessage == 0)
        return QWidget::event(pEvent);
    const auto* pMessage = static_cast<const CWindowMessage*>(pEvent);
    switch (nMessage) {
    case kWmReadFromTarget:
        OnReadFromTarget();
        break;
    case kWmLanguageChanged:
        SetLanguage(g_nLanguage);
        break;
    case kWmValveStateMsg:
        OnValveState(pMessage->lParam);
        break;
    case kWmEnableFittingOperations:
        OnEnableFittingOperations(pMessage->lParam != 0);
        break;
    default:
        break;
    }
    return true;
}

CColorStatic* CPageBase::AddStatic(int nId, int nPixels, bool bBold)
{
    auto* pStatic = NewControl<CColorStatic>(this, nId);
    pStatic->setFont(DialogFont(nPixels, bBold));
    pStatic->setAlignment(Qt::AlignLeft | Qt::AlignTop); // rows of different heights share their top line
    return pStatic;
}

QPushButton* CPageBase::AddButton(int nId)
{
    return NewButton(this, nId);
}

QWidget* CPageBase::AddLine(int nId)
{
    auto* pLine = NewControl<QFrame>(this, nId);
    pLine->setFrameShape(QFrame::HLine);
    pLine->setFrameShadow(QFrame::Sunken);
    return pLine;
}

void CPageBase::SetToolTip(QWidget* pControl, int nId, const char* szEnglish, const char* szGerman)
{
    m_mapToolTips.Set(pControl, nId, UiText(szEnglish, szGerman));
}

void CPageBase::ShowJobError(int nResult, const std::string& strError) const
{
    ShowJobMessage(JobFailureMessage(nResult, strError, HintAudience::Window));
}

void CPageBase::ShowJobMessage(const std::string& strText) const
{
    Jobs().HideProgress();
    ShowErrorMessage(window(), strText);
}
