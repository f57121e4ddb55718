#include "core/formats/participantsfile.h"
#include "core/formats/studydesign.h"
#include "core/study/conditionassignment.h"
#include "core/study/signinplan.h"
#include "core/study/taskorder.h"

#include <QSet>
#include <QTest>

namespace {

const QByteArray threeConditions = R"({"conditions": [{"name": "colour"}, {"name": "plain",
    "colours": false}, {"name": "preset"}], "taskOrder": "latin-square"})";

StudyDesign design(const QByteArray &json = threeConditions)
{
    const StudyDesign::Reading reading = StudyDesign::read(json);
    return reading.design;
}

ParticipantsFile participants(const QByteArray &csv, const StudyDesign &forDesign, int tasks = 3)
{
    return ParticipantsFile::read(csv, forDesign, tasks).file;
}

} // namespace

class TestStudyRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void balancedCondition_data();
    void balancedCondition();

    void latinSquareRows_data();
    void latinSquareRows();
    void latinSquareIsBalanced_data();
    void latinSquareIsBalanced();
    void shuffledAsWorkedOut_data();
    void shuffledAsWorkedOut();
    void shuffledIsFair();
    void ordersOfOddSizes_data();
    void ordersOfOddSizes();

    void signInPlan_data();
    void signInPlan();
};

void TestStudyRules::balancedCondition_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QStringList>("earlier"); // conditions of the folder's participants so far
    QTest::addColumn<QString>("condition");

    QTest::newRow("the first participant gets the first condition") << "p01" << QStringList{}
                                                                    << "colour";
    QTest::newRow("the condition with the fewest")
        << "p05" << QStringList{"colour", "plain", "colour", "preset"} << "plain";
    QTest::newRow("a tie goes to the condition listed first")
        << "p04" << QStringList{"plain", "colour", "preset"} << "colour";
    QTest::newRow("a tie among the later ones") << "p02" << QStringList{"colour"} << "plain";
    QTest::newRow("participants.csv wins over the balance")
        << "p07" << QStringList{"colour", "plain"} << "plain";
    QTest::newRow("an empty condition in participants.csv leaves it to the balance")
        << "p08" << QStringList{"colour", "plain"} << "preset";
    QTest::newRow("a condition no longer in study.json counts for nothing")
        << "p03" << QStringList{"old", "old", "colour", "plain"} << "preset";
}

void TestStudyRules::balancedCondition()
{
    QFETCH(QString, account);
    QFETCH(QStringList, earlier);
    const StudyDesign conditions = design();
    const ParticipantsFile listed =
        participants("account,condition\np07,plain\np08,\n", conditions);
    QHash<QString, int> counts;
    for (const QString &condition : earlier)
        ++counts[condition];
    QTEST(ConditionAssignment::conditionFor(conditions, listed, account, counts), "condition");
    QCOMPARE(ConditionAssignment::conditionFor(StudyDesign(), ParticipantsFile(), account, counts),
             QString());
}

void TestStudyRules::latinSquareRows_data()
{
    QTest::addColumn<int>("tasks");
    QTest::addColumn<int>("keepFirst");
    QTest::addColumn<QList<QList<int>>>("rows"); // for participants 1, 2, ...

    QTest::newRow("four tasks")
        << 4 << 0
        << QList<QList<int>>{{1, 2, 4, 3}, {2, 3, 1, 4}, {3, 4, 2, 1}, {4, 1, 3, 2}, {1, 2, 4, 3}};
    QTest::newRow("three tasks: the square, then its mirror")
        << 3 << 0
        << QList<QList<int>>{{1, 2, 3}, {2, 3, 1}, {3, 1, 2}, {3, 2, 1}, {1, 3, 2}, {2, 1, 3},
                             {1, 2, 3}};
    QTest::newRow("a practice task stays first")
        << 4 << 1 << QList<QList<int>>{{1, 2, 3, 4}, {1, 3, 4, 2}, {1, 4, 2, 3}, {1, 4, 3, 2}};
    QTest::newRow("two tasks") << 2 << 0 << QList<QList<int>>{{1, 2}, {2, 1}, {1, 2}};
    QTest::newRow("one task") << 1 << 0 << QList<QList<int>>{{1}, {1}};
    QTest::newRow("all kept") << 3 << 5 << QList<QList<int>>{{1, 2, 3}, {1, 2, 3}};
    QTest::newRow("no tasks") << 0 << 0 << QList<QList<int>>{{}, {}};
}

void TestStudyRules::latinSquareRows()
{
    QFETCH(int, tasks);
    QFETCH(int, keepFirst);
    QFETCH(QList<QList<int>>, rows);
    for (int number = 1; number <= rows.size(); ++number)
        QCOMPARE(TaskOrdering::latinSquare(tasks, keepFirst, number), rows.at(number - 1));
}

void TestStudyRules::latinSquareIsBalanced_data()
{
    QTest::addColumn<int>("tasks");
    for (int tasks = 2; tasks <= 9; ++tasks)
        QTest::addRow("%d tasks", tasks) << tasks;
}

