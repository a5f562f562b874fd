#pragma once
// The information page: operating hours, switch counts and the installation
// record of the fitting, read on its button and after every Next read.

#include "app/pages/PageBase.h"
#include "workflow/FittingReadout.h"

class QPushButton;

class CDlgInfoGeneric : public CPageBase {
    Q_OBJECT
public:
    explicit CDlgInfoGeneric(const CPageContext& context, QWidget* pParent = nullptr);
    void SetLanguage(int nLanguage) override;
    void ReadInformation();
    const CFittingInformation& Information() const { return m_information; }
    // The installation record a settings page has just written.
    void ShowInstallation(const std::string& strInstaller, const std::string& strPlacement, const std::string& strDate);

protected:
    void OnReadFromTarget() override { ReadInformation(); }
    void OnEnableFittingOperations(bool bEnable) override;

private:
    void ArrangeControls();
    void ShowInformation();

    CFittingInformation m_information;
    QPushButton* m_pRead;
};
