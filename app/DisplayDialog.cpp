#include "app/DisplayDialog.h"

#include "app/AppGlobals.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <QCoreApplication>

#include <memory>

void CDisplayDialog::DestroyWindow()
{
    delete m_pWnd.data();
    m_pWnd = nullptr;
    OnClear();
}

int CDisplayDialog::Create(const std::string& strName, int nPageId, std::string& strError)
{
    strError.clear();
    if (m_pWnd != nullptr)
        DestroyWindow();
    m_strName = strName;
    QWidget* pPage = m_pHandler != nullptr && m_pHandler->GetPageFactory() ? m_pHandler->GetPageFactory()(nPageId) : nullptr;
    if (pPage == nullptr) {
        strError = FormatText(PickText("Can't create the dialog page with the name (%s)", "Der Dialog (%s) konnte nicht erstellt werden"),
                              strName.c_str());
        return Result::InvalidArgument;
    }
    pPage->setParent(m_pHandler->GetParentWnd());
    pPage->hide();
    m_pWnd = pPage;
    return Result::Ok;
}

int CDisplayDialogHandler::AddDialog(const std::string& strName, int nPageId, std::string& strError)
{
    auto pEntry = std::make_unique<CDisplayDialog>();
    pEntry->m_pHandler = this;
    int nResult = pEntry->Create(strName, nPageId, strError);
    if (nResult == Result::Ok)
        nResult = m_Dialogs.AddObjectByName(pEntry.get(), strError);
    if (nResult != Result::Ok) {
        if (QWidget* pWnd = pEntry->GetWnd())
            delete pWnd; // an entry that could not be registered leaves nothing behind
        return nResult;
    }
    m_lstDialogs.push_back(pEntry.release());
    return Result::Ok;
}

int CDisplayDialogHandler::GetDialog(const std::string& strName, CDisplayDialog*& pDialog, std::string& strError)
{
    return m_Dialogs.LookupObjectByName(strName, pDialog, MustExist, strError);
}

int CDisplayDialogHandler::ShowDialog(const std::string& strName, std::string& strError)
{
    if (EqualsNoCase(strName, m_strCurrentName))
        return Result::Ok;
    if (m_pCurrent != nullptr && m_pCurrent->GetWnd() != nullptr)
        m_pCurrent->GetWnd()->hide();
    CDisplayDialog* pFound = nullptr;
    const int nResult = m_Dialogs.LookupObjectByName(strName, pFound, MustExist, strError);
    if (nResult != Result::Ok)
        return nResult;
    m_pCurrent = pFound;
    QWidget* pPage = pFound->GetWnd();
    if (pPage != nullptr && m_pFrameWnd != nullptr) {
        const QPoint topLeft = m_pFrameWnd->mapTo(m_pParentWnd, QPoint(0, 0)) + QPoint(1, 1);
        pPage->move(topLeft);
        pPage->setEnabled(true);
        pPage->show();
        pPage->raise();
        m_strCurrentName = strName;
    }
    return Result::Ok;
}

int CDisplayDialogHandler::SendToAll(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam, std::string& strError)
{
    strError.clear();
    for (CDisplayDialog* pDialog : m_lstDialogs) {
        if (QWidget* pPage = pDialog->GetWnd()) {
            CWindowMessage message(nMessage, wParam, lParam);
            QCoreApplication::sendEvent(pPage, &message);
        }
    }
    return Result::Ok;
}

int CDisplayDialogHandler::SendToCurrent(unsigned nMessage, std::string& strError)
{
    strError.clear();
    if (m_pCurrent != nullptr && m_pCurrent->GetWnd() != nullptr) {
        CWindowMessage message(nMessage, 0, 0);
        QCoreApplication::sendEvent(m_pCurrent->GetWnd(), &message);
    }
    return Result::Ok;
}

void CDisplayDialogHandler::RemoveAll()
{
    for (CDisplayDialog* pDialog : m_lstDialogs)
        delete pDialog->GetWnd();
    m_lstDialogs.clear();
    m_Dialogs.RemoveAll(); // deletes the entries
    m_pCurrent = nullptr;
    m_strCurrentName.clear();
}
