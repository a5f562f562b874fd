#pragma once
// What every page of the main window shares: its size, the messages of the
// main window as virtual handlers, tooltips cut to 79 characters, and a
// fitting job behind the progress dialog.

#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

class CColorStatic;
class QPushButton;

class CPageBase : public QWidget {
    Q_OBJECT
public:
    // 482 by 302 dialog units.
    CPageBase(const char* szPageName, QWidget* pParent = nullptr);

    virtual void SetLanguage(int nLanguage) = 0;

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

    // Runs the job on the main window's worker, with the wait cursor.
    int RunJob(const std::function<int(std::string&)>& job, std::string& strError);

    std::map<int, std::string> m_mapToolTips;
};
