#include "app/widgets/FCObjImage.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <map>

int ImageTypeFromPath(const QString& path)
{
    static const std::map<QString, int> kTypes = {
        {QStringLiteral("bmp"), 1}, {QStringLiteral("pcx"), 2}, {QStringLiteral("jpg"), 3},  {QStringLiteral("jpeg"), 3},
        {QStringLiteral("jpe"), 3}, {QStringLiteral("jfif"), 3}, {QStringLiteral("gif"), 4}, {QStringLiteral("tga"), 5},
        {QStringLiteral("tif"), 6}, {QStringLiteral("tiff"), 6}, {QStringLiteral("png"), 7}, {QStringLiteral("psd"), 8},
        {QStringLiteral("ico"), 9}, {QStringLiteral("xpm"), 10}, {QStringLiteral("oxo"), 11}};
    const auto found = kTypes.find(QFileInfo(path).suffix().toLower());
    return found != kTypes.end() ? found->second : 0;
}

bool IsDecodableImageType(int nType)
{
    return nType == 1 || nType == 3 || nType == 4 || nType == 6 || nType == 7 || nType == 9;
}

QString PictureResourcePath(int nPictureId)
{
    static const std::map<int, QString> kPictures = {
        {106, QStringLiteral("logo_106")},          {107, QStringLiteral("illustration_107")},
        {110, QStringLiteral("state_warning_110")}, {111, QStringLiteral("state_stop_111")},
        {144, QStringLiteral("state_green_144")},   {145, QStringLiteral("state_red_145")}};
    if (nPictureId >= 149 && nPictureId <= 160)
        return QStringLiteral(":/pictures/hourglass_%1.png").arg(nPictureId);
    const auto found = kPictures.find(nPictureId);
    return found != kPictures.end() ? QStringLiteral(":/pictures/%1.png").arg(found->second) : QString();
}

bool FCObjImage::TakeImage(QImage image)
{
    m_image = QImage();
    if (image.isNull())
        return false;
    m_image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    return true;
}

bool FCObjImage::LoadResource(int nPictureId)
{
    const QString path = PictureResourcePath(nPictureId);
    return TakeImage(path.isEmpty() ? QImage() : QImage(path, "PNG"));
}

bool FCObjImage::LoadFile(const QString& path)
{
    if (!IsDecodableImageType(ImageTypeFromPath(path)))
        return TakeImage(QImage());
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return TakeImage(reader.read()); // the first frame
}

void FCObjImage::Create(int nWidth, int nHeight, int nBitsPerPixel)
{
    m_image = QImage(nWidth, nHeight, nBitsPerPixel == 32 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    m_image.fill(0);
}

void FCObjImage::ApplyPremultipliedAlpha()
{
    if (BitsPerPixel() != 32)
        return;
    for (int y = 0; y < m_image.height(); ++y) {
        auto* pRow = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        for (int x = 0; x < m_image.width(); ++x) {
            const int nAlpha = qAlpha(pRow[x]);
            pRow[x] = qRgba(qRed(pRow[x]) * nAlpha / 255, qGreen(pRow[x]) * nAlpha / 255, qBlue(pRow[x]) * nAlpha / 255, nAlpha);
        }
    }
    // The same bytes, now read as premultiplied by the painter.
    m_image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
}

void FCObjImage::Draw(QPainter& painter, const QRect& target) const
{
    if (m_image.isNull())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (BitsPerPixel() != 32)
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(target, m_image);
    painter.restore();
}

void FCObjImage::GetPixel(int x, int y, int& nBlue, int& nGreen, int& nRed, int& nAlpha) const
{
    const QRgb pixel = reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x];
    nBlue = qBlue(pixel);
    nGreen = qGreen(pixel);
    nRed = qRed(pixel);
    nAlpha = BitsPerPixel() == 32 ? qAlpha(pixel) : 255;
}

void FCObjImage::SetPixel(int x, int y, int nBlue, int nGreen, int nRed, int nAlpha)
{
    reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = qRgba(nRed, nGreen, nBlue, nAlpha);
}
