#include "ui/colors/colormanager.h"
#include "ui/colors/mylistwidgetitem.h"
#include "ui/colors/mytreewidgetitem.h"

#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

// Runs a call with file descriptor 1 redirected to a file and returns the
// lines it printed.
static QStringList captureStdout(const QString &path, const std::function<void()> &call)
{
    std::fflush(stdout);
    const int saved = ::dup(1);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (saved < 0 || fd < 0)
        return {QStringLiteral("<capture failed>")};
    ::dup2(fd, 1);
    ::close(fd);
    call();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<capture unreadable>")};
    const QByteArray bytes = file.readAll();
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        return {QStringLiteral("<last line not terminated>")};
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    lines.removeLast(); // the empty part after the final line end
    return lines;
}

static FeatureList makeFeatures(const QStringList &names)
{
    FeatureList list;
    for (const QString &name : names)
        list.append(Feature(-1, name)); // wrong ids on purpose: the manager numbers them
    return list;
}

static QList<int> huesOf(const QList<PaletteColor *> &colors)
{
    QList<int> hues;
    for (const PaletteColor *c : colors)
        hues.append(c->color().hsvHue());
    return hues;
}

static const QColor kLight(220, 220, 220);
static const QColor kDark(180, 180, 180);

static const QString kNotInPairs =
    QStringLiteral("Farbe existiert nicht in der Feature-Color-Pair-liste.");
static const QString kCannotReset =
    QString::fromUtf8("Farbe kann f\xc3\xbcr Feature nicht gel\xc3\xb6scht werden, "
                      "da Feature nicht in der Pair-Liste vorkommt.");
static const QString kResetting = QString::fromUtf8("zur\xc3\xbc" "ck setzen.");
static const QString kNotInArray = QStringLiteral("Color existiert nicht im ColorArray.");
static const QString kTaken = QStringLiteral("Color ist bereits vergeben.");

class TestColorManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void paletteHues_data();
    void paletteHues();
    void paletteIsCappedAtMaxColors();
    void regeneratingKeepsOldColorsAlive();
    void greyPairsAlternate_data();
    void greyPairsAlternate();
    void emptyFeatureListGivesNothing();

    void colorOfCopyPrintsAndFallsBackToWhite();
    void colorOfNullFeatureDoesNotCrash();
    void featureOfColor_data();
    void featureOfColor();
    void resetUnknownFeatureFails();
    void resetNullFeatureFails();
    void assignColor_data();
    void assignColor();
    void assignToUnknownFeatureAddsPair();
    void hasColor();
    void isGrey_data();
    void isGrey();
    void standsForNoColor_data();
    void standsForNoColor();
    void currentManagerFollowsConstruction();

    void treeItemStartsWithoutColor();
    void treeItemSetAndRemoveColor();
    void treeItemSetNullMeansNoColor();
    void listItemShowsColorButKeepsFlags();

private:
    QStringList capture(const std::function<void()> &call)
    {
        return captureStdout(m_dir->filePath(QStringLiteral("stdout.txt")), call);
    }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestColorManager::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestColorManager::cleanup()
{
    m_dir.reset();
}

void TestColorManager::paletteHues_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("hues");

    QTest::newRow("three features, exact thirds") << 3 << QList<int>{0, 120, 240};
    QTest::newRow("seven features, hues truncated not rounded")
        << 7 << QList<int>{0, 51, 102, 154, 205, 257, 308};
    QTest::newRow("one feature") << 1 << QList<int>{0};
    QTest::newRow("no feature gives no colour") << 0 << QList<int>{};
    QTest::newRow("negative count gives no colour") << -3 << QList<int>{};
}

void TestColorManager::paletteHues()
{
    QFETCH(int, count);
    QFETCH(QList<int>, hues);

    FeatureList features;
    ColorManager manager(&features, count);
    QCOMPARE(huesOf(manager.ColorArray), hues);
    for (const PaletteColor *c : std::as_const(manager.ColorArray)) {
        QCOMPARE(c->color().hsvSaturation(), 170);
        QCOMPARE(c->color().value(), 255);
        QCOMPARE(c->color().alpha(), 255);
        QVERIFY(c->isFree());
        QVERIFY(!c->isCustom());
    }
}

