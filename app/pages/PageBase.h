#pragma once
// What every page of the main window shares: its size, the messages of the
// main window as virtual handlers, tooltips cut to 79 characters, and what it
// works with: the product in force, the owner of the window's fitting jobs,
// the recent names, the file dialogs and the service record.

#include "app/UiText.h"

#include <QWidget>

#include <cstdint>
#include <map>
#include <string>

class CColorStatic;
class CFileChooser;
class CFittingJobOwner;
class CProductSession;
class CRecentNames;
class CServiceRecorder;
class QPushButton;

// What the main window gives each page; all outlive the pages.
struct CPageContext {
    CProductSession& session;
    CFittingJobOwner& jobs;
    CRecentNames& recentNames;
    CFileChooser& files;
    CServiceRecorder& recorder;
};

class CPageBase : public QWidget {
    Q_OBJECT
public:
    // 482 by 302 dialog units.
    CPageBase(const char* szPageName, const CPageContext& context, QWidget* pParent = nullptr);

    virtual void SetLanguage(int nLanguage) = 0;

    CProductSession& Session() const { return m_context.session; }
    // Every fitting job of a page runs through it.
    CFittingJobOwner& Jobs() const { return m_context.jobs; }
    CRecentNames& RecentNames() const { return m_context.recentNames; }
    // The file dialogs, each starting in the folder used last.
    CFileChooser& Files() const { return m_context.files; }
    // Where the page records what its jobs read and changed, after each job.
    CServiceRecorder& Recorder() const { return m_context.recorder; }

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

    // A failed job's message, led by the hint for its result.
    void ShowJobError(int nResult, const std::string& strError) const;
    // A message about a job, with the progress dialog out of its way.
    void ShowJobMessage(const std::string& strText) const;

    CToolTipMap m_mapToolTips;

private:
    CPageContext m_context;
};
