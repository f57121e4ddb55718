#include "ui/codeview/highlighter.h"

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

// Colour names as the test rows use them; Default is text the highlighter
// leaves alone.
enum class Ink { Default, Magenta, Green, Blue };

Ink inkOf(const QColor &color)
{
    if (!color.isValid())
        return Ink::Default;
    if (color == QColor(Qt::darkMagenta))
        return Ink::Magenta;
    if (color == QColor(Qt::darkGreen))
        return Ink::Green;
    if (color == QColor(Qt::blue))
        return Ink::Blue;
    return Ink::Default;
}

const char *inkName(Ink ink)
{
    switch (ink) {
    case Ink::Default: return "default";
    case Ink::Magenta: return "dark magenta";
    case Ink::Green: return "dark green";
    case Ink::Blue: return "blue";
    }
    return "?";
}

// The foreground the highlighter gave one character, read back from the
// block's layout where the highlighter leaves its formats.
QColor foregroundAt(const QTextDocument &document, int line, int column)
{
    const QTextBlock block = document.findBlockByNumber(line);
    const QList<QTextLayout::FormatRange> ranges = block.layout()->formats();
    QColor color;
    for (const QTextLayout::FormatRange &range : ranges) {
        if (column >= range.start && column < range.start + range.length
            && range.format.hasProperty(QTextFormat::ForegroundBrush))
            color = range.format.foreground().color();
    }
    return color;
}

} // namespace

Q_DECLARE_METATYPE(Ink)

class TestHighlighter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void colours_data();
    void colours();
    void blockStates_data();
    void blockStates();
    void onlyColoursAreSet();
};

void TestHighlighter::colours_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("part"); // first occurrence of this in the line
    QTest::addColumn<Ink>("ink");

    QTest::newRow("keyword int") << "int main()" << 0 << "int" << Ink::Magenta;
    QTest::newRow("word before parenthesis is a function") << "int main()" << 0 << "main"
                                                             << Ink::Blue;
    QTest::newRow("parentheses themselves") << "int main()" << 0 << "()" << Ink::Default;

    QTest::newRow("function call inside line comment")
        << "x = 1; // see foo(bar)" << 0 << "foo" << Ink::Blue;
    QTest::newRow("comment slashes") << "x = 1; // see foo(bar)" << 0 << "// see "
                                     << Ink::Green;
    QTest::newRow("argument inside comment") << "x = 1; // see foo(bar)" << 0 << "(bar)"
                                             << Ink::Green;
    QTest::newRow("keyword inside line comment") << "// int counter" << 0 << "int"
                                                 << Ink::Green;
    QTest::newRow("blank before parenthesis in comment")
        << "// see foo (bar)" << 0 << "foo" << Ink::Green;
    QTest::newRow("code before a line comment") << "int a; // c" << 0 << "int" << Ink::Magenta;

    const QString twoStrings = QStringLiteral("s = \"a\" + value + \"b\";");
    QTest::newRow("first quote") << twoStrings << 0 << "\"a" << Ink::Green;
    QTest::newRow("code between two strings") << twoStrings << 0 << "value" << Ink::Green;
    QTest::newRow("last quote") << twoStrings << 0 << "b\"" << Ink::Green;
    QTest::newRow("after the last quote") << twoStrings << 0 << ";" << Ink::Default;
    QTest::newRow("function name inside a string")
        << "s = \"call(x)\";" << 0 << "call" << Ink::Blue;

    QTest::newRow("open comment runs to line end") << "a /* b int c" << 0 << "int"
                                                  << Ink::Green;
    QTest::newRow("next line green up to comment end")
        << "a /* b\nint c */ int d" << 1 << "int c */" << Ink::Green;
    QTest::newRow("code after the comment end")
        << "a /* b\nc */ int d" << 1 << "int" << Ink::Magenta;
    QTest::newRow("comment closed on its own line")
        << "a /* b */ int c" << 0 << "/* b */" << Ink::Green;
    QTest::newRow("code after a closed comment") << "a /* b */ int c" << 0 << "int"
                                                 << Ink::Magenta;
    QTest::newRow("second comment on a continuing line")
        << "/* a\nb */ c /* d */ e" << 1 << "/* d */" << Ink::Green;
    QTest::newRow("code between two comments")
        << "/* a\nb */ c /* d */ e" << 1 << " c " << Ink::Default;
    QTest::newRow("function inside a block comment")
        << "/* foo(x) */" << 0 << "foo" << Ink::Green;
    QTest::newRow("closing mark without opening") << "a */ b" << 0 << "*/" << Ink::Default;
    QTest::newRow("three lines of comment") << "/* a\nint b\nc */" << 1 << "int b"
                                            << Ink::Green;

    QTest::newRow("class name") << "QString s;" << 0 << "QString" << Ink::Magenta;
    QTest::newRow("two-letter class name") << "Qt::red" << 0 << "Qt" << Ink::Magenta;
    QTest::newRow("lone Q") << "Q x;" << 0 << "Q" << Ink::Default;
    QTest::newRow("Q followed by a digit") << "Q1 x;" << 0 << "Q1" << Ink::Default;
    QTest::newRow("Q inside a word") << "aQString x;" << 0 << "QString" << Ink::Default;

    QTest::newRow("hash of a preprocessor line") << "#include <stdio.h>" << 0 << "#"
                                                 << Ink::Default;
    QTest::newRow("preprocessor word") << "#include <stdio.h>" << 0 << "include"
                                       << Ink::Magenta;
    QTest::newRow("ifdef as a whole") << "#ifdef DEBUG" << 0 << "ifdef" << Ink::Magenta;
    QTest::newRow("ifndef as a whole") << "#ifndef DEBUG" << 0 << "ifndef" << Ink::Magenta;
    QTest::newRow("endif") << "#endif" << 0 << "endif" << Ink::Magenta;

    QTest::newRow("keyword as part of a word") << "integer = 1;" << 0 << "int"
                                               << Ink::Default;
    QTest::newRow("keyword after underscore") << "my_int = 1;" << 0 << "int" << Ink::Default;
    QTest::newRow("keyword glued to an accented letter") << "gr\u00fc\u00dfint = 1;" << 0 << "int"
                                                         << Ink::Default;
    QTest::newRow("accented function name") << "gr\u00f6\u00dfe(1);" << 0 << "e("
                                            << Ink::Default;
    QTest::newRow("control word") << "while (x)" << 0 << "while" << Ink::Magenta;
    QTest::newRow("until") << "until x" << 0 << "until" << Ink::Magenta;
    QTest::newRow("Java word not in the list") << "return x;" << 0 << "return"
                                               << Ink::Default;
    QTest::newRow("keyword followed by parenthesis is a function")
        << "if(x)" << 0 << "if" << Ink::Blue;
    QTest::newRow("last keyword of the list") << "volatile x;" << 0 << "volatile"
                                              << Ink::Magenta;
    QTest::newRow("digits and underscore in function name")
        << "do_it2(x);" << 0 << "do_it2" << Ink::Blue;
}

