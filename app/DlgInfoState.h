#pragma once
// The connection state panel: shown while the mouse rests on the work
// view's connection text, it tells the state with its icon, the product in
// force and, for a fitting that does not fit it, a warning.

#include "app/widgets/FCObjImage.h"

#include <QWidget>

class CColorStatic;

class CDlgInfoState : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 210;
    static constexpr QPoint kBottomRight{979, 657}; // in the main window's client area

    explicit CDlgInfoState(QWidget* pParent);

    void ShowState(int nState, int bShow);
    // The description of the product in force, written by the Next read.
    void SetProductLine(const QString& text);
    int GetState() const { return m_nState; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    CColorStatic* AddStatic(int nId);

    int m_nState = 0;
    FCObjImage m_imgState;
    CColorStatic* m_pCaption;
    CColorStatic* m_pConnection;
    CColorStatic* m_pProduct;
    CColorStatic* m_pWarning;
};
