#include "support/testfiles.h"

#include "import/conditionalscanner.h"
#include "ui/structure/projectreader.h"

#include <QTemporaryDir>
#include <QTest>

using ConditionalScanner::Language;
Q_DECLARE_METATYPE(ConditionalScanner::Language)

class TestConditionalScanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void branchesBecomeFragments_data();
    void branchesBecomeFragments();
    void unbalancedDirectivesAreWarnedAbout_data();
    void unbalancedDirectivesAreWarnedAbout();
    void linesAreCountedAsTheViewerCountsThem_data();
    void linesAreCountedAsTheViewerCountsThem();
    void deadCodeAndDefaultMacrosAreMarked_data();
    void deadCodeAndDefaultMacrosAreMarked();
    void directivesAreFoundWithTheirLines_data();
    void directivesAreFoundWithTheirLines();
    void conditionsCombine_data();
    void conditionsCombine();

private:
    // "start-end expression" per fragment, joined by " ; ".
    static QString describe(const QList<ConditionalScanner::Fragment> &fragments);
};

QString TestConditionalScanner::describe(const QList<ConditionalScanner::Fragment> &fragments)
{
    QStringList parts;
    for (const ConditionalScanner::Fragment &fragment : fragments)
        parts.append(QStringLiteral("%1-%2 %3")
                         .arg(fragment.startLine)
                         .arg(fragment.endLine)
                         .arg(fragment.expression));
    return parts.join(QStringLiteral(" ; "));
}

