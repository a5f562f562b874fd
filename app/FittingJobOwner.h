#pragma once
// The one owner of the window's fitting jobs. Every job that talks to the
// fitting runs through it: on a worker thread, while the window keeps
// repainting and takes no input (the modal progress dialog, or its hour
// glass where the job names no step, and the wait cursor). The monitors'
// messages that arrive meanwhile are held and delivered afterwards, in
// order. Several jobs that belong together (the Next read, a write with its
// restart) run as one sequence: one hold, one progress dialog, input kept
// away between the jobs too.

#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

class CDlgProgress;

class CFittingJobOwner : public QObject {
    Q_OBJECT
public:
    using Job = std::function<int(std::string& strError)>;
    using MessageHandler = std::function<void(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam)>;

    // Held messages go to the handler when the last job or sequence ends.
    explicit CFittingJobOwner(MessageHandler deliver);

    void SetProgressDialog(CDlgProgress* pProgress) { m_pProgress = pProgress; }
    CDlgProgress* Progress() const { return m_pProgress; }

    // Runs the job on a worker and returns its result when it is done. nStep
    // is the progress step to show; 0 shows the hour glass alone, or keeps
    // what the sequence shows. A job never starts while another runs.
    int Run(int nStep, const Job& job, std::string& strError);

    // Whether a new job may start: false while a worker runs. Everything the
    // technician can start checks it first, so that a click that slipped
    // through while a job ran does nothing.
    bool CanStart() const { return !m_bWorkerRunning; }
    // A job or a sequence is under way.
    bool IsBusy() const { return !m_frames.empty(); }

    // Several jobs as one. A quiet sequence keeps its own step on show: the
    // jobs inside report no progress of their own.
    class CSequence {
    public:
        CSequence(CFittingJobOwner& owner, int nStep, bool bQuiet = false) : m_owner(owner) { m_owner.Push(nStep, bQuiet); }
        ~CSequence() { m_owner.Pop(); }
        CSequence(const CSequence&) = delete;
        CSequence& operator=(const CSequence&) = delete;

    private:
        CFittingJobOwner& m_owner;
    };

    // Progress from the worker, safe from any thread: the step in force and
    // the bar's position; the text line and position of a job with texts of
    // its own. Ignored inside a quiet sequence.
    void ReportProgress(int nStep, int nPosition);
    void ReportText(const std::string& strText, int nPosition);

    // Holds the message while a job or sequence is under way; false when it
    // is to be handled now.
    bool HoldMessage(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam);

    // Hides the progress dialog so that a message box is not hidden behind
    // it; a later job of the same sequence shows it again.
    void HideProgress();

signals:
    // A job's worker is about to start (the window's input is blocked).
    void JobStarted();

private:
    struct Frame {
        int nStep;
        bool bQuiet;
    };
    void Push(int nStep, bool bQuiet);
    void Pop();
    void ShowStep(int nStep);
    bool IsQuiet() const { return !m_frames.empty() && m_frames.back().bQuiet; }

    MessageHandler m_deliver;
    CDlgProgress* m_pProgress = nullptr;
    std::vector<Frame> m_frames;
    bool m_bWorkerRunning = false;
    std::deque<std::tuple<unsigned, std::uintptr_t, std::intptr_t>> m_heldMessages;
};
