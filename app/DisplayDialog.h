#pragma once
// The page registry: the main window's pages by name, each created once as
// a hidden child, one shown at a time in the page frame, and messages sent
// synchronously to the page shown or to every page in the order they were
// added.

#include "configdata/HashedObjects.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CDisplayDialogHandler;

// Makes a new page widget for a page id, or nullptr for an unknown id. The
// main window installs its factory.
using PageFactory = std::function<QWidget*(int nPageId)>;

class CDisplayDialog {
public:
    CDisplayDialog() = default;
    virtual ~CDisplayDialog() = default;
    CDisplayDialog(const CDisplayDialog&) = default;
    // Copies the name and both pointers: the window stays one, destroyed by
    // the registry that owns the entry.
    CDisplayDialog& operator=(const CDisplayDialog&) = default;

    virtual void OnClear() {}
    virtual int Create(const std::string& strName, int nPageId, std::string& strError);
    virtual QWidget* GetWnd() const { return m_pWnd; }
    std::string GetName() const { return m_strName; }

    CDisplayDialogHandler* m_pHandler = nullptr;

private:
    void DestroyWindow();
    std::string m_strName;
    QPointer<QWidget> m_pWnd;
};

class CDisplayDialogHandler {
public:
    virtual ~CDisplayDialogHandler() { RemoveAll(); }

    virtual void SetParentWnd(QWidget* pParent) { m_pParentWnd = pParent; }
    virtual QWidget* GetParentWnd() const { return m_pParentWnd; }
    virtual void SetFrameWnd(QWidget* pFrame) { m_pFrameWnd = pFrame; }
    virtual QWidget* GetFrameWnd() const { return m_pFrameWnd; }
    void SetPageFactory(PageFactory factory) { m_factory = std::move(factory); }
    const PageFactory& GetPageFactory() const { return m_factory; }

    virtual int AddDialog(const std::string& strName, int nPageId, std::string& strError);
    virtual int GetDialog(const std::string& strName, CDisplayDialog*& pDialog, std::string& strError);
    virtual int ShowDialog(const std::string& strName, std::string& strError);
    virtual int SendToAll(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam, std::string& strError);
    virtual int SendToAll(unsigned nMessage, std::string& strError) { return SendToAll(nMessage, 0, 0, strError); }
    virtual int SendToCurrent(unsigned nMessage, std::string& strError);
    // Destroys every page and entry.
    virtual void RemoveAll();

    // The pages in the order they were added.
    const std::vector<CDisplayDialog*>& Dialogs() const { return m_lstDialogs; }
    CDisplayDialog* GetCurrent() const { return m_pCurrent; }

private:
    CHashedObjects<CDisplayDialog> m_Dialogs;
    std::vector<CDisplayDialog*> m_lstDialogs;
    QWidget* m_pParentWnd = nullptr;
    QWidget* m_pFrameWnd = nullptr;
    CDisplayDialog* m_pCurrent = nullptr;
    std::string m_strCurrentName;
    PageFactory m_factory;
};
