#include "ui/structure/treepaths.h"

#include <QTest>
#include <QTreeWidgetItem>

class TestTreePaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void projectNameIsNotPartOfThePath();
    void fileDirectlyUnderProject();
    void topLevelRowIsItsOwnPath();
};

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

QTEST_APPLESS_MAIN(TestTreePaths)
#include "tst_treepaths.moc"
