#include "app/Controls.h"

QString ControlName(int nId)
{
    return QStringLiteral("id%1").arg(nId);
}

QPushButton* NewButton(QWidget* pParent, int nId, const QRect& geometry)
{
    auto* pButton = NewControl<QPushButton>(pParent, nId, geometry);
    pButton->setAutoDefault(false);
    return pButton;
}
