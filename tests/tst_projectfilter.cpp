#include "core/model/featuremodel.h"
#include "import/featuregroups.h"
#include "import/projectfilter.h"
#include "import/projectimport.h"

#include <QTest>

#include <functional>

// The rules of the filters and the feature groups on small made-up trees;
// the import and the subset run them on real folders (tst_projectimport,
// tst_projectsubset).
class TestProjectFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void globsMatchPaths_data();
    void globsMatchPaths();
    void malformedArgumentsAreRefused_data();
    void malformedArgumentsAreRefused();
    void declaredFeaturesAreJudgedToo_data();
    void declaredFeaturesAreJudgedToo();
    void featuresGroupByPrefix_data();
    void featuresGroupByPrefix();

private:
    // "root(A B(C D))" <-> a tree.
    static FeatureNode parseTree(const QString &text);
    static QString describe(const FeatureNode &node);
};

FeatureNode TestProjectFilter::parseTree(const QString &text)
{
    QList<FeatureNode> stack{FeatureNode()};
    QString name;
    const auto flush = [&] {
        if (!name.isEmpty())
            stack.last().children.push_back({name, {}});
        name.clear();
    };
    for (const QChar c : text) {
        if (c == QLatin1Char('(')) {
            stack.append({name, {}});
            name.clear();
        } else if (c == QLatin1Char(')')) {
            flush();
            FeatureNode done = stack.takeLast();
            stack.last().children.push_back(done);
        } else if (c == QLatin1Char(' ')) {
            flush();
        } else {
            name += c;
        }
    }
    flush();
    return stack.first().children.front();
}

QString TestProjectFilter::describe(const FeatureNode &node)
{
    if (node.isLeaf())
        return node.name;
    QStringList children;
    for (const FeatureNode &child : node.children)
        children.append(describe(child));
    return node.name + QLatin1Char('(') + children.join(QLatin1Char(' ')) + QLatin1Char(')');
}

void TestProjectFilter::globsMatchPaths_data()
{
    QTest::addColumn<QString>("glob");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("matches");

    QTest::newRow("** spans folders") << "lib/**" << "lib/vtls/a.c" << true;
    QTest::newRow("** needs the whole folder name") << "lib/**" << "libx/a.c" << false;
    QTest::newRow("* stays inside a folder") << "lib/*.c" << "lib/vtls/a.c" << false;
    QTest::newRow("* inside a folder") << "lib/*.c" << "lib/a.c" << true;
    QTest::newRow("**/ may stand for no folder") << "lib/**/a.c" << "lib/a.c" << true;
    QTest::newRow("**/ may stand for several") << "lib/**/a.c" << "lib/x/y/a.c" << true;
    QTest::newRow("**/ at the start: any depth") << "**/a.c" << "lib/x/a.c" << true;
    QTest::newRow("a folder's name takes what is below") << "lib/vtls" << "lib/vtls/a.c" << true;
    QTest::newRow("part of a folder name takes nothing") << "lib/vt" << "lib/vtls/a.c" << false;
    QTest::newRow("the glob is the whole path") << "a.c" << "lib/a.c" << false;
    QTest::newRow("? is one character") << "lib/?.c" << "lib/ab.c" << false;
    QTest::newRow("? is no slash") << "lib?a.c" << "lib/a.c" << false;
    QTest::newRow("character class") << "lib/[ab].c" << "lib/b.c" << true;
    QTest::newRow("negated character class") << "lib/[!ab].c" << "lib/b.c" << false;
    QTest::newRow("unclosed bracket stands for itself") << "lib/[a.c" << "lib/[a.c" << true;
    QTest::newRow("a range out of order stands for itself") << "lib/[z-a].c" << "lib/[z-a].c"
                                                          << true;
    QTest::newRow("dot is no wildcard") << "a.c" << "abc" << false;
    QTest::newRow("pattern characters stand for themselves") << "a+(b).c" << "a+(b).c" << true;
    QTest::newRow("leading ./ is dropped") << "./lib/**" << "lib/a.c" << true;
    // Beyond the 16-bit range a character is two halves; escaped one at a
    // time they made a pattern that does not compile.
    QTest::newRow("a character beyond the 16-bit range") << QString::fromUtf8("lib/\xF0\x9F\x90\xB1 *.c")
        << QString::fromUtf8("lib/\xF0\x9F\x90\xB1 cat.c") << true;
}

void TestProjectFilter::globsMatchPaths()
{
    QFETCH(QString, glob);
    QFETCH(QString, path);
    QFETCH(bool, matches);

    const QRegularExpression pattern = ProjectFilter::globPattern(glob);
    QVERIFY2(pattern.isValid(), qPrintable(pattern.pattern()));
    QCOMPARE(ProjectFilter::globMatches(pattern, path), matches);
}

