// Saved colour assignments that are damaged, foreign or cannot be written:
// nothing is applied from a bad file, a failed save leaves no file and no
// button behind, and whatever was saved can be loaded again.

#include "support/diskfull.h"
#include "support/outputcapture.h"
#include "support/readonlyfolder.h"
#include "support/testfiles.h"

#include "ui/mainwindow/mainwindow.h"
#include "ui/colors/colormanager.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/colorsaves/assignmentfilechooser.h"
#include "ui/colorsaves/colorassignmentfile.h"
#include "ui/colorsaves/loadbutton.h"
#include "ui/questionnaire/questiondialog.h"

#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using ColorAssignmentFile::ApplyResult;
Q_DECLARE_METATYPE(ApplyResult)

namespace {

// What the features and the palette show: the palette's colours and, per
// feature, the colour object it holds.
struct Snapshot
{
    QList<PaletteColor *> palette;
    QList<PaletteColor *> pairs;

    explicit Snapshot(const ColorManager &manager) : palette(manager.ColorArray)
    {
        for (const FeatureColorPair &pair : manager.FCPList)
            pairs.append(pair.color);
    }
    bool operator==(const Snapshot &other) const
    {
        return palette == other.palette && pairs == other.pairs;
    }
};

QList<QRgb> pairColors(const ColorManager &manager)
{
    QList<QRgb> colors;
    for (const FeatureColorPair &pair : manager.FCPList)
        colors.append(pair.color->color().rgb());
    return colors;
}

// The colours of the features, with the two placeholder greys (which
// alternate by how often features were reset) read as one "no colour".
QList<QRgb> givenColors(const ColorManager &manager)
{
    QList<QRgb> colors;
    for (const FeatureColorPair &pair : manager.FCPList)
        colors.append(manager.isGrey(pair.color->color()) ? 0 : pair.color->color().rgb());
    return colors;
}

FeatureList namedFeatures(const QStringList &names)
{
    FeatureList features;
    for (const QString &name : names)
        features.append(Feature(qint32(features.size()), name));
    return features;
}

QByteArray savedFile(const QByteArray &pairs, const QByteArray &palette)
{
    return "<!DOCTYPE savedColorAssignment>\n<savedColorAssignment>\n<FCPList>" + pairs
           + "</FCPList>\n<colorArray>" + palette + "</colorArray>\n</savedColorAssignment>\n";
}

const QByteArray validFile = savedFile(
    "<color index=\"0\" feature=\"A\" r=\"10\" g=\"20\" b=\"30\" isCustom=\"0\"/>"
    "<color index=\"1\" feature=\"B\" r=\"220\" g=\"220\" b=\"220\" isCustom=\"2\"/>",
    "<color index=\"0\" r=\"10\" g=\"20\" b=\"30\" isCustom=\"0\"/>"
    "<color index=\"1\" r=\"40\" g=\"50\" b=\"60\" isCustom=\"0\"/>");

} // namespace

class TestBadInputSaved : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void damagedFile_data();
    void damagedFile();
    void oddValues_data();
    void oddValues();
    void damagedFileThroughTheWindow();

    void unwritableProjectFolder();
    void fullDiskWhenSaving();
    void featureNamesSurviveSaving_data();
    void featureNamesSurviveSaving();
    void tenThousandFeatures();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestBadInputSaved::initTestCase()
{
    qputenv("USERNAME", "tester");
}

void TestBadInputSaved::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestBadInputSaved::cleanup()
{
    AssignmentFileChooser::setChooser({});
    m_dir.reset();
}

void TestBadInputSaved::damagedFile_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<missing>" and "<directory>" stand for those
    QTest::addColumn<ApplyResult>("result");
    QTest::addColumn<QString>("message");

    const QString cannotRead = QStringLiteral("Error: Cannot read file : ");
    const QString parseError = QStringLiteral("Error: Parse error at line ");
    QTest::newRow("missing") << QByteArray("<missing>") << ApplyResult::CannotRead << cannotRead;
    QTest::newRow("unreadable (a folder)")
        << QByteArray("<directory>") << ApplyResult::CannotRead << cannotRead;
    QTest::newRow("empty") << QByteArray() << ApplyResult::ParseError << parseError;
    QTest::newRow("truncated") << validFile.left(validFile.size() - 40)
                               << ApplyResult::ParseError << parseError;
    QTest::newRow("wrong root element")
        << QByteArray("<project name=\"p\"><file name=\"A.java\"/></project>")
        << ApplyResult::NotAssignmentFile
        << QStringLiteral("Error: File is not a savedColorAssignment file");
    QTest::newRow("Latin-1 without declaration: not XML")
        << savedFile("<color feature=\"Gr\xf6\xdf" "e\" r=\"1\" g=\"2\" b=\"3\"/>", "")
        << ApplyResult::ParseError << parseError;
    QTest::newRow("NUL byte: not XML") << QByteArray("<savedColorAssignment>\0<FCPList/>", 33)
                                       << ApplyResult::ParseError << parseError;
    QTest::newRow("binary") << TestSupport::binaryBytes() << ApplyResult::ParseError << parseError;
}

