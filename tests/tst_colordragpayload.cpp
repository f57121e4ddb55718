#include "ui/colors/colordragpayload.h"

#include <QDataStream>
#include <QMimeData>
#include <QPainter>
#include <QTest>

static QByteArray encode(const QPixmap &pixmap, const QPoint &point)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << pixmap << point;
    return bytes;
}

static QPixmap samplePixmap()
{
    QPixmap pixmap(6, 4);
    pixmap.fill(QColor(10, 200, 30));
    return pixmap;
}

class TestColorDragPayload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
    void nullMimeData();
};

void TestColorDragPayload::read_data()
{
    QTest::addColumn<QString>("storedType"); // empty: nothing stored
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("readType");
    QTest::addColumn<QSize>("pixmapSize"); // empty size: null pixmap
    QTest::addColumn<QPoint>("point");

    const QByteArray full = encode(samplePixmap(), QPoint(7, -3));
    const QByteArray pixmapOnly = encode(samplePixmap(), QPoint()).chopped(8);

    QTest::newRow("feature tree type round trip")
        << kFeatureTreeDragType << full << kFeatureTreeDragType << QSize(6, 4) << QPoint(7, -3);
    QTest::newRow("structure tree type round trip")
        << kStructureTreeDragType << full << kStructureTreeDragType << QSize(6, 4)
        << QPoint(7, -3);
    QTest::newRow("type not carried") << kStructureTreeDragType << full << kFeatureTreeDragType
                                      << QSize() << QPoint();
    QTest::newRow("drag of the palette list's own type")
        << QStringLiteral("application/x-qabstractitemmodeldatalist") << QByteArray("abc")
        << kFeatureTreeDragType << QSize() << QPoint();
    QTest::newRow("empty data") << kFeatureTreeDragType << QByteArray() << kFeatureTreeDragType
                                << QSize() << QPoint();
    QTest::newRow("point cut off keeps the pixmap")
        << kFeatureTreeDragType << pixmapOnly << kFeatureTreeDragType << QSize(6, 4) << QPoint();
    QTest::newRow("point half there") << kFeatureTreeDragType << full.chopped(2)
                                      << kFeatureTreeDragType << QSize(6, 4) << QPoint();
    QTest::newRow("garbage") << kFeatureTreeDragType << QByteArray("\x00\x00\x00\x01zz", 6)
                             << kFeatureTreeDragType << QSize() << QPoint();
    QTest::newRow("null pixmap then point")
        << kFeatureTreeDragType << encode(QPixmap(), QPoint(2, 5)) << kFeatureTreeDragType
        << QSize() << QPoint(2, 5);
}

void TestColorDragPayload::read()
{
    QFETCH(QString, storedType);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, readType);
    QFETCH(QSize, pixmapSize);
    QFETCH(QPoint, point);

    QMimeData mime;
    mime.setData(storedType, bytes);
    const ColorDragPayload payload = readColorDragPayload(&mime, readType);
    QCOMPARE(payload.pixmap.isNull(), pixmapSize.isEmpty());
    if (!pixmapSize.isEmpty()) {
        QCOMPARE(payload.pixmap.size(), pixmapSize);
        QCOMPARE(payload.pixmap.toImage().pixelColor(1, 1), QColor(10, 200, 30));
    }
    QCOMPARE(payload.point, point);
}

void TestColorDragPayload::nullMimeData()
{
    const ColorDragPayload payload = readColorDragPayload(nullptr, kFeatureTreeDragType);
    QVERIFY(payload.pixmap.isNull());
    QCOMPARE(payload.point, QPoint());
}

QTEST_MAIN(TestColorDragPayload)
#include "tst_colordragpayload.moc"
