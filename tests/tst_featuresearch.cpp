#include "ui/search/featuresearch.h"

#include <QTest>
#include <QTreeWidget>

#include <memory>

// Chat { Logging, Security { Encryption, Decryption }, Color { ColorPicker } }
class TestFeatureSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void firstMatch_data();
    void firstMatch();
    void repeatingStepsThroughAllMatchesAndWraps();
    void noMatchStartsOverAtTheTop();
    void startOutsideTheTreeStartsAtTheTop();
    void emptyTreeFindsNothing();

private:
    QTreeWidgetItem *item(const QString &name) const;

    std::unique_ptr<QTreeWidget> m_tree;
};

void TestFeatureSearch::init()
{
    m_tree = std::make_unique<QTreeWidget>();
    auto *chat = new QTreeWidgetItem(m_tree.get(), {QStringLiteral("Chat")});
    new QTreeWidgetItem(chat, {QStringLiteral("Logging")});
    auto *security = new QTreeWidgetItem(chat, {QStringLiteral("Security")});
    new QTreeWidgetItem(security, {QStringLiteral("Encryption")});
    new QTreeWidgetItem(security, {QStringLiteral("Decryption")});
    auto *color = new QTreeWidgetItem(chat, {QStringLiteral("Color")});
    new QTreeWidgetItem(color, {QStringLiteral("ColorPicker")});
}

void TestFeatureSearch::cleanup()
{
    m_tree.reset();
}

QTreeWidgetItem *TestFeatureSearch::item(const QString &name) const
{
    const QList<QTreeWidgetItem *> items =
        m_tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

void TestFeatureSearch::firstMatch_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hit");
    QTest::addColumn<QString>("next");

    QTest::newRow("part of a name, other case") << "Chat" << "CRYPT" << "Encryption"
                                                << "Decryption";
    QTest::newRow("the start item itself can be the hit") << "Security" << "secur" << "Security"
                                                          << "Encryption";
    QTest::newRow("search continues past the start's subtree") << "Encryption" << "col"
                                                               << "Color" << "ColorPicker";
    QTest::newRow("wraps to the top when nothing follows") << "Color" << "log" << "Logging"
                                                           << "Security";
    QTest::newRow("a top-level row can be the hit") << "Logging" << "chat" << "Chat"
                                                    << "Logging";
}

void TestFeatureSearch::firstMatch()
{
    QFETCH(QString, start);
    QFETCH(QString, text);
    QFETCH(QString, hit);
    QFETCH(QString, next);

    const FeatureSearch::Step step = FeatureSearch::findNext(m_tree.get(), item(start), text);
    QVERIFY(step.hit);
    QCOMPARE(step.hit->text(0), hit);
    QVERIFY(step.next);
    QCOMPARE(step.next->text(0), next);
}

void TestFeatureSearch::repeatingStepsThroughAllMatchesAndWraps()
{
    QTreeWidgetItem *position = m_tree->topLevelItem(0);
    QStringList hits;
    for (int i = 0; i < 4; ++i) {
        const FeatureSearch::Step step =
            FeatureSearch::findNext(m_tree.get(), position, QStringLiteral("o"));
        QVERIFY(step.hit);
        hits.append(step.hit->text(0));
        position = step.next;
    }
    QCOMPARE(hits, QStringList({QStringLiteral("Logging"), QStringLiteral("Encryption"),
                                QStringLiteral("Decryption"), QStringLiteral("Color")}));

    const QStringList rest = {QStringLiteral("ColorPicker"), QStringLiteral("Logging")};
    for (const QString &expected : rest) {
        const FeatureSearch::Step step =
            FeatureSearch::findNext(m_tree.get(), position, QStringLiteral("o"));
        QVERIFY(step.hit);
        QCOMPARE(step.hit->text(0), expected);
        position = step.next;
    }
}

void TestFeatureSearch::noMatchStartsOverAtTheTop()
{
    const FeatureSearch::Step step =
        FeatureSearch::findNext(m_tree.get(), item("Decryption"), QStringLiteral("network"));
    QCOMPARE(step.hit, nullptr);
    QCOMPARE(step.next, m_tree->topLevelItem(0));
}

void TestFeatureSearch::startOutsideTheTreeStartsAtTheTop()
{
    QTreeWidgetItem detached({QStringLiteral("Encryption")});
    FeatureSearch::Step step =
        FeatureSearch::findNext(m_tree.get(), &detached, QStringLiteral("ion"));
    QCOMPARE(step.hit, item("Encryption"));
    step = FeatureSearch::findNext(m_tree.get(), nullptr, QStringLiteral("ion"));
    QCOMPARE(step.hit, item("Encryption"));
}

void TestFeatureSearch::emptyTreeFindsNothing()
{
    QTreeWidget empty;
    const FeatureSearch::Step step =
        FeatureSearch::findNext(&empty, nullptr, QStringLiteral("x"));
    QCOMPARE(step.hit, nullptr);
    QCOMPARE(step.next, nullptr);
}

QTEST_MAIN(TestFeatureSearch)
#include "tst_featuresearch.moc"
