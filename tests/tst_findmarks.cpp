#include "ui/search/currentfilesearch.h"
#include "ui/search/findmarks.h"
#include "ui/codeview/codeview.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

class TestFindMarks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void geometry_data();
    void geometry();
    void hitStarts_data();
    void hitStarts();
    void hitsAgreeWithTheDocumentsOwnFind_data();
    void hitsAgreeWithTheDocumentsOwnFind();
    void tabsFollowTheDocumentLayout_data();
    void tabsFollowTheDocumentLayout();
    void emptyTextFindsNothing();
    void currentFileSearchSteps_data();
    void currentFileSearchSteps();
    void currentFileSearchOutlivesItsView();

private:
    // The code view's text font.
    QFont m_font;
};

void TestFindMarks::init()
{
    m_font = CodeView::codeFont();
}

void TestFindMarks::geometry_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("before"); // the line's text in front of the hit
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("covered"); // what the mark spans

    QTest::newRow("hit in column 1 sits at x 3") << "foo bar\n" << "foo" << "" << 0 << "foo";
    QTest::newRow("hit after indentation") << "a\nb\n    foo();\n" << "foo" << "    " << 2
                                           << "foo";
    QTest::newRow("hit inside a word covers the rest of it")
        << "int prefoobar;" << "foo" << "int pre" << 0 << "foobar";
    QTest::newRow("hit ending at a word's end is not widened")
        << "foo(bar)" << "foo" << "" << 0 << "foo";
    QTest::newRow("hit ending on punctuation is not widened")
        << "foo(bar)" << "foo(" << "" << 0 << "foo(";
    QTest::newRow("letters beyond ASCII belong to the word")
        << "x größe" << "gr" << "x " << 0 << "größe";
    QTest::newRow("underscore belongs to the word")
        << "my_var_name" << "var" << "my_" << 0 << "var_name";
    QTest::newRow("last line without a line break") << "a\nb\nend" << "end" << "" << 2 << "end";
    QTest::newRow("empty lines count") << "a\n\n\nfoo" << "foo" << "" << 3 << "foo";
    QTest::newRow("CR LF is one line break") << "a\r\nb\r\nfoo" << "foo" << "" << 2 << "foo";
    QTest::newRow("a line separator starts a new visual line")
        << QStringLiteral("a\u2028b\nfoo") << "foo" << "" << 2 << "foo";
    QTest::newRow("x counts from the visual line's start")
        << QStringLiteral("abc\u2028defoo") << "foo" << "de" << 1 << "foo";
}

void TestFindMarks::geometry()
{
    QFETCH(QString, content);
    QFETCH(QString, text);
    QFETCH(QString, before);
    QFETCH(int, line);
    QFETCH(QString, covered);

    QTextDocument document;
    document.setDefaultFont(m_font);
    document.setPlainText(content);
    // A pitch unlike the font's own spacing, as the code view may lay out.
    const QFontMetricsF metrics(m_font);
    const qreal step = metrics.lineSpacing() + 1.25;
    const QList<FindMarks::Mark> marks = FindMarks::find(&document, m_font, step, text, {});
    QCOMPARE(marks.size(), 1);

    const QRectF rect = marks.first().rect;
    QCOMPARE(rect.x(), metrics.horizontalAdvance(before) + 3);
    QCOMPARE(rect.y(), line * step + QFontMetrics(m_font).descent() + 2);
    QCOMPARE(rect.width(), metrics.horizontalAdvance(covered));
    QCOMPARE(rect.height(), step);

    const FindMarks::Mark &mark = marks.first();
    QCOMPARE(document.toPlainText().mid(mark.start, mark.end - mark.start), covered);
}

void TestFindMarks::hitStarts_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("starts");

    QTest::newRow("a widened word is marked once") << "foofoo foo" << "foo" << QList<int>{0, 7};
    QTest::newRow("plain text, not a pattern") << "abc a.c" << "a.c" << QList<int>{4};
    QTest::newRow("no hit") << "bar" << "foo" << QList<int>{};
}

