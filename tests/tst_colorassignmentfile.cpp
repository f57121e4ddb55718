#include "ui/colors/colormanager.h"
#include "ui/colors/palettecolor.h"
#include "core/model/feature.h"
#include "ui/colorsaves/colorassignmentfile.h"
#include "core/formats/colorassignmentformat.h"

#include "support/outputcapture.h"
#include "support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using ColorAssignmentFile::ApplyResult;

Q_DECLARE_METATYPE(QList<QColor>)

namespace {

const QColor red(255, 0, 0);
const QColor green(0, 128, 0);
const QColor dark(10, 20, 30);

// The wrapper every hand-written test file shares.
QByteArray assignmentFile(const QByteArray &pairs, const QByteArray &palette)
{
    return "<!DOCTYPE savedColorAssignment>\n<savedColorAssignment>\n<FCPList>" + pairs
           + "</FCPList>\n<colorArray>" + palette + "</colorArray>\n</savedColorAssignment>\n";
}

QByteArray colorElement(const QColor &c)
{
    return QStringLiteral("<color r=\"%1\" g=\"%2\" b=\"%3\"/>")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .toUtf8();
}

} // namespace

class TestColorAssignmentFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void writesTheDocumentByteForByte();
    void emptyListsAreEmptyElements_data();
    void emptyListsAreEmptyElements();
    void featureNamesAreEscaped();

    void fileNameFollowsTheProjectName_data();
    void fileNameFollowsTheProjectName();
    void numbersCountUpAndReuseAFreedNumber();
    void unwritableFolderIsReportedAndLeavesNoFile();

    void roundTripRestoresTheSavedColours();
    void applyingHandWrittenFiles_data();
    void applyingHandWrittenFiles();
    void brokenFilesChangeNothing_data();
    void brokenFilesChangeNothing();
    void onePassReadingReadsWhatTheTreeReads_data();
    void onePassReadingReadsWhatTheTreeReads();

private:
    // Palette red, green and the custom colour dark; Base holds red, Chat
    // has no colour (dark grey from the start), Logging holds dark.
    void assignSample();
    QString writeFile(const QByteArray &bytes);
    QString save();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_project;
    FeatureList m_features;
    std::unique_ptr<ColorManager> m_manager;
};

void TestColorAssignmentFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_project = m_dir->path() + QStringLiteral("/P");
    QVERIFY(QDir().mkdir(m_project));
    m_features = {Feature(0, QStringLiteral("Base")), Feature(1, QStringLiteral("Chat")),
                  Feature(2, QStringLiteral("Logging"))};
    m_manager = std::make_unique<ColorManager>(&m_features, int(m_features.size()));
    m_manager->ColorArray.clear();
}

void TestColorAssignmentFile::cleanup()
{
    m_manager.reset();
    m_dir.reset();
}

void TestColorAssignmentFile::assignSample()
{
    PaletteColor *custom = m_manager->createColor(dark);
    custom->setCustom(true);
    m_manager->ColorArray = {m_manager->createColor(red), m_manager->createColor(green), custom};
    QVERIFY(m_manager->assignColor(&m_features[0], m_manager->ColorArray[0]));
    QVERIFY(m_manager->assignColor(&m_features[2], custom));
}

QString TestColorAssignmentFile::writeFile(const QByteArray &bytes)
{
    const QString path = m_dir->path() + QStringLiteral("/handwritten.txt");
    return TestSupport::writeFile(path, bytes) ? path : QString();
}

QString TestColorAssignmentFile::save()
{
    const QString path = ColorAssignmentFile::nextFileName(m_project);
    if (!ColorAssignmentFile::write(path, m_manager->ColorArray, m_manager->FCPList, *m_manager))
        return QString();
    return path;
}

