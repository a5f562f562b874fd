#include "app/AppGlobals.h"

#include <QFontDatabase>
#include <QStringList>

#include <cmath>

int g_bShowKeyPad = 0;
std::uint32_t g_nServiceCode = 0;

QFont g_fontSmall;
QFont g_fontBold;
QFont g_fontTitle;
QFont g_fontLarge;

void InitPictureResources()
{
    Q_INIT_RESOURCE(fluxa);
}

QString DialogFontFamily()
{
    static const QString family = QFontDatabase::families().contains(QStringLiteral("Arial")) ? QStringLiteral("Arial")
                                                                                               : QStringLiteral("Liberation Sans");
    return family;
}

QFont DialogFont(int nPixels, bool bBold)
{
    QFont font(DialogFontFamily());
    if (nPixels > 0)
        font.setPixelSize(nPixels);
    else
        font.setPixelSize(11); // 8 points at 96 dpi
    font.setBold(bBold);
    return font;
}

QRect DluRect(int x, int y, int nWidth, int nHeight)
{
    const int nLeft = static_cast<int>(std::lround(x * 1.5));
    const int nTop = static_cast<int>(std::lround(y * 1.75));
    const int nRight = static_cast<int>(std::lround((x + nWidth) * 1.5));
    const int nBottom = static_cast<int>(std::lround((y + nHeight) * 1.75));
    return QRect(nLeft, nTop, nRight - nLeft, nBottom - nTop);
}

QSize DluSize(int nWidth, int nHeight)
{
    return DluRect(0, 0, nWidth, nHeight).size();
}

CWindowMessage::CWindowMessage(unsigned nMessageNumber, std::uintptr_t wParamValue, std::intptr_t lParamValue)
    : QEvent(TypeOf(nMessageNumber)), nMessage(nMessageNumber), wParam(wParamValue), lParam(lParamValue)
{
}

unsigned CWindowMessage::MessageOf(const QEvent* pEvent)
{
    const int nType = static_cast<int>(pEvent->type());
    if (nType <= QEvent::User || nType > QEvent::User + 0xFF)
        return 0;
    const auto* pMessage = dynamic_cast<const CWindowMessage*>(pEvent);
    return pMessage != nullptr ? pMessage->nMessage : 0;
}
