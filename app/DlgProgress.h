#pragma once
// The progress of a longer fitting job: a step text with a bar, or an hour
// glass turning at 25 frames a second for steps of unknown length. While it
// is shown it is modal: the main window takes no input.

#include "app/widgets/FCObjImage.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <string>

class CColorStatic;
class QProgressBar;

// The last step shown.
extern int g_nProgressStep;

class CDlgProgress : public QDialog {
    Q_OBJECT
public:
    static constexpr int kFrameIntervalMs = 40;

    explicit CDlgProgress(QWidget* pParent);

    void ShowProgress();
    void SetStep(int nStep);
    // The hour glass without a step text, for a job of no step of its own.
    void ShowHourGlass();
    void HideProgress();
    void StepIt();
    void SetPos(unsigned char byPosition);
    void SetText(const std::string& strText);
    int StartHourGlass(std::string& strError);
    int StopHourGlass(std::string& strError);

    // The step's text in the language of the program; empty for others.
    static std::string StepText(int nStep);
    static bool IsHourGlassStep(int nStep) { return nStep >= 5 && nStep <= 7; }

    bool IsHourGlassRunning() const { return m_bHourGlass && m_timer.isActive(); }
    int NextFrame() const { return m_nFrame; }
    // Frames drawn since the hour glass started, for the window's own checks.
    int FramesDrawn() const { return m_nFramesDrawn; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    // Closing the dialog would not end the job, only hand the window back
    // to input in the middle of it: the job's end hides it.
    void closeEvent(QCloseEvent* pEvent) override;
    void reject() override {}

private:
    void ShowSteps(int nStep, bool bHourGlass);
    void AdvanceFrame();
    QRect FrameRect() const;

    CColorStatic* m_pText;
    QProgressBar* m_pBar;
    std::array<FCObjImage, 12> m_imgHourGlass;
    QTimer m_timer;
    int m_nFrame = 0;
    int m_nShownFrame = -1; // the frame to draw, -1 none
    int m_nFramesDrawn = 0;
    bool m_bHourGlass = false;
};
