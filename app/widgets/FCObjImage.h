#pragma once
// A picture of the program: loaded from the embedded pictures or a file,
// kept as 24- or 32-bit pixels, its colours premultiplied by alpha once after
// loading, and drawn with its alpha or stretched without smoothing.

#include <QImage>
#include <QRect>
#include <QString>

class QPainter;

// Image types by file extension: 1 bmp, 2 pcx, 3 jpg/jpeg/jpe/jfif, 4 gif,
// 5 tga, 6 tif/tiff, 7 png, 8 psd, 9 ico, 10 xpm, 11 oxo, 0 anything else.
int ImageTypeFromPath(const QString& path);
// The types this program decodes: bmp, jpg, gif, tif, png and ico.
bool IsDecodableImageType(int nType);

// The resource path of an embedded picture (106 logo, 107 illustration,
// 110, 111, 144, 145 state icons, 149..160 hour glass frames); empty for an
// unknown id.
QString PictureResourcePath(int nPictureId);


class FCObjImage {
public:
    // An embedded picture by id; false (and empty) when there is none.
    bool LoadResource(int nPictureId);
    // A picture file; its type follows from the extension.
    bool LoadFile(const QString& path);
    void Create(int nWidth, int nHeight, int nBitsPerPixel);
    void Clear() { m_image = QImage(); }

    // Blue, green and red become value * alpha / 255 (truncated); only for
    // 32-bit pictures.
    void ApplyPremultipliedAlpha();

    // Nothing for an empty picture; a 32-bit picture is blended over what is
    // there, any other copied; both stretched without smoothing.
    void Draw(QPainter& painter, const QRect& target) const;

    bool IsValid() const { return !m_image.isNull(); }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    int BitsPerPixel() const { return m_image.isNull() ? 0 : (m_image.hasAlphaChannel() ? 32 : 24); }
    // Pixel as blue, green, red, alpha.
    void GetPixel(int x, int y, int& nBlue, int& nGreen, int& nRed, int& nAlpha) const;
    void SetPixel(int x, int y, int nBlue, int nGreen, int nRed, int nAlpha);
    const QImage& Image() const { return m_image; }

private:
    bool TakeImage(QImage image);
    QImage m_image; // ARGB32 (32 bits; premultiplied once the effect ran) or RGB32 (24 bits)
};