void TestBadInputSaved::damagedFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(ApplyResult, result);
    QFETCH(QString, message);

    const QString file = path(QStringLiteral("saved1.txt"));
    if (bytes == "<directory>")
        QVERIFY(QDir().mkdir(file));
    else if (bytes != "<missing>")
        QVERIFY(TestSupport::writeFile(file, bytes));

    FeatureList features = namedFeatures({"A", "B", "C"});
    ColorManager manager(&features, int(features.size()));
    QVERIFY(manager.assignColor(&features[1], manager.ColorArray.at(2)));
    const Snapshot before(manager);

    TestSupport::OutputCapture errors(STDERR_FILENO);
    QCOMPARE(ColorAssignmentFile::apply(file, &manager), result);
    const QString printed = errors.text();
    QVERIFY2(printed.startsWith(message), qPrintable(printed));
    QCOMPARE(printed.count(QLatin1Char('\n')), 1);
    QVERIFY(Snapshot(manager) == before);
}

// Values a hand edit may leave: every feature still ends with a colour of
// the new palette or grey.
void TestBadInputSaved::oddValues_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QRgb>>("palette");
    QTest::addColumn<QList<QRgb>>("features"); // A, B, C afterwards

    const QRgb grey = qRgb(220, 220, 220);
    const QRgb darkGrey = qRgb(180, 180, 180);
    QTest::newRow("channels out of range or not numbers read as 0")
        << savedFile("<color r=\"300\" g=\"-1\" b=\"x\"/>", "<color r=\"999\" g=\"\" b=\"7e2\"/>")
        << QList<QRgb>{qRgb(0, 0, 0)} << QList<QRgb>{qRgb(0, 0, 0), darkGrey, grey};
    QTest::newRow("fewer pairs than features: the rest read as black")
        << savedFile("<color r=\"1\" g=\"2\" b=\"3\"/>",
                     "<color r=\"1\" g=\"2\" b=\"3\"/><color r=\"0\" g=\"0\" b=\"0\"/>")
        << QList<QRgb>{qRgb(1, 2, 3), qRgb(0, 0, 0)}
        << QList<QRgb>{qRgb(1, 2, 3), qRgb(0, 0, 0), darkGrey};
    QTest::newRow("other elements between the colours are skipped")
        << savedFile("", "<color r=\"1\" g=\"1\" b=\"1\"/><x/><color r=\"2\" g=\"2\" b=\"2\"/>")
        << QList<QRgb>{qRgb(1, 1, 1), qRgb(2, 2, 2)} << QList<QRgb>{darkGrey, grey, darkGrey};
    QTest::newRow("palette missing altogether")
        << QByteArray("<savedColorAssignment><FCPList><color r=\"5\" g=\"5\" b=\"5\"/>"
                      "</FCPList></savedColorAssignment>")
        << QList<QRgb>{} << QList<QRgb>{darkGrey, grey, darkGrey};
}

void TestBadInputSaved::oddValues()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QRgb>, palette);
    QFETCH(QList<QRgb>, features);

    const QString file = path(QStringLiteral("saved1.txt"));
    QVERIFY(TestSupport::writeFile(file, bytes));
    FeatureList list = namedFeatures({"A", "B", "C"});
    ColorManager manager(&list, int(list.size()));
    QCOMPARE(ColorAssignmentFile::apply(file, &manager), ApplyResult::Applied);
    QList<QRgb> paletteNow;
    for (const PaletteColor *color : manager.ColorArray)
        paletteNow.append(color->color().rgb());
    QCOMPARE(paletteNow, palette);
    QCOMPARE(pairColors(manager), features);
}

void TestBadInputSaved::damagedFileThroughTheWindow()
{
    const QString project = path(QStringLiteral("p"));
    QVERIFY(TestSupport::writeFile(project + QStringLiteral("/model.m"), "R:A|B;"));
    const QString damaged = project + QStringLiteral("/savedColorAssignments/p1.txt");
    QVERIFY(TestSupport::writeFile(damaged, validFile.left(50)));
    AssignmentFileChooser::setChooser(
        [&damaged](QWidget *, const QString &, const QString &) { return damaged; });

    MainWindow window(project);
    window.questionDialog()->setClock([] { return qint64(1700000000); });
    const Snapshot before(*window.colorManager());
    auto *list = window.findChild<QListWidget *>(QStringLiteral("listWidget_3"));
    QVERIFY(list);
    TestSupport::OutputCapture errors(STDERR_FILENO);
    window.loadColors();
    QVERIFY(errors.text().startsWith(QLatin1String("Error: Parse error at line ")));

    // The damaged file is listed, nothing changed and nothing was logged.
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), damaged);
    QVERIFY(Snapshot(*window.colorManager()) == before);
    QVERIFY(!QFile::exists(window.questionDialog()->logFilePath()));
}

