// Renders the program's SVG icon to the PNG sizes desktops look for, or
// to one Windows icon file holding them all.
// Usage: render_icon ICON.svg OUTPUT-FOLDER SIZE...   (OUTPUT-FOLDER/SIZE.png)
//        render_icon ICON.svg OUTPUT.ico SIZE...      (sizes up to 256)
// resources/windows/kavro-switch-config.ico is made with
//        render_icon resources/kavro-switch-config.svg resources/windows/kavro-switch-config.ico 16 24 32 48 64 128 256

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>
#include <cstdio>

namespace {

QByteArray Png(QSvgRenderer& svg, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// An icon file: a 6-byte header, a 16-byte entry for each image, then the
// images, here each a whole PNG file (Windows reads them since Vista).
//   header  0..1 reserved 0 | 2..3 type 1 (icon) | 4..5 image count
//   entry   0 width | 1 height (0 for 256) | 2 colours 0 | 3 reserved 0
//           4..5 planes 1 | 6..7 bits per pixel 32 | 8..11 size | 12..15 offset
QByteArray IconFile(const QList<QByteArray>& pngs, const QList<int>& sizes) {
    QByteArray file(6 + 16 * pngs.size(), '\0');
    auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, file.data() + at); };
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, file.data() + at); };
    put16(2, 1);
    put16(4, static_cast<quint16>(pngs.size()));
    for (int i = 0; i < pngs.size(); ++i) {
        const int entry = 6 + 16 * i;
        file[entry] = file[entry + 1] = static_cast<char>(sizes[i] >= 256 ? 0 : sizes[i]);
        put16(entry + 4, 1);
        put16(entry + 6, 32);
        put32(entry + 8, static_cast<quint32>(pngs[i].size()));
        put32(entry + 12, static_cast<quint32>(file.size()));
        file += pngs[i];
    }
    return file;
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: render_icon ICON.svg OUTPUT-FOLDER|OUTPUT.ico SIZE...\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) return 2;
    const QString output = QString::fromLocal8Bit(argv[2]);
    QList<QByteArray> pngs;
    QList<int> sizes;
    for (int i = 3; i < argc; ++i) {
        sizes.append(std::atoi(argv[i]));
        if (sizes.back() < 1 || (output.endsWith(".ico") && sizes.back() > 256)) return 2;
        pngs.append(Png(svg, sizes.back()));
    }
    if (output.endsWith(".ico")) {
        QFile file(output);
        return file.open(QIODevice::WriteOnly) && file.write(IconFile(pngs, sizes)) > 0 ? 0 : 2;
    }
    for (int i = 0; i < pngs.size(); ++i) {
        QFile file(QString("%1/%2.png").arg(output).arg(sizes[i]));
        if (!file.open(QIODevice::WriteOnly) || file.write(pngs[i]) != pngs[i].size()) return 2;
    }
    return 0;
}