void TestHighlighter::colours()
{
    QFETCH(QString, text);
    QFETCH(int, line);
    QFETCH(QString, part);
    QFETCH(Ink, ink);

    QTextDocument document;
    Highlighter highlighter(&document);
    document.setPlainText(text);
    highlighter.rehighlight();

    const QString lineText = document.findBlockByNumber(line).text();
    const int start = int(lineText.indexOf(part));
    QVERIFY2(start >= 0, "the row's part is not in its line");
    for (int column = start; column < start + part.size(); ++column) {
        const Ink found = inkOf(foregroundAt(document, line, column));
        if (found != ink) {
            const QByteArray message = "column " + QByteArray::number(column) + " is "
                                       + inkName(found) + ", expected " + inkName(ink);
            QFAIL(message.constData());
        }
    }
}

void TestHighlighter::blockStates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("states");

    QTest::newRow("no comment") << "int a;\nint b;" << QList<int>{0, 0};
    QTest::newRow("open comment") << "a /* b\nc" << QList<int>{1, 1};
    QTest::newRow("open then closed") << "a /* b\nc */ d" << QList<int>{1, 0};
    QTest::newRow("closed on one line") << "a /* b */ c\nd" << QList<int>{0, 0};
    QTest::newRow("closed then reopened") << "/* a\nb */ c /* d\ne" << QList<int>{1, 1, 1};
    QTest::newRow("line comment hides nothing") << "// a /* b\nc" << QList<int>{1, 1};
    QTest::newRow("closing mark alone") << "*/\na" << QList<int>{0, 0};
}

void TestHighlighter::blockStates()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, states);

    QTextDocument document;
    Highlighter highlighter(&document);
    document.setPlainText(text);
    highlighter.rehighlight();

    QCOMPARE(document.blockCount(), states.size());
    QList<int> found;
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next())
        found.append(block.userState());
    QCOMPARE(found, states);
}

void TestHighlighter::onlyColoursAreSet()
{
    QTextDocument document;
    Highlighter highlighter(&document);
    document.setPlainText(QStringLiteral("int f(QString s) { return \"x\"; } // c /* d */"));
    highlighter.rehighlight();

    const QList<QTextLayout::FormatRange> ranges = document.firstBlock().layout()->formats();
    QVERIFY(!ranges.isEmpty());
    for (const QTextLayout::FormatRange &range : ranges) {
        QVERIFY(!range.format.hasProperty(QTextFormat::FontWeight));
        QVERIFY(!range.format.hasProperty(QTextFormat::FontItalic));
        QVERIFY(!range.format.hasProperty(QTextFormat::FontFamilies));
        QVERIFY(!range.format.hasProperty(QTextFormat::FontPointSize));
        QCOMPARE(range.format.foreground().style(), Qt::SolidPattern);
    }
}

QTEST_MAIN(TestHighlighter)
#include "tst_highlighter.moc"
