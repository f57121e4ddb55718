#include "core/model/featuremodel.h"

#include <QRandomGenerator>
#include <QTest>

Q_DECLARE_METATYPE(FeatureStatement)

using Statements = QList<FeatureStatement>;

static FeatureStatement leafHead(const QString &head)
{
    return {head, {}};
}

static FeatureStatement withChildren(const QString &head, const QStringList &children)
{
    return {head, children};
}

namespace QTest {
template<>
char *toString(const FeatureStatement &s)
{
    const QString text = s.head + QStringLiteral(" -> {") + s.children.join(QLatin1Char(','))
                         + QStringLiteral("} (") + QString::number(s.children.size())
                         + QStringLiteral(" children)");
    return qstrdup(text.toUtf8().constData());
}
} // namespace QTest

class TestFeatureModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void strip_data();
    void strip();
    void parse_data();
    void parse();
    void namesKeepWhereTheyStand_data();
    void namesKeepWhereTheyStand();
    void randomTextNeverYieldsSeparatorsInNames();
};

void TestFeatureModel::strip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("brackets go") << "[A]:[[B]]" << "A:B";
    QTest::newRow("the four white-space characters go") << "A \t\r\n B" << "AB";
    QTest::newRow("other white space stays")
        << QStringLiteral("A\u00a0B\vC\fD") << QStringLiteral("A\u00a0B\vC\fD");
    QTest::newRow("operator signs and parentheses stay") << "(A_1)+B-C*D!" << "(A_1)+B-C*D!";
    QTest::newRow("only noise") << " [\n]\t\r " << "";
    QTest::newRow("empty") << "" << "";
}

void TestFeatureModel::strip()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(stripFeatureModelText(text), expected);
}

void TestFeatureModel::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Statements>("expected");

    QTest::newRow("brackets and spaces around names")
        << "Root : Base | [Logging] | Storage ; Storage : File | Database ;"
        << Statements{withChildren("Root", {"Base", "Logging", "Storage"}),
                      withChildren("Storage", {"File", "Database"})};
    QTest::newRow("repeated head is two statements")
        << "A:B|E;A:D;"
        << Statements{withChildren("A", {"B", "E"}), withChildren("A", {"D"})};
    QTest::newRow("head without child list") << "A;" << Statements{leafHead("A")};
    QTest::newRow("empty child list is one empty name")
        << "A:;" << Statements{withChildren("A", {""})};
    QTest::newRow("empty names between bars kept")
        << "A:|B|;" << Statements{withChildren("A", {"", "B", ""})};
    QTest::newRow("duplicate children kept")
        << "A:B|B;" << Statements{withChildren("A", {"B", "B"})};
    QTest::newRow("space is deleted, not a separator")
        << "A : B E ;" << Statements{withChildren("A", {"BE"})};
    QTest::newRow("line break does not end a statement")
        << "A:B\nE:D;" << Statements{withChildren("A", {"BE"})};
    QTest::newRow("windows line ends") << "A:B;\r\nC:D;\r\n"
        << Statements{withChildren("A", {"B"}), withChildren("C", {"D"})};
    QTest::newRow("no semicolon is one statement")
        << "A:B|C" << Statements{withChildren("A", {"B", "C"})};
    QTest::newRow("second colon drops the rest")
        << "A:B:C|D;" << Statements{withChildren("A", {"B"})};
    QTest::newRow("double colon gives an empty child")
        << "A::B;" << Statements{withChildren("A", {""})};
    QTest::newRow("empty head kept") << ":B;" << Statements{withChildren("", {"B"})};
    QTest::newRow("empty statements skipped")
        << ";;A;;;B:C;" << Statements{leafHead("A"), withChildren("B", {"C"})};
    QTest::newRow("bar outside a child list belongs to the head")
        << "A|B;" << Statements{leafHead("A|B")};
    QTest::newRow("non-ascii names")
        << QStringLiteral("Größe:Öl|Übel;")
        << Statements{withChildren(QStringLiteral("Größe"),
                                   {QStringLiteral("Öl"), QStringLiteral("Übel")})};
    QTest::newRow("empty text") << "" << Statements{};
    QTest::newRow("only white space, brackets and semicolons")
        << " [ ] ;\n;\t[];\r\n" << Statements{};
}

void TestFeatureModel::parse()
{
    QFETCH(QString, text);
    QFETCH(Statements, expected);
    QCOMPARE(parseFeatureModel(text), expected);
}

void TestFeatureModel::namesKeepWhereTheyStand_data()
{
    QTest::addColumn<QString>("text");
    // Per statement "name@offset" for the head and each child, and "!@offset"
    // for a second colon; statements separated by "; ".
    QTest::addColumn<QString>("positions");

    QTest::newRow("names after brackets and spaces")
        << "Root : Base | [Logging] ;" << "Root@0 Base@7 Logging@15";
    QTest::newRow("statements on their own lines") << "A:B;\nC:D;" << "A@0 B@2; C@5 D@7";
    QTest::newRow("an empty child stands where its list ends") << "A:;" << "A@0 @2";
    QTest::newRow("a second colon starts what is ignored") << "A:B:C|D;" << "A@0 B@2 !@3";
    QTest::newRow("empty statements take no place") << ";; A ;" << "A@3";
}

void TestFeatureModel::namesKeepWhereTheyStand()
{
    QFETCH(QString, text);
    const FeatureModelFile file = FeatureModelFile::parseText(text);
    QStringList statements;
    for (qsizetype s = 0; s < file.statements.size(); ++s) {
        const FeatureStatement &statement = file.statements.at(s);
        const FeatureModelFile::Positions &where = file.positions.at(s);
        QStringList names{statement.head + QLatin1Char('@') + QString::number(where.head)};
        for (qsizetype c = 0; c < statement.children.size(); ++c)
            names.append(statement.children.at(c) + QLatin1Char('@')
                         + QString::number(where.children.at(c)));
        if (where.ignored >= 0)
            names.append(QStringLiteral("!@") + QString::number(where.ignored));
        statements.append(names.join(QLatin1Char(' ')));
    }
    QTEST(statements.join(QStringLiteral("; ")), "positions");
}

// Whatever the input, names never contain the characters that separate or
// are deleted, and there is never more than one statement per ";" plus one.
void TestFeatureModel::randomTextNeverYieldsSeparatorsInNames()
{
    QRandomGenerator random(20240611); // fixed seed: the same texts every run
    const QString alphabet = QStringLiteral("AB:;|[] \n\r\tä");
    const QString forbidden = QStringLiteral(";:[] \n\r\t");
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = random.bounded(0, 40);
        for (int i = 0; i < length; ++i)
            text.append(alphabet.at(random.bounded(alphabet.size())));

        const Statements statements = parseFeatureModel(text);
        QVERIFY2(statements.size() <= text.count(QLatin1Char(';')) + 1, qPrintable(text));
        for (const FeatureStatement &s : statements) {
            QStringList names = s.children;
            names << s.head;
            for (const QString &name : names) {
                for (const QChar c : forbidden)
                    QVERIFY2(!name.contains(c), qPrintable(text));
            }
            for (const QString &child : s.children)
                QVERIFY2(!child.contains(QLatin1Char('|')), qPrintable(text));
            QVERIFY2(!s.head.isEmpty() || !s.children.isEmpty(), qPrintable(text));
        }
    }
}

QTEST_APPLESS_MAIN(TestFeatureModel)
#include "tst_featuremodel.moc"