void TestColorAssignmentFile::writesTheDocumentByteForByte()
{
    assignSample();
    const QString path = save();
    QCOMPARE(path, m_project + QStringLiteral("/savedColorAssignments/P1.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray expected =
        "<!DOCTYPE savedColorAssignment>\n"
        "<savedColorAssignment>\n"
        "          <FCPList>\n"
        "                    <color index=\"0\" feature=\"Base\" r=\"255\" g=\"0\" b=\"0\""
        " isCustom=\"0\"/>\n"
        "                    <color index=\"1\" feature=\"Chat\" r=\"180\" g=\"180\" b=\"180\""
        " isCustom=\"2\"/>\n"
        "                    <color index=\"2\" feature=\"Logging\" r=\"10\" g=\"20\" b=\"30\""
        " isCustom=\"1\"/>\n"
        "          </FCPList>\n"
        "          <colorArray>\n"
        "                    <color index=\"0\" r=\"255\" g=\"0\" b=\"0\" isCustom=\"0\"/>\n"
        "                    <color index=\"1\" r=\"0\" g=\"128\" b=\"0\" isCustom=\"0\"/>\n"
        "                    <color index=\"2\" r=\"10\" g=\"20\" b=\"30\" isCustom=\"1\"/>\n"
        "          </colorArray>\n"
        "</savedColorAssignment>\n";
    QCOMPARE(file.readAll(), expected);
}

void TestColorAssignmentFile::emptyListsAreEmptyElements_data()
{
    QTest::addColumn<bool>("withPairs");
    QTest::addColumn<bool>("withPalette");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray head = "<!DOCTYPE savedColorAssignment>\n<savedColorAssignment>\n";
    const QByteArray tail = "</savedColorAssignment>\n";
    const QByteArray pairs =
        "          <FCPList>\n"
        "                    <color index=\"0\" feature=\"Base\" r=\"220\" g=\"220\" b=\"220\""
        " isCustom=\"2\"/>\n"
        "          </FCPList>\n";
    const QByteArray palette =
        "          <colorArray>\n"
        "                    <color index=\"0\" r=\"0\" g=\"128\" b=\"0\" isCustom=\"0\"/>\n"
        "          </colorArray>\n";
    QTest::newRow("no pairs") << false << true
                              << head + "          <FCPList/>\n" + palette + tail;
    QTest::newRow("no palette") << true << false
                                << head + pairs + "          <colorArray/>\n" + tail;
    QTest::newRow("nothing at all")
        << false << false << head + "          <FCPList/>\n          <colorArray/>\n" + tail;
}

void TestColorAssignmentFile::emptyListsAreEmptyElements()
{
    QFETCH(bool, withPairs);
    QFETCH(bool, withPalette);
    QFETCH(QByteArray, expected);

    QList<FeatureColorPair> pairs;
    if (withPairs)
        pairs.append({&m_features[0], m_manager->lightGrey()});
    QList<PaletteColor *> palette;
    if (withPalette)
        palette.append(m_manager->createColor(green));
    QCOMPARE(ColorAssignmentFile::toXml(palette, pairs, *m_manager), expected);
}

void TestColorAssignmentFile::featureNamesAreEscaped()
{
    Feature odd(0, QStringLiteral("A&\"B<"));
    const QList<FeatureColorPair> pairs{{&odd, m_manager->darkGrey()}};
    const QByteArray xml = ColorAssignmentFile::toXml({}, pairs, *m_manager);
    QVERIFY2(xml.contains("feature=\"A&amp;&quot;B&lt;\""), xml.constData());
}

void TestColorAssignmentFile::fileNameFollowsTheProjectName_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("last piece of the path") << QString() << QStringLiteral("P1.txt");
    QTest::newRow("path ending in a slash has no name") << QStringLiteral("/")
                                                        << QStringLiteral("1.txt");
}

void TestColorAssignmentFile::fileNameFollowsTheProjectName()
{
    QFETCH(QString, suffix);
    QFETCH(QString, fileName);
    const QString project = m_project + suffix;
    QCOMPARE(ColorAssignmentFile::nextFileName(project),
             project + QStringLiteral("/savedColorAssignments/") + fileName);
    QVERIFY(QFileInfo(m_project + QStringLiteral("/savedColorAssignments")).isDir());
}

void TestColorAssignmentFile::numbersCountUpAndReuseAFreedNumber()
{
    assignSample();
    const QString folder = m_project + QStringLiteral("/savedColorAssignments/");
    QCOMPARE(save(), folder + QStringLiteral("P1.txt"));
    QCOMPARE(save(), folder + QStringLiteral("P2.txt"));
    QCOMPARE(save(), folder + QStringLiteral("P3.txt"));
    QVERIFY(QFile::remove(folder + QStringLiteral("P2.txt")));
    QCOMPARE(save(), folder + QStringLiteral("P2.txt"));
    QCOMPARE(save(), folder + QStringLiteral("P4.txt"));
    QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 4);
}

