// XML: any text is read as a product definition and as a saved
// configuration, or refused; a configuration read is written again, and
// what is written reads back with the same article number, sheet and
// settings.
#include "configdata/DeviceConfig.h"
#include "configdata/ToolConfigXML.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Line ends inside a text come back as line feeds, as XML reads them.
std::string NormalisedText(std::string text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || (i + 1 < text.size() && text[i + 1] != '\n'))
            out += text[i] == '\r' ? '\n' : text[i];
    return out;
}

bool SameSettings(CDeviceConfig& first, CDeviceConfig& second)
{
    std::string strIgnored;
    if (first.m_Settings.GetCount() != second.m_Settings.GetCount())
        return false;
    for (int i = 0; i < first.m_Settings.GetCount(); ++i) {
        CProductSetting a;
        CProductSetting b;
        first.m_Settings.GetObjectByIndex(i, a, strIgnored);
        second.m_Settings.GetObjectByIndex(i, b, strIgnored);
        if (a.GetName() != b.GetName() || a.GetValue() != b.GetValue() || NormalisedText(a.GetText()) != NormalisedText(b.GetText()))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string text = XmlText::DecodeFileBytes(std::string(reinterpret_cast<const char*>(pData), nSize));
    std::string strError;
    CDeviceConfigXML definition;
    if (definition.ParseString(text, strError) == 0)
        definition.ParseDocument(strError);

    CToolConfigXML file;
    if (file.ParseString(text, strError) != 0 || file.ParseDocument(strError) != 0)
        return 0;
    CToolConfigXML written;
    written.SetArticleNumber(file.GetConfig().GetArticleNumber());
    written.SetConfigSheet(file.GetConfig().GetConfigSheet());
    std::string strIgnored;
    for (int i = 0; i < file.GetConfig().m_Settings.GetCount(); ++i) {
        CProductSetting setting;
        file.GetConfig().m_Settings.GetObjectByIndex(i, setting, strIgnored);
        if (setting.GetText().empty())
            written.SetSettingValue(setting.GetName(), setting.GetValue());
        else
            written.SetSettingText(setting.GetName(), setting.GetText());
    }
    std::string bytes;
    if (written.RenderFile(bytes, strError) != 0)
        return 0; // a name the file cannot hold is refused, not written
    CToolConfigXML again;
    if (again.ParseString(XmlText::DecodeFileBytes(bytes), strError) != 0 || again.ParseDocument(strError) != 0)
        std::abort(); // what we wrote must read back
    if (again.GetConfig().GetArticleNumber() != written.GetConfig().GetArticleNumber()
        || again.GetConfig().GetConfigSheet() != written.GetConfig().GetConfigSheet()
        || !SameSettings(written.GetConfig(), again.GetConfig()))
        std::abort();
    return 0;
}
