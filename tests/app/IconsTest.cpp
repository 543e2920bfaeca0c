#include <QDir>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTest>

#include "AppResources.h"

namespace {

const QStringList kIcons = {
    QStringLiteral("about.svg"), QStringLiteral("add-readout-data.svg"),
    QStringLiteral("copy.svg"),  QStringLiteral("cut.svg"),
    QStringLiteral("gauge.svg"), QStringLiteral("new.svg"),
    QStringLiteral("open.svg"),  QStringLiteral("plot-readings.svg"),
    QStringLiteral("print.svg"), QStringLiteral("q417host.svg"),
    QStringLiteral("save.svg"),  QStringLiteral("upload-site-info.svg"),
};

// Share of pixels at least half opaque: a blank or nearly blank rendering has almost none.
[[nodiscard]] double OpaqueShare(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) >= 128) {
                ++opaque;
            }
        }
    }
    return double(opaque) / (image.width() * image.height());
}

}  // namespace

class IconsTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { q417::InitAppResources(); }

    // The resource holds exactly the icons the window uses: none missing, none forgotten.
    void resourceListsEveryIcon() {
        const QStringList present = QDir(QStringLiteral(":/icons")).entryList(QDir::Files);
        QCOMPARE(present, kIcons);
    }

    void rendersAtEverySize_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        for (const QString& name : kIcons) {
            for (const int size : {16, 24, 32, 48}) {
                QTest::addRow("%s %d", qPrintable(name), size) << name << size << qreal(1);
            }
            for (const int size : {16, 24}) {
                QTest::addRow("%s %d@2x", qPrintable(name), size) << name << size << qreal(2);
            }
        }
    }
    void rendersAtEverySize() {
        QFETCH(QString, name);
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        const QIcon icon(QStringLiteral(":/icons/") + name);
        QVERIFY(!icon.isNull());
        const QPixmap pixmap = icon.pixmap(QSize(size, size), ratio);
        QVERIFY(!pixmap.isNull());
        // Drawn from the vector, not scaled from a small bitmap: full device size at 2x.
        QCOMPARE(pixmap.size(), QSize(size, size) * ratio);
        QCOMPARE(pixmap.devicePixelRatio(), ratio);
        const double share = OpaqueShare(pixmap);
        QVERIFY2(share > 0.10, qPrintable(QStringLiteral("opaque share %1").arg(share)));
    }
};

QTEST_MAIN(IconsTest)
#include "IconsTest.moc"
