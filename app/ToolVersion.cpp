#include "app/ToolVersion.h"

#include "common/TextFormat.h"

CToolVersion::CToolVersion() : m_strTitle(FormatText("%s, V%d.%02d", kShortTitle, kMajor, kMinor))
{
}

std::string CToolVersion::GetTitle() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_strTitle;
}
