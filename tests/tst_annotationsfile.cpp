#include "core/formats/annotationsfile.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include "support/testfiles.h"

namespace {

// The elements read, in document order, as "kind:name@line", the kinds being
// P(roject), D (folder), F(ile), f(ragment), e (feature) and O(ther).
QString outline(const AnnotationsFile &file)
{
    static const char kinds[] = {'P', 'D', 'F', 'f', 'e', 'O'};
    QStringList parts;
    for (const AnnotationsFile::Element &element : file.elements)
        parts.append(QStringLiteral("%1:%2@%3")
                         .arg(QLatin1Char(kinds[int(element.kind)]))
                         .arg(element.name)
                         .arg(element.line));
    return parts.join(QLatin1Char(' '));
}

const QByteArray projectHead = "<project name=\"p\">\n <file name=\"A.c\" length=\"3\">\n";
const QByteArray projectTail = " </file>\n</project>\n";

} // namespace

class TestAnnotationsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void elementsAndTheirLines_data();
    void elementsAndTheirLines();
    void bothReadingsAgree_data();
    void bothReadingsAgree();
    void failures_data();
    void failures();
    void fragmentAttributesAsWritten();
    void bytesDeviceAndFileReadAlike();
};

void TestAnnotationsFile::elementsAndTheirLines_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("outline");
    QTest::addColumn<int>("childNodes"); // of the first fragment

    const QString head = QStringLiteral("P:p@1 F:A.c@2 ");
    QTest::newRow("project, file, fragment and feature")
        << projectHead + "  <fragment startline=\"1\" endline=\"2\">\n   <feature>A</feature>\n"
                         "  </fragment>\n" + projectTail
        << head + "f:@3 e:A@4" << 1;
    QTest::newRow("a comment in a fragment is a child node; lines stay")
        << projectHead + "  <fragment startline=\"1\" endline=\"2\"><!-- c -->\n"
                         "   <feature>A</feature>\n  </fragment>\n" + projectTail
        << head + "f:@3 e:A@4" << 2;
    QTest::newRow("text beside the feature is a child node")
        << projectHead + "  <fragment startline=\"1\" endline=\"2\">x\n   <feature>A</feature>\n"
                         "  </fragment>\n" + projectTail
        << head + "f:@3 e:A@4" << 2;
    QTest::newRow("a declared entity is expanded; lines stay")
        << "<!DOCTYPE project [<!ENTITY e \"B\">]>" + projectHead
               + "  <fragment startline=\"1\" endline=\"2\">\n   <feature>&e; || A</feature>\n"
                 "  </fragment>\n" + projectTail
        << QStringLiteral("P:p@1 F:A.c@2 f:@3 e:B || A@4") << 1;
    QTest::newRow("character data in a feature is its text")
        << projectHead + "  <fragment startline=\"1\" endline=\"2\">\n"
                         "   <feature><![CDATA[A && B]]></feature>\n  </fragment>\n" + projectTail
        << head + "f:@3 e:A && B@4" << 1;
    QTest::newRow("an element with a prefix is another element")
        << projectHead + "  <x:fragment/>\n  <fragment startline=\"1\">\n   <y:feature/>\n"
                         "  </fragment>\n" + projectTail
        << head + "O:x:fragment@3 f:@4 O:y:feature@5" << 1;
    QTest::newRow("unknown elements are kept without what they hold")
        << QByteArray("<project name=\"p\">\n <x>\n  <file name=\"B.c\"/>\n </x>\n"
                      " <file name=\"A.c\"/>\n</project>\n")
        << QStringLiteral("P:p@1 O:x@2 F:A.c@5") << -1;
    QTest::newRow("a file that is no source file is kept without what it holds")
        << QByteArray("<project name=\"p\">\n <file name=\"a.txt\">\n  <fragment/>\n </file>\n"
                      " <folder name=\"d\">\n  <file name=\"B.h\"/>\n </folder>\n</project>\n")
        << QStringLiteral("P:p@1 F:a.txt@2 D:d@5 F:B.h@6") << -1;
    QTest::newRow("features outside fragments are kept")
        << QByteArray("<project name=\"p\">\n <feature>A</feature>\n <folder name=\"d\">\n"
                      "  <feature>B.java</feature>\n </folder>\n</project>\n")
        << QStringLiteral("P:p@1 e:A@2 D:d@3 e:B.java@4") << -1;
    QTest::newRow("the text of a feature holds what is inside it")
        << projectHead + "  <fragment startline=\"1\">\n   <feature>A<b>B</b></feature>\n"
                         "  </fragment>\n  <fragment/>\n" + projectTail
        << head + "f:@3 e:AB@4 f:@6" << 1;
}

