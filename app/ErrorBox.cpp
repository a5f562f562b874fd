#include "app/ErrorBox.h"

#include "common/Language.h"
#include "common/TextFormat.h"

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

std::string FileNotLoadedMessage(const std::string& strFileName, const std::string& strReason, const std::string& strDetail)
{
    return FileRefusedMessage(FormatText(PickText("The configuration file \"%s\" was not loaded: %s", "Die Konfigurationsdatei \"%s\" wurde nicht geladen: %s"),
                                         strFileName.c_str(), strReason.c_str()),
                              strDetail);
}

std::string FileRefusedMessage(const std::string& strLead, const std::string& strDetail)
{
    return WithDetails(strLead + PickText("\n\nThe settings shown stay as they are.", "\n\nDie angezeigten Einstellungen bleiben unverändert."), strDetail);
}