void TestStudyRules::latinSquareIsBalanced()
{
    QFETCH(int, tasks);
    const int round = TaskOrdering::latinSquareRows(tasks, 0);
    QCOMPARE(round, tasks % 2 == 0 ? tasks : 2 * tasks);
    QHash<QPair<int, int>, int> places;     // (task, place) -> participants
    QHash<QPair<int, int>, int> followers;  // (task, next task) -> participants
    for (int number = 1; number <= round; ++number) {
        const QList<int> order = TaskOrdering::latinSquare(tasks, 0, number);
        QCOMPARE(QSet<int>(order.cbegin(), order.cend()).size(), tasks);
        for (int place = 0; place < tasks; ++place)
            ++places[{order.at(place), place}];
        for (int place = 0; place + 1 < tasks; ++place)
            ++followers[{order.at(place), order.at(place + 1)}];
    }
    // Every task in every place, and every task right after every other,
    // equally often over one round.
    const int times = round / tasks;
    QCOMPARE(places.size(), tasks * tasks);
    for (int count : std::as_const(places))
        QCOMPARE(count, times);
    QCOMPARE(followers.size(), tasks * (tasks - 1));
    for (int count : std::as_const(followers))
        QCOMPARE(count, times);
}

void TestStudyRules::shuffledAsWorkedOut_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<int>("tasks");
    QTest::addColumn<int>("keepFirst");
    QTest::addColumn<QList<int>>("order");

    // Worked out from the rule as the README gives it, in Python.
    QTest::newRow("anna, five tasks") << "anna" << 5 << 0 << QList<int>{4, 5, 1, 2, 3};
    QTest::newRow("anna, one practice task") << "anna" << 5 << 1 << QList<int>{1, 4, 3, 5, 2};
    QTest::newRow("p01, six tasks") << "p01" << 6 << 0 << QList<int>{5, 6, 1, 3, 4, 2};
    QTest::newRow("a name beyond ASCII") << QStringLiteral("J\u00f6rg") << 4 << 0
                                         << QList<int>{2, 1, 4, 3};
}

void TestStudyRules::shuffledAsWorkedOut()
{
    QFETCH(QString, account);
    QFETCH(int, tasks);
    QFETCH(int, keepFirst);
    QTEST(TaskOrdering::shuffled(tasks, keepFirst, account), "order");
}

void TestStudyRules::shuffledIsFair()
{
    // Each of four tasks comes first for about a quarter of 8000 accounts;
    // a shuffle that favours a place (an off-by-one in the draw) does not.
    QList<int> first(4, 0);
    QSet<QList<int>> orders;
    for (int i = 0; i < 8000; ++i) {
        const QList<int> order = TaskOrdering::shuffled(4, 0, QStringLiteral("p%1").arg(i));
        ++first[order.first() - 1];
        orders.insert(order);
    }
    for (int count : std::as_const(first))
        QVERIFY2(count > 1800 && count < 2200, qPrintable(QString::number(count)));
    QCOMPARE(orders.size(), 24);
}

void TestStudyRules::ordersOfOddSizes_data()
{
    QTest::addColumn<int>("tasks");
    QTest::addColumn<int>("keepFirst");
    QTest::newRow("nothing to arrange") << 0 << 0;
    QTest::newRow("one task") << 1 << 0;
    QTest::newRow("more kept than there are") << 3 << 7;
    QTest::newRow("a negative count kept") << 3 << -2;
}

void TestStudyRules::ordersOfOddSizes()
{
    QFETCH(int, tasks);
    QFETCH(int, keepFirst);
    const QList<int> fixed = TaskOrdering::fixed(tasks);
    QCOMPARE(fixed.size(), tasks);
    for (const QList<int> &order : {TaskOrdering::shuffled(tasks, keepFirst, "x"),
                                    TaskOrdering::latinSquare(tasks, keepFirst, 2)})
        QVERIFY(ParticipantsFile::arrangesTasks(order, tasks));
    if (keepFirst >= tasks)
        QCOMPARE(TaskOrdering::shuffled(tasks, keepFirst, "x"), fixed);
}

void TestStudyRules::signInPlan_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("returning");
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QList<int>>("order");
    QTest::addColumn<int>("number");

    // Two participants so far (colour, plain); three tasks.
    QTest::newRow("a new participant: balanced, the third latin-square row")
        << threeConditions << false << "preset" << QList<int>{3, 1, 2} << 3;
    QTest::newRow("a returning participant keeps condition and order")
        << threeConditions << true << "plain" << QList<int>{2, 1, 3} << 7;
    QTest::newRow("a fixed order")
        << QByteArray(R"({"conditions": [{"name": "colour"}, {"name": "plain"}]})") << false
        << "colour" << QList<int>{1, 2, 3} << 3;
    QTest::newRow("without study.json") << QByteArray("{}") << false << "" << QList<int>{1, 2, 3}
                                        << 3;
}

void TestStudyRules::signInPlan()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, returning);
    const StudyDesign rules = design(json);
    SessionFile earlier;
    earlier.condition = QStringLiteral("plain");
    earlier.taskOrder = {2, 1, 3};
    earlier.number = 7;
    SignInPlan::FolderState state;
    state.participants = 2;
    state.conditionCounts = {{"colour", 1}, {"plain", 1}};
    const SignInPlan::Plan plan = SignInPlan::plan(rules, ParticipantsFile(),
                                                   returning ? &earlier : nullptr, state, "anna", 3);
    QCOMPARE(plan.returning, returning);
    QTEST(plan.condition, "condition");
    QTEST(plan.taskOrder, "order");
    QTEST(plan.number, "number");
}

QTEST_APPLESS_MAIN(TestStudyRules)
#include "tst_studyrules.moc"