void TestConditionalScanner::branchesBecomeFragments_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("fragments");
    QTest::addColumn<QStringList>("features");

    const Language c = Language::C;
    const Language java = Language::Java;
    QTest::newRow("ifdef") << c << QByteArray("a\n#ifdef A\nb\n#endif\nc\n")
                           << "2-4 A" << QStringList{"A"};
    QTest::newRow("ifndef") << c << QByteArray("#ifndef A\nb\n#endif\nint x;\n")
                            << "1-3 !A" << QStringList{"A"};
    QTest::newRow("defined with and without parentheses")
        << c << QByteArray("#if defined(A) || defined B && !defined ( C )\n#endif\n")
        << "1-2 A || B && !C" << QStringList{"A", "B", "C"};
    QTest::newRow("elif and else chain")
        << c << QByteArray("#if A\n1\n#elif B || C\n2\n#elif D\n3\n#else\n4\n#endif\n")
        << "1-2 A ; 3-4 !A && (B || C) ; 5-6 !A && !(B || C) && D ; 7-9 !A && !(B || C) && !D"
        << QStringList{"A", "B", "C", "D"};
    QTest::newRow("else of ifndef")
        << c << QByteArray("#ifndef A\n1\n#else\n2\n#endif\n") << "1-2 !A ; 3-5 A"
        << QStringList{"A"};
    QTest::newRow("elifdef and elifndef")
        << c << QByteArray("#ifdef A\n#elifdef B\n#elifndef C\n#endif\n")
        << "1-1 A ; 2-2 !A && B ; 3-4 !A && !B && !C" << QStringList{"A", "B", "C"};
    QTest::newRow("white space around # and comments inside the directive")
        << c << QByteArray("  #  ifdef A /* one */ // two\nx\n\t# endif /* A */\n")
        << "1-3 A" << QStringList{"A"};
    QTest::newRow("directive continued with a backslash")
        << c << QByteArray("#if A && \\\n    B\nx\n#endif\n") << "1-4 A && B"
        << QStringList{"A", "B"};
    QTest::newRow("comment going on after the directive")
        << c << QByteArray("#ifdef A /* a\n#ifdef B\n*/\n#endif\n") << "1-4 A"
        << QStringList{"A"};
    QTest::newRow("comment over lines inside a condition keeps the rest of it")
        << c << QByteArray("#if defined(X) /* one\n two */ || Y\nx\n#endif\n") << "1-4 X || Y"
        << QStringList{"X", "Y"};
    QTest::newRow("comment over lines in an endif belongs to the last branch")
        << c << QByteArray("#ifdef A\nx\n#endif /* A &&\n   B */\ny\n") << "1-4 A"
        << QStringList{"A"};
    QTest::newRow("nested blocks nest")
        << c << QByteArray("#ifdef A\n#ifdef B\nx\n#else\ny\n#endif\n#endif\nz\n")
        << "1-7 A ; 2-3 B ; 4-6 !B" << QStringList{"A", "B"};
    QTest::newRow("include guard is no fragment")
        << c << QByteArray("/* licence */\n#ifndef G_H\n#define G_H\n#ifdef A\nx\n#endif\n"
                           "#endif /* G_H */\n\n")
        << "4-6 A" << QStringList{"A"};
    QTest::newRow("include guard written with defined")
        << c << QByteArray("#if !defined(G_H)\n#define G_H\nx\n#endif\n") << ""
        << QStringList{};
    QTest::newRow("code after the endif: no guard")
        << c << QByteArray("#ifndef G_H\n#define G_H\n#endif\nint x;\n") << "1-3 !G_H"
        << QStringList{"G_H"};
    QTest::newRow("other name defined: no guard")
        << c << QByteArray("#ifndef G_H\n#define OTHER\n#endif\n") << "1-3 !G_H"
        << QStringList{"G_H"};
    QTest::newRow("numbers name no feature")
        << c << QByteArray("#if 0\nx\n#else\ny\n#endif\n#if 1\n#endif\n") << ""
        << QStringList{};
    QTest::newRow("branch after a constant keeps its condition")
        << c << QByteArray("#if 0\n#elif A\n#endif\n") << "2-3 !(0) && A" << QStringList{"A"};
    QTest::newRow("probes, their arguments and numbers are no features")
        << c
        << QByteArray("#if __has_include(<sys/a.h>) && VERSION >= 0x20 && __has_attribute "
                      "(x)\n#endif\n")
        << "1-2 __has_include(...) && VERSION >= 0x20 && __has_attribute(...)"
        << QStringList{"VERSION"};
    QTest::newRow("ifdef of a probe asks whether it exists: a feature")
        << c
        << QByteArray("#ifdef __has_declspec_attribute\n#define P(x) 1\n#else\n#define P(x) 0\n"
                      "#endif\n")
        << "1-2 __has_declspec_attribute ; 3-5 !__has_declspec_attribute"
        << QStringList{"__has_declspec_attribute"};
    QTest::newRow("ifndef of a probe as defined() reads it")
        << c << QByteArray("#ifndef __has_attribute\n#endif\n#if defined(__has_attribute)\n#endif\n")
        << "1-2 !__has_attribute ; 3-4 __has_attribute" << QStringList{"__has_attribute"};
    QTest::newRow("arguments of a macro standing for a probe are no features")
        << c
        << QByteArray("#define HAS_DECLSPEC(x) __has_declspec_attribute(x)\n"
                      "#if A || (HAS_DECLSPEC(dllexport) && HAS_DECLSPEC ( dllimport ))\n#endif\n")
        << "2-3 A || (HAS_DECLSPEC(...) && HAS_DECLSPEC(...))" << QStringList{"A"};
    QTest::newRow("macro standing for a probe tested with defined is a feature")
        << c
        << QByteArray("#define HAS(x) __has_builtin(x)\n#if defined(HAS) && HAS(y)\n#endif\n")
        << "2-3 HAS && HAS(...)" << QStringList{"HAS"};
    QTest::newRow("function-like macro is a feature")
        << c << QByteArray("#if __GLIBC_PREREQ (2, 28)\n#endif\n")
        << "1-2 __GLIBC_PREREQ (2, 28)" << QStringList{"__GLIBC_PREREQ"};
    QTest::newRow("directive inside a block comment")
        << c << QByteArray("/*\n#ifdef A\n#endif\n*/\n") << "" << QStringList{};
    QTest::newRow("comment opener inside a string")
        << c << QByteArray("char *s = \"/*\";\n#ifdef A\n#endif\n") << "2-3 A"
        << QStringList{"A"};
    QTest::newRow("control characters are white space")
        << c << QByteArray("#if A\x01&&\x1b" "B\n#endif\n") << "1-2 A && B"
        << QStringList{"A", "B"};
    QTest::newRow("Windows line ends")
        << c << QByteArray("#ifdef A\r\nx\r\n#endif\r\n") << "1-3 A" << QStringList{"A"};
    QTest::newRow("dollar in a name")
        << c << QByteArray("#if defined(a$b) && a\n#endif\n") << "1-2 a_b && a"
        << QStringList{"a_b", "a"};
    QTest::newRow("Latin-1 name")
        << c << QByteArray("/* caf\xe9 */\n#ifdef Gr\xf6\xdf" "e\n#endif\n") << "2-3 Größe"
        << QStringList{"Größe"};
    QTest::newRow("non-ASCII name")
        << c << QByteArray("#ifdef Gr\xc3\xb6\xc3\x9f" "e\n#endif\n") << "1-2 Größe"
        << QStringList{"Größe"};

    QTest::newRow("Java line comments")
        << java << QByteArray("class A {\n//#if A && !B\nx();\n// #else\ny();\n//#endif\n}\n")
        << "2-3 A && !B ; 4-6 !(A && !B)" << QStringList{"A", "B"};
    QTest::newRow("Java ifdef, elifdef, elifndef")
        << java << QByteArray("//#ifdef A\n//#elifdef B\n//#elifndef C\n//#endif\n")
        << "1-1 A ; 2-2 !A && B ; 3-4 !A && !B && !C" << QStringList{"A", "B", "C"};
    QTest::newRow("Java condition header is the whole file")
        << java << QByteArray("//#condition includeSms\nclass A {\n//#if Copy\n//#endif\n}")
        << "1-5 includeSms ; 3-4 Copy" << QStringList{"Copy", "includeSms"};
    QTest::newRow("Java dotted symbol")
        << java << QByteArray("//#if polish.midp2\n//#endif\n") << "1-2 polish_midp2"
        << QStringList{"polish_midp2"};
    QTest::newRow("Java: # lines and commented directives are no directives")
        << java << QByteArray("#ifdef A\n/*\n//#ifdef B\n//#endif\n*/\n#endif\n") << ""
        << QStringList{};
    QTest::newRow("C: // #if is no directive")
        << c << QByteArray("//#ifdef A\n//#endif\n") << "" << QStringList{};
}