void TestAnnotationsFile::elementsAndTheirLines()
{
    QFETCH(QByteArray, xml);
    QFETCH(int, childNodes);

    const AnnotationsFile file = AnnotationsFile::parse(xml);
    QVERIFY(file.isRead());
    QTEST(outline(file), "outline");
    for (const AnnotationsFile::Element &element : file.elements) {
        if (element.kind == AnnotationsFile::Kind::Fragment) {
            QCOMPARE(element.childNodes, childNodes);
            break;
        }
    }
}

void TestAnnotationsFile::bothReadingsAgree_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<AnnotationsFile::Reading>("reading"); // the one that takes the file

    using Reading = AnnotationsFile::Reading;
    const QByteArray fragment = "  <fragment startline=\"1\" endline=\"2\" offset=\"0\" length=\"\">\n"
                                "   <feature>A &amp;&amp; !B</feature>\n  </fragment>\n";
    QTest::newRow("the common case")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + projectHead + fragment + projectTail
        << Reading::Bytes;
    QTest::newRow("white space in a feature") << projectHead + "  <fragment><feature> \n"
                                                               "</feature></fragment>\n"
                                                     + projectTail
                                              << Reading::Bytes;
    QTest::newRow("nested folders and a feature in a folder")
        << QByteArray("<project><folder name=\"a\"><folder name=\"b\"><feature>X</feature>"
                      "<file name=\"C.java\" length=\"x\"/></folder></folder></project>")
        << Reading::Bytes;
    QTest::newRow("tags after text, on lines of their own and in a line")
        << QByteArray("\n <project name='p'>x<file name=\"A.c\">\n<fragment startline = '1'\n"
                      "  endline=\"2\"/>\n\t<feature>F</feature><fragment/></file><folder\n"
                      "name=\"d\"></folder ></project>\n")
        << Reading::Bytes;
    QTest::newRow("elements not read, with what they hold")
        << QByteArray("<project><note a=\"1\"><b>t</b> &lt;x&gt; </note><file name=\"R.txt\">"
                      "<fragment startline=\"1\"/></file><file name=\"A.h\"><x/><fragment>"
                      "<y><z/></y><feature>G</feature></fragment></file></project>")
        << Reading::Bytes;
    QTest::newRow("references in a feature")
        << projectHead + "<fragment><feature>&quot;A&apos; &lt; &gt;</feature></fragment>"
               + projectTail
        << Reading::Bytes;
    // More feature texts than the reading keeps at hand, each met again
    // after others took its place; values of every line number.
    QByteArray many = projectHead;
    for (int i = 0; i < 3000; ++i)
        many += "<fragment startline=\"" + QByteArray::number(i) + "\" endline=\""
            + QByteArray::number(i % 97) + "\"><feature>F" + QByteArray::number(i % 1500)
            + (i % 4 ? "" : " &amp;&amp; !G") + "</feature></fragment>\n";
    QTest::newRow("texts and values by the thousand") << many + projectTail << Reading::Bytes;
    QTest::newRow("carriage returns")
        << QByteArray("<project name=\"p\">\r\n <folder name=\"a\"/>\r\n</project>\r\n")
        << Reading::Stream;
    QTest::newRow("a name outside ASCII")
        << projectHead + "<fragment><feature>\xc3\x84</feature></fragment>" + projectTail
        << Reading::Stream;
    QTest::newRow("a character reference")
        << projectHead + "<fragment><feature>&#65;</feature></fragment>" + projectTail
        << Reading::Stream;
    QTest::newRow("another encoding")
        << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><project name=\"p\"/>")
        << Reading::Stream;
    QTest::newRow("a line break in an attribute value")
        << QByteArray("<project name=\"a\nb\"/>") << Reading::Stream;
    QTest::newRow("processing instruction in a folder")
        << QByteArray("<?xml version=\"1.0\"?><project name=\"p\"><?pi x?><folder name=\"d\"/>"
                      "</project>")
        << Reading::Stream;
    QTest::newRow("an attribute twice")
        << QByteArray("<project name=\"a\" name=\"b\"/>") << Reading::DocumentTree;
    QTest::newRow("the end of a section in text")
        << QByteArray("<project>]]></project>") << Reading::DocumentTree;
    QTest::newRow("text after the document element")
        << QByteArray("<project/>x") << Reading::DocumentTree;
    QTest::newRow("an entity never declared")
        << projectHead + "<fragment><feature>&x;</feature></fragment>" + projectTail
        << Reading::DocumentTree;
    QTest::newRow("malformed")
        << QByteArray("<project name=\"p\">\n<folder name=\"a\">\n</project>")
        << Reading::DocumentTree;
    QTest::newRow("wrong document element") << QByteArray("<projekt/>") << Reading::DocumentTree;
    QTest::newRow("not XML at all") << QByteArray("just text") << Reading::DocumentTree;
}