void TestColorManager::paletteIsCappedAtMaxColors()
{
    FeatureList features;
    ColorManager manager(&features, 250);
    QCOMPARE(manager.ColorArray.size(), 200);
    const QList<int> hues = huesOf(manager.ColorArray);
    QCOMPARE(hues.mid(0, 7), (QList<int>{0, 1, 3, 5, 7, 9, 10}));
    QCOMPARE(hues.last(), 358);
    for (qsizetype i = 1; i < hues.size(); ++i)
        QVERIFY2(hues.at(i) > hues.at(i - 1), qPrintable(QString::number(i)));

    manager.maxColors = 4;
    manager.generatePalette(10);
    QCOMPARE(huesOf(manager.ColorArray), (QList<int>{0, 90, 180, 270}));
}

void TestColorManager::regeneratingKeepsOldColorsAlive()
{
    FeatureList features = makeFeatures({QStringLiteral("A"), QStringLiteral("B")});
    ColorManager manager(&features, 2);
    PaletteColor *old = manager.ColorArray.at(1);
    MyTreeWidgetItem row({QStringLiteral("B")});
    row.setPaletteColor(old);

    manager.generatePalette(3);
    QCOMPARE(manager.ColorArray.size(), 3);
    QVERIFY(!manager.ColorArray.contains(old));
    // The row still holds the old record, which must still be readable.
    QCOMPARE(row.paletteColor(), old);
    QCOMPARE(old->color().hsvHue(), 180);
}

void TestColorManager::greyPairsAlternate_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QColor>("firstResetGrey");

    QTest::newRow("odd count: next reset is dark") << 5 << kDark;
    QTest::newRow("even count: next reset is light") << 4 << kLight;
    QTest::newRow("single feature") << 1 << kDark;
}

void TestColorManager::greyPairsAlternate()
{
    QFETCH(int, count);
    QFETCH(QColor, firstResetGrey);

    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("F%1").arg(i);
    FeatureList features = makeFeatures(names);
    ColorManager manager(&features, features.size());

    QCOMPARE(manager.ColorArray.size(), count);
    QCOMPARE(manager.FCPList.size(), count);
    QCOMPARE(manager.resetCount, count);
    for (int i = 0; i < count; ++i) {
        QCOMPARE(features.at(i).id, i);
        QCOMPARE(manager.FCPList.at(i).feature, &features[i]);
        QCOMPARE(manager.FCPList.at(i).color, i % 2 == 0 ? manager.lightGrey() : manager.darkGrey());
        QCOMPARE(features.at(i).color(), manager.FCPList.at(i).color);
    }
    QCOMPARE(manager.lightGrey()->color(), kLight);
    QCOMPARE(manager.darkGrey()->color(), kDark);
    QCOMPARE(manager.white()->color(), QColor(Qt::white));

    // The grey of a reset depends on the placeholders handed out so far.
    QVERIFY(manager.resetFeatureColor(&features[0]));
    QCOMPARE(manager.FCPList.at(0).color->color(), firstResetGrey);
    QCOMPARE(manager.resetCount, count + 1);
    QVERIFY(manager.resetFeatureColor(&features[0]));
    QCOMPARE(manager.FCPList.at(0).color->color(), firstResetGrey == kDark ? kLight : kDark);
}

void TestColorManager::emptyFeatureListGivesNothing()
{
    FeatureList features;
    ColorManager manager(&features, 0);
    QVERIFY(manager.ColorArray.isEmpty());
    QVERIFY(manager.FCPList.isEmpty());
    QCOMPARE(manager.resetCount, 0);

    ColorManager withoutList(nullptr, 2);
    QCOMPARE(withoutList.ColorArray.size(), 2);
    QVERIFY(withoutList.FCPList.isEmpty());
}