void TestConditionalScanner::branchesBecomeFragments()
{
    QFETCH(Language, language);
    QFETCH(QByteArray, source);
    QFETCH(QString, fragments);
    QFETCH(QStringList, features);

    const ConditionalScanner::Result result = ConditionalScanner::scan(source, language);
    QCOMPARE(describe(result.fragments), fragments);
    QStringList names = result.featureNames;
    names.sort();
    features.sort();
    QCOMPARE(names, features);
    QVERIFY(result.warnings.isEmpty());
}

void TestConditionalScanner::unbalancedDirectivesAreWarnedAbout_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("fragments");
    QTest::addColumn<QList<int>>("warningLines");

    QTest::newRow("if left open keeps the balanced blocks inside")
        << Language::C << QByteArray("x\n#ifdef A\n#ifdef B\n#endif\ny\n") << "3-4 B"
        << QList<int>{2};
    QTest::newRow("endif without if")
        << Language::C << QByteArray("#ifdef A\n#endif\n#endif\n") << "1-2 A" << QList<int>{3};
    QTest::newRow("else without if")
        << Language::C << QByteArray("x\n#else\n") << "" << QList<int>{2};
    QTest::newRow("second else is ignored")
        << Language::C << QByteArray("#ifdef A\n#else\n#else\n#endif\n") << "1-1 A ; 2-4 !A"
        << QList<int>{3};
    QTest::newRow("Java endif without if")
        << Language::Java << QByteArray("//#endif\n//#ifdef A\n") << "" << QList<int>{1, 2};
}

void TestConditionalScanner::unbalancedDirectivesAreWarnedAbout()
{
    QFETCH(Language, language);
    QFETCH(QByteArray, source);
    QFETCH(QString, fragments);
    QFETCH(QList<int>, warningLines);

    const ConditionalScanner::Result result = ConditionalScanner::scan(source, language);
    QCOMPARE(describe(result.fragments), fragments);
    QList<int> lines;
    for (const ConditionalScanner::Warning &warning : result.warnings)
        lines.append(warning.line);
    QCOMPARE(lines, warningLines);
}