void TestProjectFilter::malformedArgumentsAreRefused_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("accepted");

    using Kind = ProjectFilter::Step::Kind;
    QTest::newRow("regular expression") << int(Kind::Features) << "^USE_|^HAVE_" << true;
    QTest::newRow("no regular expression") << int(Kind::Ignore) << "(" << false;
    QTest::newRow("a count") << int(Kind::MinFragments) << "2" << true;
    QTest::newRow("no count") << int(Kind::MinFragments) << "two" << false;
    QTest::newRow("a negative count") << int(Kind::MinFragments) << "-1" << false;
    QTest::newRow("any glob") << int(Kind::Include) << "[" << true;
}

void TestProjectFilter::malformedArgumentsAreRefused()
{
    QFETCH(int, kind);
    QFETCH(QString, argument);
    QFETCH(bool, accepted);

    ProjectFilter::Step step;
    QString error;
    QCOMPARE(ProjectFilter::makeStep(ProjectFilter::Step::Kind(kind), argument, &step, &error),
             accepted);
    // The reason names what was given.
    QCOMPARE(error.contains(argument), !accepted);
}

void TestProjectFilter::declaredFeaturesAreJudgedToo_data()
{
    QTest::addColumn<QStringList>("declared");
    // "path:fragment fragment", a fragment's features joined by "+", "*" after a default macro.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("arguments"); // option, value, ...
    QTest::addColumn<QStringList>("features");  // those left
    QTest::addColumn<int>("fragments");         // those left in the files kept

    QTest::newRow("--features judges features without code")
        << QStringList{"Base", "Caesar", "Reverse"}
        << QStringList{"a.java:Caesar Reverse Base+Caesar"}
        << QStringList{"--features", "Caesar|Reverse"} << QStringList{"Caesar", "Reverse"} << 3;
    QTest::newRow("--min-fragments 1 takes the features without code")
        << QStringList{"A", "X"} << QStringList{"a.c:A"} << QStringList{"--min-fragments", "1"}
        << QStringList{"A"} << 1;
    QTest::newRow("--no-default-macros keeps the features without code")
        << QStringList{"D", "X"} << QStringList{"a.c:D*"} << QStringList{"--no-default-macros"}
        << QStringList{"X"} << 0;
    QTest::newRow("--ignore also judges files a later --include brings back")
        << QStringList() << QStringList{"a/x.c:A", "b/y.c:B A+B"}
        << QStringList{"--include", "a/**", "--ignore", "B", "--include", "b/**"}
        << QStringList{"A"} << 2;
    QTest::newRow("an expression stays while one of its features does")
        << QStringList() << QStringList{"a.c:A+B B"} << QStringList{"--ignore", "^B$"}
        << QStringList{"A"} << 1;
}

void TestProjectFilter::declaredFeaturesAreJudgedToo()
{
    QFETCH(QStringList, declared);
    QFETCH(QStringList, files);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, features);
    QFETCH(int, fragments);

    using Kind = ProjectFilter::Step::Kind;
    const QHash<QString, Kind> kinds = {
        {"--include", Kind::Include},           {"--exclude", Kind::Exclude},
        {"--features", Kind::Features},         {"--ignore", Kind::Ignore},
        {"--min-fragments", Kind::MinFragments}, {"--no-default-macros", Kind::NoDefaultMacros}};
    QList<ProjectFilter::Step> steps;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const Kind kind = kinds.value(arguments.at(i));
        const QString value = kind == Kind::NoDefaultMacros ? QString() : arguments.at(++i);
        ProjectFilter::Step step;
        QString error;
        QVERIFY2(ProjectFilter::makeStep(kind, value, &step, &error), qPrintable(error));
        steps.append(step);
    }
    QList<ProjectFilter::File> input;
    for (const QString &file : files) {
        ProjectFilter::File parsed{file.section(QLatin1Char(':'), 0, 0), {}};
        for (QString fragment : file.section(QLatin1Char(':'), 1).split(QLatin1Char(' '))) {
            const bool defaultMacro = fragment.endsWith(QLatin1Char('*'));
            fragment.remove(QLatin1Char('*'));
            parsed.fragments.append({fragment.split(QLatin1Char('+')), defaultMacro});
        }
        input.append(parsed);
    }

    const ProjectFilter::Outcome outcome = ProjectFilter::apply(steps, input, declared);
    QSet<QString> left;
    for (const QString &feature : declared) {
        if (!outcome.removedFeatures.contains(feature))
            left.insert(feature);
    }
    int fragmentsLeft = 0;
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (!outcome.keptFiles.at(i))
            continue;
        for (const ProjectFilter::Fragment &fragment : input.at(i).fragments) {
            if (!ProjectFilter::keeps(fragment, outcome.removedFeatures))
                continue;
            ++fragmentsLeft;
            for (const QString &feature : fragment.features) {
                if (!outcome.removedFeatures.contains(feature))
                    left.insert(feature);
            }
        }
    }
    QStringList leftList(left.begin(), left.end());
    leftList.sort();
    QCOMPARE(leftList, features);
    QCOMPARE(fragmentsLeft, fragments);
}

