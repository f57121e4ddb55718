#include "ui/structure/treepaths.h"

#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <QTreeWidgetItemIterator>

class TestTreePaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void projectNameIsNotPartOfThePath();
    void fileDirectlyUnderProject();
    void topLevelRowIsItsOwnPath();
    void oneWalkGivesEveryFilePath_data();
    void oneWalkGivesEveryFilePath();
};

namespace {

// A tree written as lines, two spaces of indent a level: "P\n  src\n    A.java".
void grow(QTreeWidget *tree, const QString &outline)
{
    QList<QTreeWidgetItem *> open;
    for (const QString &line : outline.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int level = int(line.size() - line.trimmed().size()) / 2;
        open.resize(level);
        auto *row = level == 0 ? new QTreeWidgetItem(tree, {line.trimmed()})
                               : new QTreeWidgetItem(open.last(), {line.trimmed()});
        open.append(row);
    }
}

} // namespace

void TestTreePaths::projectNameIsNotPartOfThePath()
{
    QTreeWidgetItem project({QStringLiteral("P")});
    auto *src = new QTreeWidgetItem(&project, {QStringLiteral("src")});
    auto *x = new QTreeWidgetItem(src, {QStringLiteral("x")});
    auto *file = new QTreeWidgetItem(x, {QStringLiteral("A.java")});
    QCOMPARE(projectRelativePath(file), QStringLiteral("src/x/A.java"));
    QCOMPARE(projectFilePath(QStringLiteral("/home/p"), file),
             QStringLiteral("/home/p/src/x/A.java"));
}

void TestTreePaths::fileDirectlyUnderProject()
{
    QTreeWidgetItem project({QStringLiteral("P")});
    auto *file = new QTreeWidgetItem(&project, {QStringLiteral("main.c")});
    QCOMPARE(projectFilePath(QString(), file), QStringLiteral("/main.c"));
}

void TestTreePaths::topLevelRowIsItsOwnPath()
{
    QTreeWidgetItem lone({QStringLiteral("lone.h")});
    QCOMPARE(projectRelativePath(&lone), QStringLiteral("lone.h"));
}

void TestTreePaths::oneWalkGivesEveryFilePath_data()
{
    QTest::addColumn<QString>("outline");
    QTest::addColumn<QStringList>("paths"); // worked out by hand, in tree order

    QTest::newRow("nested") << QStringLiteral("P\n  src\n    x\n      A.java\n      B.java\n"
                                              "    y\n      C.c\n  D.h\n")
                            << QStringList{QStringLiteral("/f/src/x/A.java"),
                                           QStringLiteral("/f/src/x/B.java"),
                                           QStringLiteral("/f/src/y/C.c"),
                                           QStringLiteral("/f/D.h")};
    QTest::newRow("empty folder is a row without children")
        << QStringLiteral("P\n  empty\n  full\n    E.java\n")
        << QStringList{QStringLiteral("/f/empty"), QStringLiteral("/f/full/E.java")};
    QTest::newRow("lone top-level row") << QStringLiteral("lone.h\n")
                                        << QStringList{QStringLiteral("/f/lone.h")};
    QTest::newRow("two projects")
        << QStringLiteral("P\n  a\n    A.java\nQ\n  b\n    c\n      B.java\n")
        << QStringList{QStringLiteral("/f/a/A.java"), QStringLiteral("/f/b/c/B.java")};
    QTest::newRow("same names at different depths")
        << QStringLiteral("P\n  a\n    a\n      a\n    b\n  a.c\n")
        << QStringList{QStringLiteral("/f/a/a/a"), QStringLiteral("/f/a/b"),
                       QStringLiteral("/f/a.c")};
}

void TestTreePaths::oneWalkGivesEveryFilePath()
{
    QFETCH(QString, outline);
    QFETCH(QStringList, paths);
    QTreeWidget tree;
    grow(&tree, outline);

    QStringList walked;
    QList<QTreeWidgetItem *> rows;
    forEachFilePath(tree.invisibleRootItem(), QStringLiteral("/f"),
                    [&](QTreeWidgetItem *row, const QString &path) {
                        rows.append(row);
                        walked.append(path);
                    });
    QCOMPARE(walked, paths);
    // The same as each row's own path, row by row.
    QTreeWidgetItemIterator it(&tree, QTreeWidgetItemIterator::NoChildren);
    for (int i = 0; *it; ++it, ++i) {
        QVERIFY(i < rows.size());
        QCOMPARE(rows.at(i), *it);
        QCOMPARE(walked.at(i), projectFilePath(QStringLiteral("/f"), *it));
    }

    // From a top-level row alone: the files below it, and only those.
    QTreeWidgetItem *first = tree.topLevelItem(0);
    QStringList fromFirst;
    forEachFilePath(first, QStringLiteral("/f"),
                    [&](QTreeWidgetItem *, const QString &path) { fromFirst.append(path); });
    QStringList below;
    for (int i = 0; i < rows.size(); ++i) {
        QTreeWidgetItem *top = rows.at(i);
        while (top->parent())
            top = top->parent();
        if (top == first)
            below.append(walked.at(i));
    }
    QCOMPARE(fromFirst, below);
}

QTEST_MAIN(TestTreePaths)
#include "tst_treepaths.moc"
