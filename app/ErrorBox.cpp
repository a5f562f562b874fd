#include "app/ErrorBox.h"

#include "common/Language.h"

#include <QMessageBox>

void ShowErrorMessage(QWidget* pOwner, const std::string& strText)
{
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(PickText("Error", "Fehler")), QString::fromStdString(strText),
                    QMessageBox::Ok, pOwner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool AskQuestion(QWidget* pOwner, const std::string& strCaption, const std::string& strText)
{
    QMessageBox box(QMessageBox::Question, QString::fromStdString(strCaption), QString::fromStdString(strText),
                    QMessageBox::Yes | QMessageBox::No, pOwner);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