void TestBadInputSaved::unwritableProjectFolder()
{
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("model.m")), "R:A|B;"));
    MainWindow window(m_dir->path());
    auto *frame = window.findChild<QWidget *>(QStringLiteral("frame_loadButtons"));
    QVERIFY(frame);
    QString printed;
    {
        TestSupport::ReadOnlyFolder readOnly(m_dir->path());
        if (!readOnly.isActive())
            QSKIP("cannot make the folder unwritable for this process");
        TestSupport::OutputCapture errors(STDERR_FILENO);
        window.saveColors();
        printed = errors.text();
    }
    // Said on the console; no button for a file that does not exist.
    QVERIFY2(printed.startsWith(QLatin1String("Error: Cannot write file ")), qPrintable(printed));
    QCOMPARE(frame->findChildren<LoadButton *>().size(), 0);
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("savedColorAssignments"))));
}

void TestBadInputSaved::fullDiskWhenSaving()
{
    QVERIFY(TestSupport::writeFile(path(QStringLiteral("model.m")), "R:A|B;"));
    MainWindow window(m_dir->path());
    auto *frame = window.findChild<QWidget *>(QStringLiteral("frame_loadButtons"));
    QVERIFY(frame);
    window.saveColors();
    QCOMPARE(frame->findChildren<LoadButton *>().size(), 1);

    QString printed;
    {
        TestSupport::DiskFull full(0);
        QVERIFY(full.isActive());
        TestSupport::OutputCapture errors(STDERR_FILENO);
        window.saveColors();
        printed = errors.text();
    }
    QVERIFY2(printed.startsWith(QLatin1String("Error: Cannot write file ")), qPrintable(printed));
    // The first save is intact; of the second no file, piece or button is left.
    const QDir folder(ColorAssignmentFile::folderPath(m_dir->path()));
    QCOMPARE(folder.entryList(QDir::Files), QStringList{QFileInfo(m_dir->path()).fileName()
                                                        + QStringLiteral("1.txt")});
    QCOMPARE(frame->findChildren<LoadButton *>().size(), 1);
    QCOMPARE(ColorAssignmentFile::apply(folder.filePath(folder.entryList(QDir::Files).first()),
                                        window.colorManager()),
             ApplyResult::Applied);
}

// Feature names only label the pairs, but whatever they hold, the file must
// stay readable.
void TestBadInputSaved::featureNamesSurviveSaving_data()
{
    QTest::addColumn<QString>("name");

    QTest::newRow("markup characters") << QStringLiteral("a<b>&\"c'");
    QTest::newRow("pattern characters") << QStringLiteral("(x|y)*.+?[z]");
    QTest::newRow("letters beyond ASCII") << QStringLiteral("Größe_名前_😀");
    QTest::newRow("empty name") << QString();
    QTest::newRow("control character") << QStringLiteral("a\x01" "b\x7f");
}

void TestBadInputSaved::featureNamesSurviveSaving()
{
    QFETCH(QString, name);

    FeatureList features = namedFeatures({QStringLiteral("plain"), name, QStringLiteral("z")});
    ColorManager manager(&features, int(features.size()));
    QVERIFY(manager.assignColor(&features[1], manager.ColorArray.at(1)));
    QVERIFY(manager.assignColor(&features[2], manager.ColorArray.at(0)));
    const QList<QRgb> saved = givenColors(manager);
    QCOMPARE(saved.count(0), 1);

    const QString file = ColorAssignmentFile::nextFileName(m_dir->path());
    QVERIFY(ColorAssignmentFile::write(file, manager.ColorArray, manager.FCPList, manager));
    ColorManager fresh(&features, int(features.size()));
    QCOMPARE(ColorAssignmentFile::apply(file, &fresh), ApplyResult::Applied);
    QCOMPARE(givenColors(fresh), saved);
}

void TestBadInputSaved::tenThousandFeatures()
{
    QStringList names;
    for (int i = 0; i < 10000; ++i)
        names.append(QStringLiteral("F%1").arg(i));
    FeatureList features = namedFeatures(names);
    ColorManager manager(&features, int(features.size()));
    QCOMPARE(manager.ColorArray.size(), 200);
    for (int i = 0; i < 200; ++i)
        QVERIFY(manager.assignColor(&features[i * 50], manager.ColorArray.at(i)));
    const QList<QRgb> saved = givenColors(manager);
    QCOMPARE(saved.count(0), 10000 - 200);

    const QString file = ColorAssignmentFile::nextFileName(m_dir->path());
    QVERIFY(ColorAssignmentFile::write(file, manager.ColorArray, manager.FCPList, manager));
    ColorManager fresh(&features, int(features.size()));
    QCOMPARE(ColorAssignmentFile::apply(file, &fresh), ApplyResult::Applied);
    QCOMPARE(givenColors(fresh), saved);
}

QTEST_MAIN(TestBadInputSaved)
#include "tst_badinput_saved.moc"