void TestFindMarks::hitStarts()
{
    QFETCH(QString, content);
    QFETCH(QString, text);
    QFETCH(QList<int>, starts);

    QTextDocument document;
    document.setPlainText(content);
    QList<int> found;
    for (const FindMarks::Mark &mark : FindMarks::find(&document, m_font, 15, text, {}))
        found.append(mark.start);
    QCOMPARE(found, starts);
}

void TestFindMarks::hitsAgreeWithTheDocumentsOwnFind_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("options");

    const int whole = int(QTextDocument::FindWholeWords);
    const int caseSensitive = int(QTextDocument::FindCaseSensitively);
    QTest::newRow("whole words, skipped hit followed by a real one")
        << "ba a a a" << "a a" << whole;
    QTest::newRow("whole words next to digits") << "foo1 1foo foo" << "foo" << whole;
    QTest::newRow("whole words next to underscore") << "foo_bar _foo foo" << "foo" << whole;
    QTest::newRow("whole words at block ends") << "foo\nxfoo\nfoo" << "foo" << whole;
    QTest::newRow("non-breaking space matches a space")
        << QStringLiteral("a\u00A0b a b") << "a b" << 0;
    QTest::newRow("case ignored beyond ASCII") << "ÄRGER ärger Ärger" << "ärger" << 0;
    QTest::newRow("case sensitive beyond ASCII") << "ÄRGER ärger Ärger" << "ärger"
                                                 << caseSensitive;
    QTest::newRow("many blocks, several hits each")
        << "ab ab\n\nabab ab\nx ab" << "ab" << 0;
    QTest::newRow("whole words and case together") << "Ab ab aB ab" << "ab"
                                                   << (whole | caseSensitive);
}

void TestFindMarks::hitsAgreeWithTheDocumentsOwnFind()
{
    QFETCH(QString, content);
    QFETCH(QString, text);
    QFETCH(int, options);
    const QTextDocument::FindFlags flags(options);

    QTextDocument document;
    document.setPlainText(content);

    // The document's own search, continued after each widened word.
    QList<int> expected;
    for (int from = 0;;) {
        const QTextCursor hit = document.find(text, from, flags);
        if (hit.isNull())
            break;
        expected.append(hit.selectionStart());
        const QTextBlock block = hit.block();
        from = block.position()
            + FindMarks::wordEnd(block.text(), hit.selectionStart() - block.position(),
                                 hit.selectionEnd() - block.position());
    }
    QVERIFY(!expected.isEmpty());

    QList<int> found;
    for (const FindMarks::Mark &mark : FindMarks::find(&document, m_font, 15, text, flags))
        found.append(mark.start);
    QCOMPARE(found, expected);
}

void TestFindMarks::tabsFollowTheDocumentLayout_data()
{
    QTest::addColumn<QString>("content");

    QTest::newRow("leading tab") << "\tfoo";
    QTest::newRow("two leading tabs") << "\t\tfoo";
    QTest::newRow("tab after text") << "ab\tfoo";
    QTest::newRow("tab after text longer than a tab stop") << "abcdefghijklmnopq\tfoo";
    QTest::newRow("tab inside the covered word is not part of it") << "x\tfoo\tbar";
}

void TestFindMarks::tabsFollowTheDocumentLayout()
{
    QFETCH(QString, content);

    QTextDocument document;
    document.setDefaultFont(m_font);
    document.setPlainText(content);
    const QList<FindMarks::Mark> marks = FindMarks::find(&document, m_font, 15, "foo", {});
    QCOMPARE(marks.size(), 1);

    // The document's own layout is the reference for where the hit is drawn.
    const QTextBlock block = document.firstBlock();
    const QTextLine line = block.layout()->lineAt(0);
    const qreal start = line.cursorToX(marks.first().start - block.position());
    const qreal end = line.cursorToX(marks.first().end - block.position());
    QVERIFY2(qAbs(marks.first().rect.x() - 3 - start) < 0.5,
             qPrintable(QStringLiteral("x %1, layout %2").arg(marks.first().rect.x()).arg(start)));
    QVERIFY(qAbs(marks.first().rect.width() - (end - start)) < 0.5);
}