void TestAnnotationsFile::bothReadingsAgree()
{
    QFETCH(QByteArray, xml);
    const AnnotationsFile tree = AnnotationsFile::parseDocument(xml);
    const AnnotationsFile file = AnnotationsFile::parse(xml);
    QTEST(file.reading, "reading");
    QVERIFY(file == tree);
    QVERIFY(AnnotationsFile::parse(xml, AnnotationsFile::Reading::Stream) == tree);

    // A file is read in text mode, without its carriage returns.
    QTemporaryDir dir;
    const QString path = dir.filePath(AnnotationsFile::fileName());
    QVERIFY(TestSupport::writeFile(path, xml));
    QVERIFY(AnnotationsFile::read(path) == AnnotationsFile::parse(QByteArray(xml).replace('\r', "")));
}

void TestAnnotationsFile::failures_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("line");

    QTest::newRow("an end tag that does not match")
        << QByteArray("<project name=\"p\">\n<folder name=\"a\">\n</project>\n")
        << int(AnnotationsFile::Status::ParseError) << 3;
    QTest::newRow("no XML") << QByteArray("\njust text") << int(AnnotationsFile::Status::ParseError)
                            << 2;
    QTest::newRow("another document element")
        << QByteArray("<projekt>\n</projekt>\n") << int(AnnotationsFile::Status::NotAProject) << 1;
}

void TestAnnotationsFile::failures()
{
    QFETCH(QByteArray, xml);
    const AnnotationsFile file = AnnotationsFile::parse(xml);
    QTEST(int(file.status), "status");
    QTEST(file.errorLine, "line");
    QVERIFY(!file.error.isEmpty());
    QVERIFY(file.elements.isEmpty());
}

void TestAnnotationsFile::fragmentAttributesAsWritten()
{
    const AnnotationsFile file = AnnotationsFile::parse(
        projectHead + "<fragment startline=\"x\" offset=\"\"/>" + projectTail);
    const AnnotationsFile::Element &fragment = file.elements.at(2);
    QCOMPARE(file.value(fragment.startLine), QStringLiteral("x"));
    // The checker tells a missing attribute from an empty one.
    QVERIFY(file.value(fragment.endLine).isNull());
    QVERIFY(!file.value(fragment.offset).isNull());
    QVERIFY(file.value(fragment.length).isNull());
    bool ok = true;
    QCOMPARE(AnnotationsFile::number(file.value(fragment.startLine), &ok), 0);
    QVERIFY(!ok);
}

void TestAnnotationsFile::bytesDeviceAndFileReadAlike()
{
    const QByteArray xml = projectHead + "<fragment startline=\"2\"><feature>A</feature></fragment>"
                           + projectTail;
    QTemporaryDir dir;
    const QString path = dir.filePath(AnnotationsFile::fileName());
    QVERIFY(TestSupport::writeFile(path, xml));
    QBuffer buffer;
    buffer.setData(xml);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const AnnotationsFile fromBytes = AnnotationsFile::parse(xml);
    QVERIFY(fromBytes.isRead());
    QVERIFY(AnnotationsFile::read(path) == fromBytes);
    QVERIFY(AnnotationsFile::parse(&buffer) == fromBytes);
    QCOMPARE(fromBytes.relativePath(1), QStringLiteral("A.c"));

    const AnnotationsFile missing = AnnotationsFile::read(dir.filePath(QStringLiteral("none")));
    QCOMPARE(missing.status, AnnotationsFile::Status::CannotOpen);
    QVERIFY(!missing.error.isEmpty());
}

Q_DECLARE_METATYPE(AnnotationsFile::Reading)

QTEST_APPLESS_MAIN(TestAnnotationsFile)
#include "tst_annotationsfile.moc"
