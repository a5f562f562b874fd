#pragma once
// The firmware page of service mode: choose an Intel HEX image and program
// it into the connected fitting's flash through its boot loader.

#include "app/pages/PageBase.h"
#include "firmware/FirmwareDownload.h"
#include "workflow/FittingReadout.h"

#include <functional>
#include <string>

class CColorStatic;
class QCheckBox;
class QPushButton;

class CDlgTools : public CPageBase {
    Q_OBJECT
public:
    explicit CDlgTools(const CPageContext& context, QWidget* pParent = nullptr);
    void SetLanguage(int nLanguage) override;

    // Select: the file dialog, then ChooseFile with the path picked.
    void SelectFile();
    // Loads and checks the image for the product in force; a file that is
    // not programmable disables Start and is explained in an error box.
    void ChooseFile(const QString& path);
    // Start programming: asks, naming the version the fitting runs and the
    // image's; then the download behind the progress dialog, and the fitting
    // is identified again.
    void StartProgramming();

    // The answer to the question before programming; tests answer it
    // instead of a person (unset: the question box).
    std::function<bool(const std::string& strQuestion)> m_askToProgram;

signals:
    // A step of the download as the progress dialog has just shown it.
    void ProgressShown(const QString& text, int nPercent);
    // An image was written, within the download's job sequence: the window
    // identifies what answers now, whatever it is, and opens its pages.
    void ImageWritten();

private:
    // How a download ended: refused before anything was sent, failed with
    // the application still running or cut short (the fitting waits in its
    // boot loader), written but not confirmed by what answers afterwards, or
    // programmed.
    enum class DownloadEnd { Refused, ApplicationKept, CutShort, NotConfirmed, Programmed };
    // The unit before the download and what answers after it.
    struct CProgrammedUnit {
        CFittingIdentity before;
        CFittingIdentity after;
        bool bAnswered = false;
    };
    // On the job's worker: the download, the identification after it, and
    // the check that the unit programmed runs the image's version.
    int Program(int nProductType, const std::string& strImageVersion, DownloadEnd& eEnd, CProgrammedUnit& unit, std::string& strError);
    // The download into the service record, for the unit programmed.
    void RecordDownload(const QString& path, const CProgrammedUnit& unit, int nResult, const std::string& strError) const;
    void ReportDownloadEnd(DownloadEnd eEnd, int nResult, const std::string& strError) const;
    void ArrangeControls();
    // Select and the texts it governs follow the check box.
    void ApplyManualProgramming();
    // The path of the file Start programs, and what the image is beside what
    // the fitting runs; the latter only while there is such a file.
    void ShowChosenFile();
    void ArrangeImageInfo(int nTop);
    QString RunningVersionText() const;
    bool ConfirmProgramming() const;
    void ShowProgress(const std::string& strText, int nPercent);

    CFirmwareDownload m_Download;
    QString m_strChosenPath; // the file Start programs; empty for none
    CColorStatic* m_pTitle;
    CColorStatic* m_pPath;
    QCheckBox* m_pManual;
    QPushButton* m_pSelect;
    QPushButton* m_pStart;
    // Label and value of the image's version, family and size and of the
    // version the fitting runs.
    static constexpr int kInfoRows = 4;
    CColorStatic* m_pInfo[2 * kInfoRows] = {};
};