void TestProjectFilter::featuresGroupByPrefix_data()
{
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QString>("grouped");

    QTest::newRow("three sharing a prefix hang under it")
        << "R(HAVE_A HAVE_B HAVE_C X)" << "R(HAVE_(HAVE_A HAVE_B HAVE_C) X)";
    QTest::newRow("two are no group") << "R(USE_A USE_B X)" << "R(USE_A USE_B X)";
    QTest::newRow("a group takes the longest prefix its members share")
        << "R(CURL_DISABLE_A CURL_DISABLE_B CURL_DISABLE_C)"
        << "R(CURL_DISABLE_(CURL_DISABLE_A CURL_DISABLE_B CURL_DISABLE_C))";
    QTest::newRow("groups nest")
        << "R(CURL_DISABLE_A CURL_DISABLE_B CURL_DISABLE_C CURL_STATICLIB CURL_WIN32)"
        << "R(CURL_(CURL_DISABLE_(CURL_DISABLE_A CURL_DISABLE_B CURL_DISABLE_C) CURL_STATICLIB "
           "CURL_WIN32))";
    QTest::newRow("a group of fewer than three children stays flat")
        << "R(A_X_1 A_X_2 A_X_3 A_Y)" << "R(A_(A_X_1 A_X_2 A_X_3 A_Y))";
    QTest::newRow("underscores alone are no prefix") << "R(__a __b __c)" << "R(__a __b __c)";
    QTest::newRow("compiler macros group by their name")
        << "R(__GNUC__ __GNUC_MINOR__ __GNUC_PATCHLEVEL__)"
        << "R(__GNUC_(__GNUC__ __GNUC_MINOR__ __GNUC_PATCHLEVEL__))";
    QTest::newRow("a prefix is never a whole name")
        << "R(HAVE_ HAVE_A HAVE_B)" << "R(HAVE_ HAVE_A HAVE_B)";
    QTest::newRow("a name taken gives the group another _")
        << "R(HAVE_ HAVE_A HAVE_B HAVE_C)" << "R(HAVE_ HAVE__(HAVE_A HAVE_B HAVE_C))";
    QTest::newRow("a group stands where its first member stood")
        << "R(A_1 B A_2 A_3)" << "R(A_(A_1 A_2 A_3) B)";
    QTest::newRow("inner features keep their place and group inside")
        << "R(X_A Inner(Y_A Y_B Y_C) X_B X_C)" << "R(X_(X_A X_B X_C) Inner(Y_(Y_A Y_B Y_C)))";
}

void TestProjectFilter::featuresGroupByPrefix()
{
    QFETCH(QString, tree);
    QFETCH(QString, grouped);

    FeatureNode root = parseTree(tree);
    const QStringList leaves = root.leaves();
    QSet<QString> taken(leaves.begin(), leaves.end());
    taken.insert(root.name);
    taken.insert(QStringLiteral("Inner"));
    FeatureGroups::groupTree(&root, &taken);
    QCOMPARE(describe(root), grouped);
    // Grouping moves leaves, but keeps every one.
    QStringList after = root.leaves();
    QStringList before = leaves;
    after.sort();
    before.sort();
    QCOMPARE(after, before);

    // Written to model.m and read back as the viewer reads it, it is the same tree.
    const FeatureTree read = buildFeatureTree(parseFeatureModel(
        QString::fromUtf8(ProjectImport::featureModelText({root}))));
    std::function<FeatureNode(int)> toNode = [&](int item) {
        FeatureNode node{read.items.at(item).name, {}};
        for (int child : read.items.at(item).children)
            node.children.push_back(toNode(child));
        return node;
    };
    QCOMPARE(read.topLevel.size(), 1);
    QCOMPARE(describe(toNode(read.topLevel.first())), grouped);
}

QTEST_APPLESS_MAIN(TestProjectFilter)
#include "tst_projectfilter.moc"
