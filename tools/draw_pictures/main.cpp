// Draws the pictures of the user interface and writes them as RGBA PNG files
// (and the application icon as a Windows .ico file).
// Usage: draw_pictures OUTPUT_FOLDER (with QT_QPA_PLATFORM=offscreen).

#include "Pictures.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

using namespace pictures;

namespace {

QImage render(QSize size, const Drawing &draw)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    draw(p);
    p.end();
    return image.convertToFormat(QImage::Format_RGBA8888);
}

bool saved(bool ok, const QString &path)
{
    std::fprintf(ok ? stdout : stderr, ok ? "wrote %s\n" : "cannot write %s\n", qPrintable(path));
    return ok;
}

bool write(const QDir &folder, const QString &name, QSize size, const Drawing &draw)
{
    const QString path = folder.filePath(name);
    return saved(render(size, draw).save(path, "PNG"), path);
}

// The Windows program icon: the application icon at each size as a PNG
// image inside one .ico file, the form Windows reads since Vista.
bool writeIcon(const QDir &folder, const QString &name, const QList<int> &sizes)
{
    QList<QByteArray> images;
    for (int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        render({size, size}, appIcon(size)).save(&buffer, "PNG");
        images.append(png);
    }
    QByteArray ico;
    QDataStream out(&ico, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(sizes.size());
    quint32 offset = 6 + 16 * sizes.size();
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const quint8 side = sizes[i] >= 256 ? 0 : quint8(sizes[i]); // 0 stands for 256
        out << side << side << quint8(0) << quint8(0) << quint16(1) << quint16(32) << quint32(images[i].size()) << offset;
        offset += quint32(images[i].size());
    }
    for (const QByteArray &png : images)
        out.writeRawData(png.constData(), int(png.size()));
    const QString path = folder.filePath(name);
    QFile file(path);
    return saved(file.open(QIODevice::WriteOnly) && file.write(ico) == ico.size(), path);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    // Another font would silently change the logo's and the icons' shapes.
    if (!QFontDatabase::hasFamily(kFontFamily)) {
        std::fprintf(stderr, "font missing: %s\n", qPrintable(kFontFamily));
        return 1;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral(".")))
        return 1;
    bool ok = write(folder, "logo_106.png", {230, 47}, logo);
    ok &= write(folder, "illustration_107.png", {630, 215}, illustration);
    ok &= write(folder, "state_warning_110.png", {14, 14}, warningSign);
    ok &= write(folder, "state_stop_111.png", {14, 14}, stopSign);
    ok &= write(folder, "state_green_144.png", {14, 14}, stateDot(QColor(40, 186, 70)));
    ok &= write(folder, "state_red_145.png", {14, 14}, stateDot(QColor(222, 40, 36)));
    for (int frame = 0; frame < 12; ++frame)
        ok &= write(folder, QStringLiteral("hourglass_%1.png").arg(149 + frame), {34, 34}, hourglassFrameAt(frame));
    ok &= write(folder, "app_icon.png", {256, 256}, appIcon(256));
    for (int size : {48, 32, 16})
        ok &= write(folder, QStringLiteral("app_icon_%1.png").arg(size), {size, size}, appIcon(size));
    ok &= writeIcon(folder, "app_icon.ico", {16, 32, 48, 256});
    return ok ? 0 : 1;
}
