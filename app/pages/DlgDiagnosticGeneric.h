#pragma once
// The diagnostics page: the fitting's error history with reading and
// clearing, and the valve's state with a switch by hand.

#include "app/pages/PageBase.h"
#include "app/widgets/FCObjImage.h"
#include "servicelog/ServiceRecord.h"
#include "workflow/FittingReadout.h"

class CColorStatic;
class CVelmorTPExt;
class QPushButton;

class CDlgDiagnosticGeneric : public CPageBase {
    Q_OBJECT
public:
    explicit CDlgDiagnosticGeneric(const CPageContext& context, QWidget* pParent = nullptr);
    void SetLanguage(int nLanguage) override;
    void ReadHistory();
    void ClearHistory();
    void SwitchValveByHand();
    const CErrorHistory& History() const { return m_history; }
    int ValveState() const { return m_nValveState; }

protected:
    bool event(QEvent* pEvent) override;
    void OnReadFromTarget() override;
    void OnEnableFittingOperations(bool bEnable) override;
    void OnValveState(std::intptr_t lParam) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void ArrangeControls();
    void UpdateErrorDisplay();
    void ShowHistory(const CErrorHistory& history);
    // Reads or clears the history behind the article check, records it and
    // shows what came back.
    using HistoryJob = int (*)(CVelmorTPExt& link, int nProductType, CErrorHistory& history, std::string& strError);
    void RunHistoryJob(HistoryJob job, ServiceEventKind eKind);

    CErrorHistory m_history;
    int m_nValveState = 1; // 1 closed, 2 open
    FCObjImage m_imgValve;
    CColorStatic* m_pLines[5];
    CColorStatic* m_pValveText;
    QPushButton* m_pRead;
    QPushButton* m_pClear;
    QPushButton* m_pValve;
};