void TestColorAssignmentFile::unwritableFolderIsReportedAndLeavesNoFile()
{
    // A plain file where the folder should be: neither mkdir nor writing can
    // succeed, whoever runs the test.
    QFile blocker(m_project + QStringLiteral("/savedColorAssignments"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    assignSample();
    const QString path = ColorAssignmentFile::nextFileName(m_project);
    TestSupport::OutputCapture capture;
    const bool written =
        ColorAssignmentFile::write(path, m_manager->ColorArray, m_manager->FCPList, *m_manager);
    const QString errors = capture.text();

    QVERIFY(!written);
    QVERIFY(!QFile::exists(path));
    const QString prefix = QStringLiteral("Error: Cannot write file ") + path + QStringLiteral(": ");
    QVERIFY2(errors.startsWith(prefix), qPrintable(errors));
    QVERIFY2(errors.endsWith(QLatin1Char('\n')), qPrintable(errors));
    QCOMPARE(errors.count(QLatin1Char('\n')), 1);
    QVERIFY2(errors.size() > prefix.size() + 1, "the reason is missing");
}

void TestColorAssignmentFile::roundTripRestoresTheSavedColours()
{
    assignSample();
    const QString path = save();
    QVERIFY(!path.isEmpty());
    const QList<PaletteColor *> oldPalette = m_manager->ColorArray;

    // Change everything: Base loses red, Chat takes green, a new colour appears.
    QVERIFY(m_manager->resetFeatureColor(&m_features[0]));
    QVERIFY(m_manager->assignColor(&m_features[1], m_manager->ColorArray[1]));
    m_manager->ColorArray.append(m_manager->createColor(QColor(1, 2, 3)));

    QCOMPARE(ColorAssignmentFile::apply(path, m_manager.get()), ApplyResult::Applied);

    const QList<PaletteColor *> &palette = m_manager->ColorArray;
    QCOMPARE(palette.size(), 3);
    const QList<QColor> expectedPalette{red, green, dark};
    for (int i = 0; i < palette.size(); ++i) {
        QCOMPARE(palette[i]->color(), expectedPalette[i]);
        QVERIFY2(!oldPalette.contains(palette[i]), "palette colours are new objects");
        QVERIFY2(!palette[i]->isCustom(), "custom colours come back as ordinary ones");
    }
    QCOMPARE(m_manager->FCPList.size(), 3);
    QCOMPARE(m_manager->FCPList[0].color, palette[0]);
    QVERIFY(m_manager->FCPList[1].color == m_manager->lightGrey()
            || m_manager->FCPList[1].color == m_manager->darkGrey());
    QCOMPARE(m_manager->FCPList[2].color, palette[2]);
    QVERIFY(!palette[0]->isFree());
    QVERIFY(palette[1]->isFree());
    QVERIFY(!palette[2]->isFree());
}

void TestColorAssignmentFile::applyingHandWrittenFiles_data()
{
    QTest::addColumn<QByteArray>("pairs");
    QTest::addColumn<QByteArray>("palette");
    QTest::addColumn<QList<QColor>>("expectedPalette");
    // Per feature: the index of its colour in the new palette, -1 for grey.
    QTest::addColumn<QList<int>>("expectedColors");

    const QColor black(0, 0, 0);
    const QColor grey(220, 220, 220);
    const QColor a(1, 2, 3);
    const QColor b(9, 9, 9);

    QTest::newRow("later duplicate wins")
        << colorElement(a) << colorElement(a) + colorElement(a) << QList<QColor>{a, a}
        << QList<int>{1, -1, -1};
    QTest::newRow("two features with equal colours both get it back")
        << colorElement(a) + colorElement(a) << colorElement(a) + colorElement(a)
        << QList<QColor>{a, a} << QList<int>{1, 0, -1};
    QTest::newRow("more equal pairs than palette colours fall back to grey")
        << colorElement(a) + colorElement(a) << colorElement(a) << QList<QColor>{a}
        << QList<int>{0, -1, -1};
    QTest::newRow("short pair list gives black when black is in the palette")
        << colorElement(b) << colorElement(black) + colorElement(b)
        << QList<QColor>{black, b} << QList<int>{1, 0, -1};
    QTest::newRow("short pair list gives grey without black in the palette")
        << colorElement(b) << colorElement(a) + colorElement(b) << QList<QColor>{a, b}
        << QList<int>{1, -1, -1};
    QTest::newRow("grey pair goes back to grey")
        << colorElement(grey) + colorElement(a) + colorElement(grey) << colorElement(a)
        << QList<QColor>{a} << QList<int>{-1, 0, -1};
    QTest::newRow("file of another model applies by position")
        << QByteArray("<color index=\"7\" feature=\"Zeta\" r=\"9\" g=\"9\" b=\"9\"/>"
                      "<color index=\"3\" feature=\"Base\" r=\"1\" g=\"2\" b=\"3\"/>")
        << colorElement(a) + colorElement(b) << QList<QColor>{a, b} << QList<int>{1, 0, -1};
    QTest::newRow("isCustom and index are not read")
        << QByteArray("<color index=\"2\" r=\"1\" g=\"2\" b=\"3\" isCustom=\"2\"/>")
        << QByteArray("<color index=\"5\" r=\"1\" g=\"2\" b=\"3\" isCustom=\"1\"/>")
        << QList<QColor>{a} << QList<int>{0, -1, -1};
    QTest::newRow("malformed channels read as 0")
        << QByteArray("<color r=\"x\" g=\"\"/>") << colorElement(a) + colorElement(black)
        << QList<QColor>{a, black} << QList<int>{1, -1, -1};
    QTest::newRow("channels out of range read as 0")
        << QByteArray("<color r=\"300\" g=\"-4\" b=\"256\"/>")
        << QByteArray("<color r=\"999\" g=\"2\" b=\"-1\"/>")
        << QList<QColor>{QColor(0, 2, 0)} << QList<int>{-1, -1, -1};
    QTest::newRow("palette skips elements not named color")
        << colorElement(b) << colorElement(a) + "<other r=\"9\" g=\"9\" b=\"9\"/>" + colorElement(b)
        << QList<QColor>{a, b} << QList<int>{1, -1, -1};
    QTest::newRow("first palette child that is no element leaves the palette empty")
        << colorElement(a) << "<!-- none -->" + colorElement(a) << QList<QColor>{}
        << QList<int>{-1, -1, -1};
    QTest::newRow("a non-element pair reads as black")
        << "<!-- skipped -->" + colorElement(a) << colorElement(a) + colorElement(black)
        << QList<QColor>{a, black} << QList<int>{1, 0, -1};
    QTest::newRow("text in the pair list is a pair too")
        << "x" + colorElement(a) << colorElement(black) + colorElement(a)
        << QList<QColor>{black, a} << QList<int>{0, 1, -1};
    QTest::newRow("elements inside a colour are not read")
        << "<color r=\"1\" g=\"2\" b=\"3\">" + colorElement(b) + "</color>"
        << colorElement(a) << QList<QColor>{a} << QList<int>{0, -1, -1};
    QTest::newRow("the first palette element counts whatever its name")
        << colorElement(b) << "<first r=\"1\" g=\"2\" b=\"3\"/>" + colorElement(b)
        << QList<QColor>{a, b} << QList<int>{1, -1, -1};
}

void TestColorAssignmentFile::applyingHandWrittenFiles()
{
    QFETCH(QByteArray, pairs);
    QFETCH(QByteArray, palette);
    QFETCH(QList<QColor>, expectedPalette);
    QFETCH(QList<int>, expectedColors);

    // Start from a state the file must overwrite: every feature coloured.
    assignSample();
    QVERIFY(m_manager->assignColor(&m_features[1], m_manager->ColorArray[1]));

    // The file's own reader makes the same choices without a colour manager.
    ColorAssignmentFormat::Contents contents;
    QString message;
    QCOMPARE(ColorAssignmentFormat::parse(assignmentFile(pairs, palette), &contents, &message),
             ColorAssignmentFormat::ReadResult::Read);
    QCOMPARE(ColorAssignmentFormat::paletteChoices(contents, int(m_features.size())),
             expectedColors);
    ColorAssignmentFormat::Contents tree;
    QCOMPARE(ColorAssignmentFormat::parseDocument(assignmentFile(pairs, palette), &tree, &message),
             ColorAssignmentFormat::ReadResult::Read);
    QVERIFY(tree == contents);

    const QString path = writeFile(assignmentFile(pairs, palette));
    QVERIFY(!path.isEmpty());
    QCOMPARE(ColorAssignmentFile::apply(path, m_manager.get()), ApplyResult::Applied);

    const QList<PaletteColor *> &newPalette = m_manager->ColorArray;
    QCOMPARE(newPalette.size(), expectedPalette.size());
    for (int i = 0; i < newPalette.size(); ++i) {
        QCOMPARE(newPalette[i]->color(), expectedPalette[i]);
        QCOMPARE(newPalette[i]->color().alpha(), 255);
    }
    QCOMPARE(m_manager->FCPList.size(), m_features.size());
    for (int i = 0; i < expectedColors.size(); ++i) {
        const FeatureColorPair &pair = m_manager->FCPList[i];
        QCOMPARE(pair.feature, &m_features[i]);
        if (expectedColors[i] < 0) {
            QVERIFY2(pair.color == m_manager->lightGrey() || pair.color == m_manager->darkGrey(),
                     qPrintable(QStringLiteral("feature %1 should be grey").arg(i)));
        } else {
            QCOMPARE(pair.color, newPalette[expectedColors[i]]);
            QVERIFY(!pair.color->isFree());
        }
    }
}

void TestColorAssignmentFile::brokenFilesChangeNothing_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("expectedStart");
    QTest::addColumn<bool>("wholeLine");

    QTest::newRow("missing file")
        << QByteArray() << int(ApplyResult::CannotRead)
        << QStringLiteral("Error: Cannot read file : No such file or directory\n") << true;
    QTest::newRow("not well-formed")
        << QByteArray("<savedColorAssignment>\n<FCPList>\n</savedColorAssignment>\n")
        << int(ApplyResult::ParseError) << QStringLiteral("Error: Parse error at line 3, column ")
        << false;
    QTest::newRow("other root element")
        << assignmentFile(colorElement(Qt::blue), colorElement(Qt::blue))
               .replace("savedColorAssignment>", "colorAssignment>")
        << int(ApplyResult::NotAssignmentFile)
        << QStringLiteral("Error: File is not a savedColorAssignment file\n") << true;
}

void TestColorAssignmentFile::brokenFilesChangeNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(int, result);
    QFETCH(QString, expectedStart);
    QFETCH(bool, wholeLine);

    assignSample();
    const QList<PaletteColor *> palette = m_manager->ColorArray;
    const QList<FeatureColorPair> pairs = m_manager->FCPList;
    const QString path = content.isEmpty() ? m_dir->path() + QStringLiteral("/absent.txt")
                                           : writeFile(content);
    QVERIFY(!path.isEmpty());

    TestSupport::OutputCapture capture;
    const ApplyResult applied = ColorAssignmentFile::apply(path, m_manager.get());
    const QString errors = capture.text();

    QCOMPARE(int(applied), result);
    if (wholeLine) {
        QCOMPARE(errors, expectedStart);
    } else {
        QVERIFY2(errors.startsWith(expectedStart), qPrintable(errors));
        QCOMPARE(errors.count(QLatin1Char('\n')), 1);
        QVERIFY2(errors.endsWith(QLatin1Char('\n')), qPrintable(errors));
        // The column is a number followed by ": " and the parser's message.
        const QString rest = errors.mid(expectedStart.size());
        const int colon = rest.indexOf(QStringLiteral(": "));
        QVERIFY2(colon > 0, qPrintable(errors));
        bool isNumber = false;
        rest.left(colon).toInt(&isNumber);
        QVERIFY2(isNumber, qPrintable(errors));
        QVERIFY2(rest.size() > colon + 3, "the parser's message is missing");
    }
    QCOMPARE(m_manager->ColorArray, palette);
    QCOMPARE(m_manager->FCPList.size(), pairs.size());
    for (int i = 0; i < pairs.size(); ++i) {
        QCOMPARE(m_manager->FCPList[i].feature, pairs[i].feature);
        QCOMPARE(m_manager->FCPList[i].color, pairs[i].color);
    }
}

