// Draws the pictures of the user interface and writes them as RGBA PNG files.
// Usage: draw_pictures OUTPUT_FOLDER (with QT_QPA_PLATFORM=offscreen).

#include "Pictures.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

using namespace pictures;

namespace {

bool write(const QDir &folder, const QString &name, QSize size, const Drawing &draw)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    draw(p);
    p.end();
    const QString path = folder.filePath(name);
    if (!image.convertToFormat(QImage::Format_RGBA8888).save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s\n", qPrintable(path));
    return true;
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
    return ok ? 0 : 1;
}
