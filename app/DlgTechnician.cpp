#include "app/DlgTechnician.h"

#include "app/AppGlobals.h"
#include "app/Controls.h"
#include "app/UiText.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>

bool AskTechnicianName(QWidget* pParent, QString& name)
{
    QDialog dialog(pParent);
    dialog.setObjectName(QStringLiteral("CDlgTechnician"));
    dialog.setWindowTitle(UiText("Technician", "Techniker"));
    dialog.setFont(DialogFont());
    dialog.setFixedSize(DluSize(200, 62));
    auto* pLabel = NewControl<QLabel>(&dialog, 1520, DluRect(7, 7, 186, 18));
    pLabel->setWordWrap(true);
    pLabel->setText(UiText("Your name, recorded with each service in the service record:",
                           "Ihr Name, der mit jedem Service im Serviceprotokoll aufgezeichnet wird:"));
    auto* pName = NewControl<QLineEdit>(&dialog, 1521, DluRect(7, 26, 186, 12));
    pName->setText(name);
    pName->setMaxLength(80);
    QPushButton* pOk = NewButton(&dialog, 1522, DluRect(47, 43, 70, 14));
    pOk->setText(QStringLiteral("OK"));
    pOk->setDefault(true);
    QPushButton* pCancel = NewButton(&dialog, 1523, DluRect(123, 43, 70, 14));
    pCancel->setText(UiText("Cancel", "Abbrechen"));
    QObject::connect(pOk, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(pCancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    name = pName->text().trimmed();
    return true;
}
