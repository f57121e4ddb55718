#include "ui/images/resources.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSize>
#include <QStringList>
#include <QTest>

// The compiled-in icons: every name the window asks for must load from the
// resource file with its exact size, and the list must hold nothing else.
class TestImages : public QObject
{
    Q_OBJECT

private:
    static int visiblePixels(const QImage &image)
    {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        int count = 0;
        for (int y = 0; y < argb.height(); ++y) {
            for (int x = 0; x < argb.width(); ++x) {
                if (qAlpha(argb.pixel(x, y)) > 0)
                    ++count;
            }
        }
        return count;
    }

private slots:
    void initTestCase()
    {
        initImageResources();
        initImageResources(); // a second call must be harmless
    }

    void loadsWithExactSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("transparent");

        QTest::newRow("light opacity button") << "opacity1.png" << QSize(51, 49) << false;
        QTest::newRow("dark opacity button") << "opacity2.png" << QSize(51, 49) << false;
        QTest::newRow("search button") << "lupe.png" << QSize(173, 170) << false;
        QTest::newRow("random colours button") << "spectrum_small.png" << QSize(70, 70) << false;
        QTest::newRow("colour wheel with shadow") << "spectrumShadow_small.png" << QSize(65, 65)
                                                  << false;
        QTest::newRow("add custom colour button") << "plus.png" << QSize(80, 80) << false;
        QTest::newRow("delete and remove actions") << "cross.png" << QSize(26, 27) << false;
        QTest::newRow("remove selection button") << "crossShadow.png" << QSize(70, 70) << false;
        QTest::newRow("remove assignment") << "removeColorAssignment.png" << QSize(17, 19)
                                           << false;
        // The palette entry's colour is its background: the icon must not hide it.
        QTest::newRow("palette entry placeholder is see-through") << "leer.png" << QSize(32, 30)
                                                                  << true;
        QTest::newRow("save preview base") << "schatten.png" << QSize(35, 35) << false;
    }

    void loadsWithExactSize()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(bool, transparent);

        const QImage image(QStringLiteral(":/images/") + name);
        QVERIFY2(!image.isNull(), qPrintable(name + " does not load"));
        QCOMPARE(image.size(), size);
        if (transparent)
            QCOMPARE(visiblePixels(image), 0);
        else
            QVERIFY2(visiblePixels(image) > image.width() * image.height() / 20,
                     qPrintable(name + " is (nearly) empty"));
    }

    // The compiled-in copy is made by scripts/make-images.py; a PNG changed
    // without running it again would ship the old picture.
    void compiledInCopyMatchesThePngInTheSourceTree_data() { loadsWithExactSize_data(); }

    void compiledInCopyMatchesThePngInTheSourceTree()
    {
        QFETCH(QString, name);

        QFile compiledIn(QStringLiteral(":/images/") + name);
        QFile source(QStringLiteral(FEATUREHUE_EXAMPLES_DIR "/../src/ui/images/") + name);
        QVERIFY(compiledIn.open(QIODevice::ReadOnly));
        QVERIFY2(source.open(QIODevice::ReadOnly), qPrintable(source.fileName()));
        QVERIFY(compiledIn.readAll() == source.readAll());
    }

    void resourceListHoldsExactlyTheIcons()
    {
        QStringList listed = QDir(QStringLiteral(":/images")).entryList(QDir::Files);
        listed.sort();
        QStringList expected{"cross.png",          "crossShadow.png",
                             "leer.png",           "lupe.png",
                             "opacity1.png",       "opacity2.png",
                             "plus.png",           "removeColorAssignment.png",
                             "schatten.png",       "spectrumShadow_small.png",
                             "spectrum_small.png"};
        expected.sort();
        QCOMPARE(listed, expected);
    }
};

QTEST_MAIN(TestImages)
#include "tst_images.moc"
