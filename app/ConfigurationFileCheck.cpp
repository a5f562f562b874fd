#include "app/ConfigurationFileCheck.h"

#include "app/DisplayDialog.h"
#include "app/ErrorBox.h"
#include "app/pages/SettingsPage.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"
#include "configdata/ToolConfigXML.h"
#include "devicelink/VelmorTPExt.h"
#include "workflow/ProductCatalog.h"

#include <QFileInfo>

int ReadConfigurationFor(const QString& path, CProductCatalog& catalog, const CDisplayDialogHandler& pages, CToolConfigXML& file,
                         CDeviceConfig& definition, std::string& strError)
{
    const std::string strFileName = QFileInfo(path).fileName().toStdString();
    std::string strDetail;
    int nResult = file.ReadConfigurationFile(path.toStdString(), strDetail);
    if (nResult != Result::Ok) {
        strError = FileNotLoadedMessage(strFileName, PickText("it can't be read.", "Sie kann nicht gelesen werden."), strDetail);
        return nResult;
    }
    const std::string strArticle = file.GetConfig().GetArticleNumber();
    if (!catalog.FindDefinition(strArticle, definition)) {
        strError = FileRefusedMessage(UnknownArticleOfFile(strFileName, FormatArticleNumber(strArticle)), {});
        return Result::InvalidArgument;
    }
    if (file.GetConfig().GetConfigSheet() != definition.GetConfigSheet()) {
        strError = FileNotLoadedMessage(strFileName, FormatText(PickText("it holds settings of the product type \"%s\", but article %s is a \"%s\".",
                                                                         "Sie enthält Einstellungen des Produkttyps \"%s\", Artikel %s ist aber ein \"%s\"."),
                                                                file.GetConfig().GetConfigSheet().c_str(), FormatArticleNumber(strArticle).c_str(),
                                                                definition.GetConfigSheet().c_str()), {});
        return Result::InvalidArgument;
    }
    const int nProductType = catalog.FindProductTypeForArticle(strArticle);
    for (CDisplayDialog* pPage : pages.Dialogs())
        if (auto* pSettings = qobject_cast<CSettingsPage*>(pPage->GetWnd()))
            if ((nResult = pSettings->CheckConfigurationFile(definition, nProductType, file.GetConfig(), strFileName, strError)) != Result::Ok)
                return nResult;
    return Result::Ok;
}