void TestColorManager::colorOfCopyPrintsAndFallsBackToWhite()
{
    FeatureList features = makeFeatures({QStringLiteral("Base"), QString::fromUtf8("Gr\xc3\xb6\xc3\x9f" "e")});
    ColorManager manager(&features, features.size());
    Feature copy = features.at(1);

    PaletteColor *result = nullptr;
    const QStringList lines = capture([&] { result = manager.colorOf(&copy); });
    QCOMPARE(result, manager.white());
    QCOMPARE(lines, (QStringList{QStringLiteral("FCPListSize:  2"),
                                 QString::fromUtf8("Feature Gr\xc3\xb6\xc3\x9f" "e"
                                                   "existiert nicht in der "
                                                   "Feature-Color-Pair-liste.")}));
    // Looking up by name finds the record the copy was made from.
    QCOMPARE(manager.indexOfFeature(&copy), 1);
    QCOMPARE(manager.colorOf(&features[1]), manager.darkGrey());
}

void TestColorManager::colorOfNullFeatureDoesNotCrash()
{
    FeatureList features = makeFeatures({QStringLiteral("A")});
    ColorManager manager(&features, 1);
    PaletteColor *result = nullptr;
    const QStringList lines = capture([&] { result = manager.colorOf(nullptr); });
    QCOMPARE(result, manager.white());
    QCOMPARE(lines, (QStringList{QStringLiteral("FCPListSize:  1"),
                                 QStringLiteral("Feature existiert nicht in der "
                                                "Feature-Color-Pair-liste.")}));
}

void TestColorManager::featureOfColor_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<int>("expectedFeature"); // -1: none
    QTest::addColumn<bool>("prints");

    QTest::newRow("assigned colour names its feature") << "assigned" << 1 << false;
    QTest::newRow("free colour is not looked up") << "free" << -1 << true;
    QTest::newRow("taken colour held by no pair") << "orphan" << -1 << true;
    QTest::newRow("grey is held but free") << "grey" << -1 << true;
    QTest::newRow("null colour") << "null" << -1 << true;
}

void TestColorManager::featureOfColor()
{
    QFETCH(QString, which);
    QFETCH(int, expectedFeature);
    QFETCH(bool, prints);

    FeatureList features = makeFeatures({QStringLiteral("A"), QStringLiteral("B")});
    ColorManager manager(&features, 3);
    PaletteColor *assigned = manager.ColorArray.at(0);
    QVERIFY(manager.assignColor(&features[1], assigned));
    PaletteColor *orphan = manager.ColorArray.at(2);
    orphan->setFree(false);

    PaletteColor *color = nullptr;
    if (which == QLatin1String("assigned"))
        color = assigned;
    else if (which == QLatin1String("free"))
        color = manager.ColorArray.at(1);
    else if (which == QLatin1String("orphan"))
        color = orphan;
    else if (which == QLatin1String("grey"))
        color = manager.lightGrey();

    Feature *result = reinterpret_cast<Feature *>(quintptr(1));
    const QStringList lines = capture([&] { result = manager.featureOfColor(color); });
    QCOMPARE(result, expectedFeature < 0 ? nullptr : &features[expectedFeature]);
    QCOMPARE(lines, prints ? QStringList{kNotInPairs} : QStringList{});
}

void TestColorManager::resetUnknownFeatureFails()
{
    FeatureList features = makeFeatures({QStringLiteral("A")});
    ColorManager manager(&features, 1);
    Feature stranger(7, QStringLiteral("Z"));
    bool ok = true;
    const QStringList lines = capture([&] { ok = manager.resetFeatureColor(&stranger); });
    QVERIFY(!ok);
    QCOMPARE(lines, QStringList{kCannotReset});
    QCOMPARE(manager.resetCount, 1);
    QCOMPARE(manager.FCPList.size(), 1);
    QCOMPARE(manager.FCPList.at(0).color, manager.lightGrey());
}

void TestColorManager::resetNullFeatureFails()
{
    FeatureList features = makeFeatures({QStringLiteral("A")});
    ColorManager manager(&features, 1);
    bool ok = true;
    const QStringList lines = capture([&] { ok = manager.resetFeatureColor(nullptr); });
    QVERIFY(!ok);
    QCOMPARE(lines, QStringList{kCannotReset});
    QCOMPARE(manager.indexOfFeature(nullptr), -1);
}

