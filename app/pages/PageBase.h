#pragma once
// What every page of the main window shares: its size, the messages of the
// main window as virtual handlers, tooltips cut to 79 characters, and the
// owner of the window's fitting jobs.

#include <QWidget>

#include <cstdint>
#include <map>
#include <string>

class CColorStatic;
class CFittingJobOwner;
class QPushButton;

class CPageBase : public QWidget {
    Q_OBJECT
public:
    // 482 by 302 dialog units.
    CPageBase(const char* szPageName, QWidget* pParent = nullptr);

    virtual void SetLanguage(int nLanguage) = 0;

    // Every fitting job of a page runs through it.
    static CFittingJobOwner& Jobs();

protected:
    bool event(QEvent* pEvent) override;
    virtual void OnReadFromTarget() {}
    virtual void OnEnableFittingOperations(bool) {}
    virtual void OnValveState(std::intptr_t) {}

    // A static of the page with its id and font.
    CColorStatic* AddStatic(int nId, int nPixels = 11, bool bBold = false);
    // A push button of the page with its id; Enter does not press it.
    QPushButton* AddButton(int nId);
    // A separator line (a sunken frame two pixels high).
    QWidget* AddLine(int nId);
    void SetToolTip(QWidget* pControl, int nId, const char* szEnglish, const char* szGerman);

    // A failed job's message, with the progress dialog out of its way.
    static void ShowJobError(const std::string& strError);

    std::map<int, std::string> m_mapToolTips;
};