void TestFindMarks::emptyTextFindsNothing()
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("abc"));
    QVERIFY(FindMarks::find(&document, m_font, 15, QString(), {}).isEmpty());
    QVERIFY(FindMarks::find(nullptr, m_font, 15, QStringLiteral("a"), {}).isEmpty());
}

namespace {

// A code view on a file of the given text, not shown.
std::unique_ptr<CodeView> viewOn(const QTemporaryDir &dir, const QByteArray &text)
{
    const QString path = dir.filePath(QStringLiteral("Shown.java"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return nullptr;
    file.close();
    return std::make_unique<CodeView>(nullptr, nullptr, nullptr, new QFile(path), 170);
}

} // namespace

void TestFindMarks::currentFileSearchSteps_data()
{
    // Each step: the text searched ("-" clears, "~" forgets the text) and
    // what follows: the outcome and the number of marks then.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("outcomes");
    QTest::addColumn<QList<int>>("marks");

    using O = QStringList;
    QTest::newRow("a new text marks every hit")
        << O{"foo"} << O{"shown"} << QList<int>{3};
    QTest::newRow("the same text steps on and wraps")
        << O{"foo", "foo", "foo", "foo"} << O{"shown", "shown", "shown", "shown"}
        << QList<int>{3, 3, 3, 3};
    QTest::newRow("no hit says so every time")
        << O{"zzz", "zzz"} << O{"not found", "not found"} << QList<int>{0, 0};
    QTest::newRow("another text replaces the marks")
        << O{"foo", "bar"} << O{"shown", "shown"} << QList<int>{3, 1};
    QTest::newRow("clearing takes the marks and the text away")
        << O{"foo", "-", "foo"} << O{"shown", "", "shown"} << QList<int>{3, 0, 3};
    QTest::newRow("forgetting the text marks afresh")
        << O{"foo", "~", "foo"} << O{"shown", "", "shown"} << QList<int>{3, 3, 3};
}

void TestFindMarks::currentFileSearchSteps()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, outcomes);
    QFETCH(QList<int>, marks);

    QTemporaryDir dir;
    auto view = viewOn(dir, "foo bar\nfoo\n  foo();\n");
    QVERIFY(view);
    const qsizetype itemsBefore = view->codeScene()->items().size();
    CurrentFileSearch search;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        QString outcome;
        if (steps.at(i) == QLatin1String("-")) {
            search.clear();
        } else if (steps.at(i) == QLatin1String("~")) {
            search.forgetText();
        } else {
            switch (search.search(view.get(), steps.at(i), {})) {
            case CurrentFileSearch::Outcome::Shown: outcome = QStringLiteral("shown"); break;
            case CurrentFileSearch::Outcome::NotFound: outcome = QStringLiteral("not found"); break;
            case CurrentFileSearch::Outcome::Unchanged: outcome = QStringLiteral("unchanged"); break;
            }
        }
        QCOMPARE(outcome, outcomes.at(i));
        QCOMPARE(search.markCount(), marks.at(i));
        // The marks hang below one holder item; the scene has nothing else new.
        const qsizetype added = view->codeScene()->items().size() - itemsBefore;
        QCOMPARE(added, marks.at(i) ? marks.at(i) + 1 : 0);
    }
}

void TestFindMarks::currentFileSearchOutlivesItsView()
{
    QTemporaryDir dir;
    auto first = viewOn(dir, "foo foo\n");
    QVERIFY(first);
    CurrentFileSearch search;
    QCOMPARE(search.search(first.get(), QStringLiteral("foo"), {}),
             CurrentFileSearch::Outcome::Shown);
    QCOMPARE(search.view(), QPointer<CodeView>(first.get()));
    first.reset(); // the marks went with the view's scene

    QVERIFY(search.view().isNull());
    search.clear(); // must not touch the deleted marks
    QCOMPARE(search.markCount(), 0);
    auto second = viewOn(dir, "bar foo\n");
    QVERIFY(second);
    QCOMPARE(search.search(second.get(), QStringLiteral("foo"), {}),
             CurrentFileSearch::Outcome::Shown);
    QCOMPARE(search.markCount(), 1);
}

QTEST_MAIN(TestFindMarks)
#include "tst_findmarks.moc"