void TestColorManager::assignColor_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("free palette colour to a grey feature") << "free" << true << QStringList{};
    QTest::newRow("replaces the feature's own colour") << "replace" << true << QStringList{};
    QTest::newRow("custom colour appended to the palette") << "custom" << true << QStringList{};
    QTest::newRow("grey is not in the palette")
        << "grey" << false << QStringList{kNotInArray};
    QTest::newRow("colour made outside the palette")
        << "outside" << false << QStringList{kNotInArray};
    QTest::newRow("null colour") << "null" << false << QStringList{kNotInArray};
    QTest::newRow("colour of another feature only resets that one")
        << "other" << false << QStringList{kResetting, kTaken};
    QTest::newRow("taken colour without a pair")
        << "orphan" << false << QStringList{kResetting, kNotInPairs, kCannotReset, kTaken};
    QTest::newRow("null feature adds no pair") << "nullFeature" << false << QStringList{};
}

void TestColorManager::assignColor()
{
    QFETCH(QString, situation);
    QFETCH(bool, result);
    QFETCH(QStringList, lines);

    FeatureList features =
        makeFeatures({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    ColorManager manager(&features, 3);
    PaletteColor *red = manager.ColorArray.at(0);
    PaletteColor *green = manager.ColorArray.at(1);
    PaletteColor *blue = manager.ColorArray.at(2);
    QVERIFY(manager.assignColor(&features[2], blue)); // C holds blue
    QVERIFY(manager.assignColor(&features[1], green)); // B holds green

    Feature *target = &features[1];
    PaletteColor *color = red;
    if (situation == QLatin1String("free")) {
        target = &features[0];
    } else if (situation == QLatin1String("custom")) {
        target = &features[0];
        color = manager.createColor(QColor(10, 20, 30));
        color->setCustom(true);
        manager.ColorArray.append(color);
    } else if (situation == QLatin1String("grey")) {
        color = manager.lightGrey();
    } else if (situation == QLatin1String("outside")) {
        color = manager.createColor(QColor(10, 20, 30));
    } else if (situation == QLatin1String("null")) {
        color = nullptr;
    } else if (situation == QLatin1String("other")) {
        color = blue;
    } else if (situation == QLatin1String("orphan")) {
        red->setFree(false);
    } else if (situation == QLatin1String("nullFeature")) {
        target = nullptr;
    }
    const qint32 resetsBefore = manager.resetCount;

    bool ok = !result;
    const QStringList printed = capture([&] { ok = manager.assignColor(target, color); });
    QCOMPARE(ok, result);
    QCOMPARE(printed, lines);
    QCOMPARE(manager.FCPList.size(), 3);

    if (result) {
        QCOMPARE(manager.colorOf(target), color);
        QVERIFY(!color->isFree());
    }
    if (situation == QLatin1String("replace")) {
        // The old colour is freed by its row, not by the manager.
        QVERIFY(!green->isFree());
        QVERIFY(!manager.hasColor(green));
    } else if (situation == QLatin1String("other")) {
        QCOMPARE(manager.colorOf(&features[2])->color(), resetsBefore % 2 ? kDark : kLight);
        QCOMPARE(manager.colorOf(&features[1]), green);
        QVERIFY(!blue->isFree());
    } else if (!result) {
        QCOMPARE(manager.colorOf(&features[1]), green);
        QCOMPARE(manager.colorOf(&features[2]), blue);
        QCOMPARE(manager.colorOf(&features[0]), manager.lightGrey());
        QCOMPARE(manager.resetCount, resetsBefore);
        if (situation == QLatin1String("nullFeature"))
            QVERIFY(red->isFree());
    }
}

void TestColorManager::assignToUnknownFeatureAddsPair()
{
    FeatureList features = makeFeatures({QStringLiteral("A")});
    ColorManager manager(&features, 2);
    Feature extra(5, QStringLiteral("X"));
    QVERIFY(manager.assignColor(&extra, manager.ColorArray.at(1)));
    QCOMPARE(manager.FCPList.size(), 2);
    QCOMPARE(manager.FCPList.at(1).feature, &extra);
    QCOMPARE(manager.FCPList.at(1).color, manager.ColorArray.at(1));
}

void TestColorManager::hasColor()
{
    FeatureList features = makeFeatures({QStringLiteral("A"), QStringLiteral("B")});
    ColorManager manager(&features, 2);
    QVERIFY(manager.hasColor(manager.lightGrey()));
    QVERIFY(manager.hasColor(manager.darkGrey()));
    QVERIFY(!manager.hasColor(manager.ColorArray.at(0)));
    QVERIFY(!manager.hasColor(nullptr));
    QVERIFY(manager.assignColor(&features[0], manager.ColorArray.at(0)));
    QVERIFY(manager.hasColor(manager.ColorArray.at(0)));
    QVERIFY(!manager.hasColor(manager.lightGrey()));
}

void TestColorManager::isGrey_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<bool>("grey");

    QTest::newRow("light grey") << kLight << true;
    QTest::newRow("dark grey") << kDark << true;
    QTest::newRow("light grey as HSV") << kLight.toHsv() << true;
    QTest::newRow("translucent light grey") << QColor(220, 220, 220, 128) << false;
    QTest::newRow("white") << QColor(Qt::white) << false;
    QTest::newRow("invalid") << QColor() << false;
}

void TestColorManager::isGrey()
{
    QFETCH(QColor, color);
    QFETCH(bool, grey);
    FeatureList features;
    ColorManager manager(&features, 0);
    QCOMPARE(manager.isGrey(color), grey);
}

void TestColorManager::standsForNoColor_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<bool>("noColor");

    QTest::newRow("no record") << "none" << true;
    QTest::newRow("light grey placeholder") << "light grey" << true;
    QTest::newRow("dark grey placeholder") << "dark grey" << true;
    QTest::newRow("white of a feature without a pair") << "white" << true;
    QTest::newRow("a row's own record without a colour") << "invalid" << true;
    QTest::newRow("palette colour") << "palette" << false;
    // Taken by the user: judging it by value would free a colour that a
    // feature still holds, and a second feature could take it too.
    QTest::newRow("custom colour of light grey's value is a colour") << "custom light" << false;
    QTest::newRow("custom colour of dark grey's value is a colour") << "custom dark" << false;
    QTest::newRow("loaded palette colour of white's value is a colour") << "loaded white"
                                                                        << false;
}

