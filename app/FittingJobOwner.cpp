#include "app/FittingJobOwner.h"

#include "app/DlgProgress.h"
#include "common/Language.h"
#include "common/ResultCodes.h"

#include <QApplication>
#include <QEventLoop>

#include <thread>

CFittingJobOwner::CFittingJobOwner(MessageHandler deliver) : m_deliver(std::move(deliver))
{
}

void CFittingJobOwner::ShowStep(int nStep)
{
    if (m_pProgress == nullptr)
        return;
    if (nStep == 0)
        m_pProgress->ShowHourGlass();
    else
        m_pProgress->SetStep(nStep);
}

void CFittingJobOwner::Push(int nStep, bool bQuiet)
{
    const bool bOutermost = m_frames.empty();
    const bool bQuietAbove = IsQuiet();
    // Inside a quiet sequence, or for a job without a step of its own, the
    // step on show stays.
    const int nShown = bOutermost || (!bQuietAbove && nStep != 0) ? nStep : m_frames.back().nStep;
    if (bOutermost)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    // Shown again where a message box in between hid it.
    if (bOutermost || nShown != m_frames.back().nStep || (m_pProgress != nullptr && !m_pProgress->isVisible()))
        ShowStep(nShown);
    m_frames.push_back({nShown, bQuiet || bQuietAbove});
}

void CFittingJobOwner::Pop()
{
    m_frames.pop_back();
    if (!m_frames.empty())
        return;
    if (m_pProgress != nullptr)
        m_pProgress->HideProgress();
    QApplication::restoreOverrideCursor();
    while (!m_heldMessages.empty() && m_frames.empty()) {
        const auto [nMessage, wParam, lParam] = m_heldMessages.front();
        m_heldMessages.pop_front();
        m_deliver(nMessage, wParam, lParam);
    }
}

int CFittingJobOwner::Run(int nStep, const Job& job, std::string& strError)
{
    if (m_bWorkerRunning) {
        strError = PickText("CFittingJobOwner::Run: another job is still running", "CFittingJobOwner::Run: Ein anderer Auftrag läuft noch");
        return Result::MissingPrecondition;
    }
    CSequence frame(*this, nStep);
    m_bWorkerRunning = true;
    emit JobStarted();
    int nResult = Result::Ok;
    std::string strJobError;
    QEventLoop loop;
    std::thread worker([&] {
        nResult = job(strJobError);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(); // paints, turns the hour glass; input goes to the modal progress dialog
    worker.join();
    m_bWorkerRunning = false;
    strError = strJobError;
    return nResult;
}

void CFittingJobOwner::ReportProgress(int nStep, int nPosition)
{
    QMetaObject::invokeMethod(this, [this, nStep, nPosition] {
        if (IsQuiet() || m_pProgress == nullptr)
            return;
        if (g_nProgressStep != nStep || !m_pProgress->isVisible())
            m_pProgress->SetStep(nStep);
        m_pProgress->SetPos(static_cast<unsigned char>(nPosition));
    });
}

void CFittingJobOwner::ReportText(const std::string& strText, int nPosition)
{
    QMetaObject::invokeMethod(this, [this, strText, nPosition] {
        if (IsQuiet() || m_pProgress == nullptr)
            return;
        m_pProgress->SetText(strText);
        m_pProgress->SetPos(static_cast<unsigned char>(nPosition));
    });
}

bool CFittingJobOwner::HoldMessage(unsigned nMessage, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (!IsBusy())
        return false;
    m_heldMessages.emplace_back(nMessage, wParam, lParam);
    return true;
}

void CFittingJobOwner::HideProgress()
{
    if (m_pProgress != nullptr)
        m_pProgress->HideProgress();
}