void TestConditionalScanner::linesAreCountedAsTheViewerCountsThem_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<int>("lines");

    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("last line without line end") << QByteArray("a\nb") << 2;
    QTest::newRow("last line with line end") << QByteArray("a\nb\n") << 2;
    QTest::newRow("continued directive at the end") << QByteArray("#define A \\\n") << 1;
    QTest::newRow("lone carriage return") << QByteArray("a\rb\n") << 1;
    QTest::newRow("comment in a directive open at the end") << QByteArray("#if A /* x\n") << 1;
    QTest::newRow("comment in a directive going on to the last line")
        << QByteArray("#if A /* x\ny */ && B\nz") << 3;
}

void TestConditionalScanner::linesAreCountedAsTheViewerCountsThem()
{
    QFETCH(QByteArray, source);
    QFETCH(int, lines);
    // The file row's line count and the fragments must agree.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.c"));
    QVERIFY(TestSupport::writeFile(path, source));
    QCOMPARE(ProjectReader::countFileLines(path), lines);
    QCOMPARE(ConditionalScanner::scan(source, Language::C).lineCount, lines);
}

void TestConditionalScanner::deadCodeAndDefaultMacrosAreMarked_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("deadCode");
    // As describe() writes them, "default" after a default macro.
    QTest::addColumn<QString>("fragments");

    QTest::newRow("if 0 is the feature if_0")
        << QByteArray("#if 0\nx\n#else\ny\n#endif\n") << true << "1-2 if_0";
    QTest::newRow("if 0 is no fragment unless asked")
        << QByteArray("#if 0\nx\n#else\ny\n#endif\n") << false << "";
    QTest::newRow("if 0 in parentheses")
        << QByteArray("#if ( 0 )\n#endif\n") << true << "1-2 if_0";
    QTest::newRow("elif 0 is dead code too")
        << QByteArray("#if A\n#elif 0\n#endif\n") << true << "1-1 A ; 2-3 if_0";
    QTest::newRow("branch after if 0 keeps its condition")
        << QByteArray("#if 0\n#elif A\n#endif\n") << true << "1-1 if_0 ; 2-3 !(0) && A";
    QTest::newRow("blocks inside if 0 stay")
        << QByteArray("#if 0\n#ifdef A\n#endif\n#endif\n") << true << "1-4 if_0 ; 2-3 A";
    QTest::newRow("if 1 and if 0 && A are no dead code")
        << QByteArray("#if 1\n#endif\n#if 0 && A\n#endif\n") << true << "3-4 0 && A";
    QTest::newRow("ifndef giving a default is a default macro")
        << QByteArray("#ifndef SIZE\n#  define SIZE 16\n#endif\nint x;\n") << true
        << "1-3 !SIZE default";
    QTest::newRow("if !defined giving a default is a default macro")
        << QByteArray("int y;\n#if !defined(SIZE)\n/* the default */\n#define SIZE 16\n#endif\n")
        << true << "2-5 !SIZE default";
    QTest::newRow("code before the define: no default macro")
        << QByteArray("#ifndef SIZE\nint y;\n#define SIZE 1\n#endif\nx\n") << true << "1-4 !SIZE";
    QTest::newRow("another name defined: no default macro")
        << QByteArray("#ifndef SIZE\n#define WIDTH 1\n#endif\nx\n") << true << "1-3 !SIZE";
    QTest::newRow("a default with an else branch is a choice")
        << QByteArray("#ifndef SIZE\n#define SIZE 1\n#else\n#endif\nx\n") << true
        << "1-2 !SIZE ; 3-4 SIZE";
    QTest::newRow("ifdef defining its name is no default")
        << QByteArray("#ifdef SIZE\n#define SIZE 1\n#endif\nx\n") << true << "1-3 SIZE";
    QTest::newRow("include guard stays no fragment")
        << QByteArray("#ifndef G_H\n#define G_H\nint x;\n#endif\n") << true << "";
}