void TestColorManager::standsForNoColor()
{
    QFETCH(QString, record);
    QFETCH(bool, noColor);
    FeatureList features = makeFeatures({QStringLiteral("A"), QStringLiteral("B")});
    ColorManager manager(&features, 2);

    PaletteColor *color = nullptr;
    if (record == QLatin1String("light grey")) {
        color = manager.colorOf(&features[0]);
    } else if (record == QLatin1String("dark grey")) {
        color = manager.colorOf(&features[1]);
    } else if (record == QLatin1String("white")) {
        color = manager.white();
    } else if (record == QLatin1String("invalid")) {
        color = manager.createColor();
    } else if (record == QLatin1String("palette")) {
        color = manager.ColorArray.at(1);
    } else if (record != QLatin1String("none")) {
        const QColor value = record == QLatin1String("custom light") ? kLight
                             : record == QLatin1String("custom dark") ? kDark
                                                                       : QColor(Qt::white);
        color = manager.createColor(value);
        color->setCustom(record != QLatin1String("loaded white"));
        manager.ColorArray.append(color);
    }
    if (record.startsWith(QLatin1String("custom")) || record == QLatin1String("loaded white")
        || record == QLatin1String("palette")) {
        QVERIFY(manager.assignColor(&features[0], color));
        QCOMPARE(manager.colorOf(&features[0]), color);
    }
    QCOMPARE(manager.standsForNoColor(color), noColor);
}

