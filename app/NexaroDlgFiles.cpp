// The main window opening and saving configuration files.

#include "app/NexaroDlg.h"

#include "app/AppGlobals.h"
#include "app/ConfigurationFileCheck.h"
#include "app/ErrorBox.h"
#include "app/widgets/ColorControls.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "devicelink/VelmorTPExt.h"

#include <QFileInfo>

namespace {

// Said before the page switches: the file of another product than the
// connected fitting's can be looked at and saved, but not written to it.
void WarnIfFileDoesNotFit(QWidget* pOwner, CVelmorTPExt& link, const QString& path, const std::string& strFileArticle)
{
    const std::string strConnected = link.GetArticleNumber();
    if (link.GetConnectionState() == kConnectionNoFitting || strConnected.empty() || strConnected == strFileArticle)
        return;
    ShowErrorMessage(pOwner, FormatText(PickText("The configuration file \"%s\" does not fit the connected faucet: it is for article number %s, "
                                                 "the faucet has %s. To write the file, connect a faucet with article number %s.",
                                                 "Die Konfigurationsdatei \"%s\" passt nicht zur angeschlossenen Armatur: Sie ist für die Artikelnummer "
                                                 "%s, die Armatur hat %s. Um die Datei zu schreiben, schließen Sie eine Armatur mit der Artikelnummer %s an."),
                                        QFileInfo(path).fileName().toStdString().c_str(), FormatArticleNumber(strFileArticle).c_str(),
                                        FormatArticleNumber(strConnected).c_str(), FormatArticleNumber(strFileArticle).c_str()));
}

} // namespace

void CNexaroDlg::OpenConfigurationFile()
{
    if (!m_session.Config().GetArticleNumber().empty()
        && !AskQuestion(this, PickText("Override the settings", "Überschreiben der aktuellen Einstellungen"),
                        PickText("Do you want to override the current settings?",
                                 "Durch das Laden wird die aktuelle Konfiguration überschrieben.\nMöchten Sie fortfahren?")))
        return;
    const QString path = m_chooseOpenFile ? m_chooseOpenFile()
                                          : m_files.ChooseOpenFile(this, CFileChooser::kConfiguration,
                                                                   UiText("Configuration files (*.xml)", "Konfigurationsdateien (*.xml)"));
    if (path.isEmpty())
        return;
    // Checked whole before anything changes: the product in force and the
    // page stay as they were when the file is refused.
    std::string strError;
    CToolConfigXML file;
    CDeviceConfig definition;
    if (ReadConfigurationFor(path, m_session.Catalog(), m_Pages, file, definition, strError) != Result::Ok) {
        ShowErrorMessage(this, strError);
        return;
    }
    WarnIfFileDoesNotFit(this, m_link, path, file.GetConfig().GetArticleNumber());
    m_session.LoadedFile().GetConfig() = file.GetConfig();
    m_session.SetCurrentConfig(definition);
    int nResult = m_session.SelectProduct(definition.GetConfigSheet(), strError);
    if (nResult == Result::Ok)
        nResult = LoadProductPicture(strError);
    if (nResult == Result::Ok) {
        SetViewMode(kWorkView);
        ShowDescriptions();
        m_pCanvas->m_stcArticleNumber->setText(QString::fromStdString(FormatArticleNumber(m_session.LoadedFile().GetConfig().GetArticleNumber())));
        m_Pages.SendToAll(kWmConfigurationLoaded, strError);
        EnableFittingOperations(true);
    }
    if (nResult != Result::Ok)
        ShowErrorMessage(this, strError);
}

void CNexaroDlg::SaveConfigurationFile()
{
    std::string strError;
    if (m_session.Config().GetArticleNumber().empty()) {
        ShowErrorMessage(this, PickText("Can't save the settings.\n\nLoad a configuration file first or read the settings from the target.",
                                        "Die Einstellungen können nicht gespeichert werden.\n\nLaden Sie zunächst eine Konfigurationsdatei oder \nlesen Sie die aktuellen Einstellungen aus dem Produkt aus"));
        return;
    }
    m_Pages.SendToAll(kWmSaveConfiguration, strError);
}