void TestConditionalScanner::deadCodeAndDefaultMacrosAreMarked()
{
    QFETCH(QByteArray, source);
    QFETCH(bool, deadCode);
    QFETCH(QString, fragments);

    ConditionalScanner::Options options;
    options.deadCodeAsFeature = deadCode;
    const ConditionalScanner::Result result = ConditionalScanner::scan(source, Language::C, options);
    QStringList parts;
    QStringList names;
    for (const ConditionalScanner::Fragment &fragment : result.fragments) {
        parts.append(QStringLiteral("%1-%2 %3%4")
                         .arg(fragment.startLine)
                         .arg(fragment.endLine)
                         .arg(fragment.expression,
                              fragment.defaultMacro ? QStringLiteral(" default") : QString()));
        for (const QString &name : fragment.names) {
            if (!names.contains(name))
                names.append(name);
        }
    }
    QCOMPARE(parts.join(QStringLiteral(" ; ")), fragments);
    // The file's features are its fragments' names.
    QStringList featureNames = result.featureNames;
    featureNames.sort();
    names.sort();
    QCOMPARE(featureNames, names);
}

void TestConditionalScanner::directivesAreFoundWithTheirLines_data()
{
    QTest::addColumn<QByteArray>("source");
    // "first-last text" per conditional directive, texts with simplified spaces.
    QTest::addColumn<QString>("directives");

    QTest::newRow("one line each")
        << QByteArray("#if A\n#else\n#endif\n") << "1-1 A ; 2-2  ; 3-3 ";
    QTest::newRow("continued with a backslash")
        << QByteArray("#if A && \\\n  B\n#endif\n") << "1-2 A && B ; 3-3 ";
    QTest::newRow("comment over lines is one space of the directive")
        << QByteArray("#if A /* x\ny */ && B\n#endif\n") << "1-2 A && B ; 3-3 ";
    QTest::newRow("comment then a backslash")
        << QByteArray("#if A /* x\ny */ && \\\nB\n#endif\n") << "1-3 A && B ; 4-4 ";
    QTest::newRow("comment never closed ends the directive at the end")
        << QByteArray("#if A /* x\n#endif\n") << "1-2 A";
    QTest::newRow("define with a comment over lines is no directive found")
        << QByteArray("#define X /*\n#if A\n*/\n#ifdef B\n#endif\n") << "4-4 B ; 5-5 ";
}

void TestConditionalScanner::directivesAreFoundWithTheirLines()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, directives);

    const ConditionalScanner::Directives found =
        ConditionalScanner::findDirectives(source, Language::C);
    QStringList parts;
    for (const ConditionalScanner::Directive &directive : found.list)
        parts.append(QStringLiteral("%1-%2 %3")
                         .arg(directive.line)
                         .arg(directive.lastLine)
                         .arg(directive.text.simplified()));
    QCOMPARE(parts.join(QStringLiteral(" ; ")), directives);
}

void TestConditionalScanner::conditionsCombine_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("negation");
    QTest::addColumn<bool>("constantZero");

    QTest::newRow("name") << "A" << "!A" << false;
    QTest::newRow("negated name") << "!A" << "A" << false;
    QTest::newRow("expression") << "A && B" << "!(A && B)" << false;
    QTest::newRow("zero") << "0" << "!(0)" << true;
    QTest::newRow("zero in parentheses") << "((0))" << "!(((0)))" << true;
    QTest::newRow("zeros") << "00" << "!(00)" << true;
    QTest::newRow("one") << "1" << "!(1)" << false;
    QTest::newRow("zero and more") << "0 || A" << "!(0 || A)" << false;
    QTest::newRow("empty parentheses") << "()" << "!(())" << false;
}

void TestConditionalScanner::conditionsCombine()
{
    QFETCH(QString, condition);
    QFETCH(QString, negation);
    QFETCH(bool, constantZero);

    QCOMPARE(ConditionalScanner::negated(condition), negation);
    QCOMPARE(ConditionalScanner::isConstantZero(condition), constantZero);
}

QTEST_APPLESS_MAIN(TestConditionalScanner)
#include "tst_conditionalscanner.moc"
