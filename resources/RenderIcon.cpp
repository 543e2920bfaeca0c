// q417rendericon SVG SIZE OUT.png: the build's PNG icons for the desktop's hicolor theme, drawn
// from the one scalable icon so that the sizes never drift apart from it.

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: q417rendericon SVG SIZE OUT.png\n", stderr);
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size < 8 || size > 1024) {
        std::fprintf(stderr, "q417rendericon: size %s is not 8 to 1024 pixels\n", argv[2]);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "q417rendericon: %s is no SVG picture\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    // No time or software text chunks: the same SVG gives the same bytes on every build.
    image.setText(QString(), QString());
    if (!image.convertToFormat(QImage::Format_ARGB32)
             .save(QString::fromLocal8Bit(argv[3]), "PNG", 9)) {
        std::fprintf(stderr, "q417rendericon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