void TestColorManager::currentManagerFollowsConstruction()
{
    FeatureList features = makeFeatures({QStringLiteral("A")});
    auto first = std::make_unique<ColorManager>(&features, 1);
    QCOMPARE(ColorManager::current(), first.get());
    {
        FeatureList others = makeFeatures({QStringLiteral("B")});
        ColorManager second(&others, 1);
        QCOMPARE(ColorManager::current(), &second);
        first.reset(); // not current any more: leaves the current one alone
        QCOMPARE(ColorManager::current(), &second);
    }
    // The destroyed manager is no longer reachable through Feature::color().
    QCOMPARE(ColorManager::current(), nullptr);
    QCOMPARE(features.at(0).color(), nullptr);
}

void TestColorManager::treeItemStartsWithoutColor()
{
    MyTreeWidgetItem row({QStringLiteral("Logging")});
    QCOMPARE(row.type(), 0);
    QCOMPARE(row.text(0), QStringLiteral("Logging"));
    QVERIFY(row.paletteColor());
    QVERIFY(!row.paletteColor()->color().isValid());
    QVERIFY(!row.data(0, Qt::BackgroundRole).isValid());
}

void TestColorManager::treeItemSetAndRemoveColor()
{
    FeatureList features;
    ColorManager manager(&features, 3);
    PaletteColor *first = manager.ColorArray.at(0);
    PaletteColor *second = manager.ColorArray.at(1);
    MyTreeWidgetItem row({QStringLiteral("Logging")});

    row.setPaletteColor(first);
    QCOMPARE(row.paletteColor(), first);
    QCOMPARE(row.data(0, Qt::BackgroundRole).typeId(), QMetaType::QColor);
    QCOMPARE(row.data(0, Qt::BackgroundRole).value<QColor>(), first->color());
    QVERIFY(!first->isFree());
    QVERIFY(!row.data(1, Qt::BackgroundRole).isValid());

    // Taking a new colour does not give the old one back.
    row.setPaletteColor(second);
    QVERIFY(!first->isFree());
    QVERIFY(!second->isFree());
    QCOMPARE(row.background(0).color(), second->color());

    row.removeColor();
    QVERIFY(second->isFree());
    QVERIFY(row.paletteColor());
    QVERIFY(row.paletteColor() != second);
    QVERIFY(!row.paletteColor()->color().isValid());
    QCOMPARE(row.background(0).style(), Qt::NoBrush);
    QVERIFY(row.data(0, Qt::BackgroundRole).value<QColor>() != second->color());

    // Removing twice frees nothing that the row does not hold.
    first->setFree(false);
    row.removeColor();
    QVERIFY(!first->isFree());
}

void TestColorManager::treeItemSetNullMeansNoColor()
{
    FeatureList features;
    ColorManager manager(&features, 1);
    MyTreeWidgetItem row({QStringLiteral("A")});
    row.setPaletteColor(manager.ColorArray.at(0));
    row.setPaletteColor(nullptr);
    QVERIFY(row.paletteColor());
    QVERIFY(!row.paletteColor()->color().isValid());
    QCOMPARE(row.background(0).style(), Qt::NoBrush);
}

void TestColorManager::listItemShowsColorButKeepsFlags()
{
    FeatureList features;
    ColorManager manager(&features, 2);
    PaletteColor *freeColor = manager.ColorArray.at(0);
    PaletteColor *takenColor = manager.ColorArray.at(1);
    takenColor->setFree(false);

    MyListWidgetItem entry(QStringLiteral("x"));
    QCOMPARE(entry.type(), 0);
    QCOMPARE(entry.text(), QStringLiteral("x"));
    QVERIFY(entry.paletteColor());
    QVERIFY(!entry.paletteColor()->color().isValid());

    entry.setPaletteColor(freeColor);
    QCOMPARE(entry.paletteColor(), freeColor);
    QCOMPARE(entry.background().color(), freeColor->color());
    QCOMPARE(entry.background().style(), Qt::SolidPattern);
    QVERIFY(freeColor->isFree());

    entry.setPaletteColor(takenColor);
    QVERIFY(!takenColor->isFree());
    QVERIFY(freeColor->isFree());

    entry.setPaletteColor(nullptr);
    QVERIFY(!entry.paletteColor()->color().isValid());
    QCOMPARE(entry.background().style(), Qt::NoBrush);
}

QTEST_MAIN(TestColorManager)
#include "tst_colormanager.moc"