void TestColorAssignmentFile::onePassReadingReadsWhatTheTreeReads_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("onePass");

    const QByteArray saved = assignmentFile(colorElement(red), colorElement(red) + colorElement(dark));
    QTest::newRow("as saved") << saved << true;
    QTest::newRow("as saved by another save")
        << ColorAssignmentFormat::toXml({{QStringLiteral("a<b"), {1, 2, 3}, 0}},
                                        {{{1, 2, 3}, true}})
        << true;
    QTest::newRow("without a document type") << assignmentFile({}, {}).mid(32) << true;
    QTest::newRow("a comment in the root")
        << QByteArray(saved).replace("<FCPList>", "<!-- c --><FCPList>") << false;
    QTest::newRow("a processing instruction in the palette")
        << QByteArray(saved).replace("<colorArray>", "<colorArray><?p x?>") << false;
    QTest::newRow("character data in the pair list")
        << QByteArray(saved).replace("<FCPList>", "<FCPList><![CDATA[ ]]>") << false;
    QTest::newRow("a second document type")
        << "<!DOCTYPE savedColorAssignment>" + saved << false;
    QTest::newRow("an internal subset")
        << QByteArray(saved).replace("<!DOCTYPE savedColorAssignment>",
                                     "<!DOCTYPE savedColorAssignment [<!ENTITY e \"9\">]>")
        << false;
    QTest::newRow("a prefixed colour in the palette")
        << QByteArray(saved).replace("</colorArray>", "<x:color r=\"1\"/></colorArray>") << false;
    QTest::newRow("another root") << QByteArray(saved).replace("savedColorAssignment>", "other>")
                                  << false;
    QTest::newRow("not well-formed") << saved.left(saved.size() - 10) << false;
    QTest::newRow("comments around the root")
        << "<!-- before -->" + saved + "<!-- after -->" << true;
}

// The common case is read in one pass; whatever the one pass reads, the
// document tree reads alike, to the result and the colours.
void TestColorAssignmentFile::onePassReadingReadsWhatTheTreeReads()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, onePass);

    ColorAssignmentFormat::Contents contents;
    ColorAssignmentFormat::Contents tree;
    QString message;
    QString treeMessage;
    const auto result = ColorAssignmentFormat::parse(content, &contents, &message);
    QCOMPARE(contents.readInOnePass, onePass);
    QCOMPARE(ColorAssignmentFormat::parseDocument(content, &tree, &treeMessage), result);
    QVERIFY(tree == contents);
    QCOMPARE(message, treeMessage);
}

QTEST_GUILESS_MAIN(TestColorAssignmentFile)
#include "tst_colorassignmentfile.moc"
