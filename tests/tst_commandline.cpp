#include "app/commandline.h"
#include "app/subcommands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Action = CommandLineRequest::Action;
Q_DECLARE_METATYPE(CommandLineRequest::Action)

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void decision_data();
    void decision();
    void failureIsOneLineNamingTheArgument_data();
    void failureIsOneLineNamingTheArgument();
    void relativeFolderBecomesAbsolute();
    void helpNamesTheProgramAndTheFolderArgument();

    void binary_data();
    void binary();

    void manualPageDocumentsEveryOption_data();
    void manualPageDocumentsEveryOption();
    void subCommandHelp_data();
    void subCommandHelp();
    void summaryLines_data();
    void summaryLines();

private:
    // "<tmp>" in test data stands for the temporary directory.
    QString expand(const QString &text) const;
    QStringList expand(const QStringList &arguments) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCommandLine::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("project/src")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("-dashed")));
    QFile file(m_dir->filePath(QStringLiteral("file.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a folder\n");
}

void TestCommandLine::cleanup()
{
    m_dir.reset();
}

QString TestCommandLine::expand(const QString &text) const
{
    QString result = text;
    return result.replace(QStringLiteral("<tmp>"), m_dir->path());
}

QStringList TestCommandLine::expand(const QStringList &arguments) const
{
    QStringList result{QStringLiteral("/usr/bin/featurehue")};
    for (const QString &argument : arguments)
        result.append(expand(argument));
    return result;
}

void TestCommandLine::decision_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("no argument asks in the dialog") << QStringList() << Action::Run << QString() << 0;
    QTest::newRow("existing folder is used")
        << QStringList{"<tmp>/project"} << Action::Run << "<tmp>/project" << 0;
    QTest::newRow("trailing slash is dropped, so appended names get one slash")
        << QStringList{"<tmp>/project/"} << Action::Run << "<tmp>/project" << 0;
    QTest::newRow("dot segments are cleaned")
        << QStringList{"<tmp>/project/src/.././"} << Action::Run << "<tmp>/project" << 0;
    QTest::newRow("folder with a leading dash after --")
        << QStringList{"--", "<tmp>/-dashed"} << Action::Run << "<tmp>/-dashed" << 0;
    QTest::newRow("Qt's own single-dash options are left to Qt")
        << QStringList{"-platform", "offscreen", "<tmp>/project"} << Action::Run
        << "<tmp>/project" << 0;
    QTest::newRow("Qt option in name=value form")
        << QStringList{"-style=fusion", "-reverse", "<tmp>/project"} << Action::Run
        << "<tmp>/project" << 0;
    QTest::newRow("missing folder is refused")
        << QStringList{"<tmp>/missing"} << Action::Fail << QString() << 2;
    QTest::newRow("regular file is refused")
        << QStringList{"<tmp>/file.txt"} << Action::Fail << QString() << 2;
    QTest::newRow("empty argument is refused") << QStringList{""} << Action::Fail << QString() << 2;
    QTest::newRow("two folders are refused")
        << QStringList{"<tmp>/project", "<tmp>/project"} << Action::Fail << QString() << 2;
    QTest::newRow("unknown option is refused")
        << QStringList{"--colours", "<tmp>/project"} << Action::Fail << QString() << 2;
    QTest::newRow("--help") << QStringList{"--help"} << Action::ShowHelp << QString() << 0;
    QTest::newRow("-h") << QStringList{"-h"} << Action::ShowHelp << QString() << 0;
    QTest::newRow("--help-all") << QStringList{"--help-all"} << Action::ShowHelp << QString() << 0;
    QTest::newRow("help wins over a bad folder")
        << QStringList{"--help", "<tmp>/missing"} << Action::ShowHelp << QString() << 0;
    QTest::newRow("--version") << QStringList{"--version"} << Action::ShowVersion << QString() << 0;
    QTest::newRow("-v") << QStringList{"-v"} << Action::ShowVersion << QString() << 0;
}

void TestCommandLine::decision()
{
    QFETCH(QStringList, arguments);
    QFETCH(Action, action);
    QFETCH(QString, folder);
    QFETCH(int, exitCode);

    const CommandLineRequest request = parseCommandLine(expand(arguments));
    QCOMPARE(request.action, action);
    QCOMPARE(request.projectFolder, expand(folder));
    QCOMPARE(request.exitCode, exitCode);
    if (action == Action::ShowVersion)
        QCOMPARE(request.output, QStringLiteral("featurehue " FEATUREHUE_VERSION "\n"));
    if (action == Action::Run)
        QVERIFY(request.output.isEmpty());
    else
        QVERIFY(!request.output.isEmpty());
}

void TestCommandLine::failureIsOneLineNamingTheArgument_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("mentioned");

    QTest::newRow("missing folder") << QStringList{"<tmp>/missing"} << "<tmp>/missing";
    QTest::newRow("regular file") << QStringList{"<tmp>/file.txt"} << "<tmp>/file.txt";
    QTest::newRow("unknown option") << QStringList{"--colours"} << "colours";
}

void TestCommandLine::failureIsOneLineNamingTheArgument()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, mentioned);

    const CommandLineRequest request = parseCommandLine(expand(arguments));
    QCOMPARE(request.action, Action::Fail);
    QVERIFY(request.output.startsWith(QStringLiteral("featurehue: ")));
    QVERIFY(request.output.endsWith(QLatin1Char('\n')));
    QCOMPARE(request.output.count(QLatin1Char('\n')), 1);
    QVERIFY2(request.output.contains(expand(mentioned)), qPrintable(request.output));
}

void TestCommandLine::relativeFolderBecomesAbsolute()
{
    // Relative paths would break the removal of the folder from file paths.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const CommandLineRequest dotted = parseCommandLine({QStringLiteral("featurehue"),
                                                        QStringLiteral(".")});
    const CommandLineRequest sub = parseCommandLine({QStringLiteral("featurehue"),
                                                     QStringLiteral("project")});
    QVERIFY(QDir::setCurrent(previous));

    const QString tmp = QDir(m_dir->path()).absolutePath();
    QCOMPARE(dotted.action, Action::Run);
    QCOMPARE(dotted.projectFolder, tmp);
    QCOMPARE(sub.projectFolder, tmp + QStringLiteral("/project"));
}

void TestCommandLine::helpNamesTheProgramAndTheFolderArgument()
{
    const CommandLineRequest request = parseCommandLine({QStringLiteral("./featurehue"),
                                                         QStringLiteral("--help")});
    QVERIFY2(request.output.startsWith(QStringLiteral("Usage: featurehue [options] [PROJECT_FOLDER]\n")),
             qPrintable(request.output));
    // The argument is also described, not only named in the usage line.
    QCOMPARE(request.output.count(QStringLiteral("PROJECT_FOLDER")), 2);
    QVERIFY(request.output.contains(QStringLiteral("--version")));
}

void TestCommandLine::binary_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stdoutContains");
    QTest::addColumn<int>("stderrLines");

    QTest::newRow("missing folder: one line on stderr, status 2")
        << QStringList{"/no/such/dir"} << 2 << QString() << 1;
    QTest::newRow("regular file: one line on stderr, status 2")
        << QStringList{"<tmp>/file.txt"} << 2 << QString() << 1;
    QTest::newRow("two folders: one line on stderr, status 2")
        << QStringList{"<tmp>/project", "<tmp>/project"} << 2 << QString() << 1;
    QTest::newRow("--version prints the version")
        << QStringList{"--version"} << 0 << QStringLiteral("featurehue " FEATUREHUE_VERSION "\n")
        << 0;
    QTest::newRow("--help lists the folder argument")
        << QStringList{"--help"} << 0 << QStringLiteral("PROJECT_FOLDER") << 0;
    // A path that names no folder is bad usage, as in "check" and "import".
    QTest::newRow("report on a missing folder: one line on stderr, status 2")
        << QStringList{"report", "/no/such/dir"} << 2 << QString() << 1;
    QTest::newRow("report without a folder: one line on stderr, status 2")
        << QStringList{"report"} << 2 << QString() << 1;
    QTest::newRow("features of a missing folder: one line on stderr, status 2")
        << QStringList{"features", "/no/such/dir"} << 2 << QString() << 1;
    QTest::newRow("features sorted by no column: one line on stderr, status 2")
        << QStringList{"features", "<tmp>/project", "--sort", "colour"} << 2 << QString() << 1;
    QTest::newRow("subset with no regular expression: one line on stderr, status 2")
        << QStringList{"subset", "<tmp>/project", "<tmp>/slice", "--features", "(A"} << 2
        << QString() << 1;
    QTest::newRow("import with no count: one line on stderr, status 2")
        << QStringList{"import", "<tmp>/project", "<tmp>/slice", "--min-fragments", "two"} << 2
        << QString() << 1;
    QTest::newRow("replay of an account the folder does not have: status 1")
        << QStringList{"replay", "<tmp>/project", "nobody"} << 1 << QString() << 1;
    QTest::newRow("replay without an account: one line on stderr, status 2")
        << QStringList{"replay"} << 2 << QString() << 1;
    QTest::newRow("replay of an account that is a path: status 2, nothing read")
        << QStringList{"replay", "<tmp>/project", "../anna"} << 2 << QString() << 1;
    QTest::newRow("replay's state without a moment: status 2")
        << QStringList{"replay", "<tmp>/project", "anna", "--print-state"} << 2 << QString() << 1;
    QTest::newRow("replay at a moment that is no number: status 2")
        << QStringList{"replay", "<tmp>/project", "anna", "--at", "soon"} << 2 << QString() << 1;
}

void TestCommandLine::binary()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, stdoutContains);
    QFETCH(int, stderrLines);

    QStringList expanded;
    for (const QString &argument : arguments)
        expanded.append(expand(argument));

    // No display at all: had the program started its GUI, it would abort with
    // Qt's own messages instead of answering.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(FEATUREHUE_BINARY), expanded);
    QVERIFY2(process.waitForFinished(), qPrintable(process.errorString()));
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());

    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(err.count(QLatin1Char('\n')), stderrLines);
    if (stderrLines > 0) {
        QVERIFY(out.isEmpty());
        QVERIFY2(err.contains(expanded.last()), qPrintable(err));
    }
    if (!stdoutContains.isEmpty())
        QVERIFY2(out.contains(stdoutContains), qPrintable(out));
}

void TestCommandLine::manualPageDocumentsEveryOption_data()
{
    QTest::addColumn<QStringList>("helpArguments");
    QTest::addColumn<QString>("synopsis");

    QTest::newRow("viewer") << QStringList{"--help"} << QStringLiteral(".B featurehue\n");
    for (const SubCommand &command : subCommands()) {
        QTest::newRow(qPrintable(command.name))
            << QStringList{command.name, QStringLiteral("--help")}
            << QStringLiteral(".B featurehue ") + command.name + QLatin1Char('\n');
    }
}

// The package's manual page (packaging/featurehue.1) keeps up with the
// options that the program's own --help lists, sub-commands included.
void TestCommandLine::manualPageDocumentsEveryOption()
{
    QFETCH(QStringList, helpArguments);
    QFETCH(QString, synopsis);

    const QString manualPath = QFINDTESTDATA("../packaging/featurehue.1");
    QFile manualFile(manualPath);
    QVERIFY2(manualFile.open(QIODevice::ReadOnly), qPrintable(manualPath));
    // roff writes a minus sign as "\-".
    const QString manual = QString::fromUtf8(manualFile.readAll())
                               .replace(QStringLiteral("\\-"), QStringLiteral("-"));
    QVERIFY2(manual.contains(synopsis), qPrintable(synopsis));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(FEATUREHUE_BINARY), helpArguments);
    QVERIFY2(process.waitForFinished(), qPrintable(process.errorString()));
    QCOMPARE(process.exitCode(), 0);
    const QString help = QString::fromLocal8Bit(process.readAllStandardOutput());

    // Option lines start with white space and a dash; the names stand before
    // the column of descriptions.
    static const QRegularExpression optionLine(QStringLiteral("^\\s+(-.*?)(\\s{2,}|$)"),
                                               QRegularExpression::MultilineOption);
    static const QRegularExpression optionName(QStringLiteral("--?[A-Za-z][\\w-]*"));
    int options = 0;
    for (const QRegularExpressionMatch &line : optionLine.globalMatch(help)) {
        for (const QRegularExpressionMatch &name : optionName.globalMatch(line.captured(1))) {
            ++options;
            const QRegularExpression inManual(QStringLiteral("(?<![\\w-])")
                                              + QRegularExpression::escape(name.captured())
                                              + QStringLiteral("(?![\\w-])"));
            QVERIFY2(manual.contains(inManual), qPrintable(name.captured()));
        }
    }
    // Every help lists --help at least, so the lines were recognised.
    QVERIFY2(options > 0, qPrintable(help));
}

namespace {

// Runs the program without a display; standard output and error as text.
int runBinary(const QStringList &arguments, QString *out, QString *err)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(FEATUREHUE_BINARY), arguments);
    if (!process.waitForFinished(120000))
        return -1;
    if (out)
        *out = QString::fromLocal8Bit(process.readAllStandardOutput());
    if (err)
        *err = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The SYNOPSIS line of the manual page that starts with start, as man shows
// it: ".B" and ".I" keep their words apart, the alternating macros (".RB",
// ".IR", ...) join theirs.
QString manualSynopsis(const QString &manual, const QString &start)
{
    const QStringList lines = manual.split(QLatin1Char('\n'));
    const qsizetype first = lines.indexOf(QStringLiteral(".B ") + start);
    if (first < 0)
        return QString();
    QStringList words;
    for (qsizetype i = first; i < lines.size() && lines.at(i) != QLatin1String(".br"); ++i) {
        const QString line = lines.at(i);
        const qsizetype space = line.indexOf(QLatin1Char(' '));
        const QString macro = line.left(space);
        const QStringList arguments = line.mid(space + 1).split(QLatin1Char(' '));
        words.append(macro.size() == 3 ? arguments.join(QString())
                                       : arguments.join(QLatin1Char(' ')));
    }
    return words.join(QLatin1Char(' '));
}

} // namespace

void TestCommandLine::subCommandHelp_data()
{
    QTest::addColumn<QString>("command");
    for (const SubCommand &command : subCommands())
        QTest::newRow(qPrintable(command.name)) << command.name;
}

// import --help and check --help broke the argument's name ("PROJECT_FOL",
// "DER"), the manual put --force after the arguments where --help puts it
// first, and report's description ran on for 150 columns.
void TestCommandLine::subCommandHelp()
{
    QFETCH(QString, command);

    QString help;
    QCOMPARE(runBinary({command, QStringLiteral("--help")}, &help, nullptr), 0);
    const QStringList lines = help.split(QLatin1Char('\n'));
    for (const QString &line : lines)
        QVERIFY2(line.size() <= 79, qPrintable(line));

    // Every name of the usage line that is no option is listed whole, with
    // its description on the same line.
    // The usage line, with the indented lines it goes on in.
    QString usage = lines.first();
    for (qsizetype i = 1; i < lines.size() && lines.at(i).startsWith(QLatin1Char(' ')); ++i)
        usage += QLatin1Char(' ') + lines.at(i).trimmed();
    QVERIFY(usage.startsWith(QStringLiteral("Usage: featurehue ") + command + QLatin1Char(' ')));
    const qsizetype section = lines.indexOf(QStringLiteral("Arguments:"));
    QVERIFY(section > 0);
    static const QRegularExpression argumentName(
        QStringLiteral("(?<![\\w\\[-])[A-Z][A-Z_]+(?![\\w\\]])"));
    int names = 0;
    for (const QRegularExpressionMatch &name : argumentName.globalMatch(usage)) {
        ++names;
        const QRegularExpression listed(QStringLiteral("^  ") + name.captured()
                                        + QStringLiteral("  +\\S"));
        bool found = false;
        for (qsizetype i = section + 1; i < lines.size(); ++i)
            found = found || listed.match(lines.at(i)).hasMatch();
        QVERIFY2(found, qPrintable(name.captured()));
    }
    QVERIFY(names > 0);

    const QString manualPath = QFINDTESTDATA("../packaging/featurehue.1");
    QFile manualFile(manualPath);
    QVERIFY2(manualFile.open(QIODevice::ReadOnly), qPrintable(manualPath));
    const QString manual = QString::fromUtf8(manualFile.readAll())
                               .replace(QStringLiteral("\\-"), QStringLiteral("-"));
    QCOMPARE(manualSynopsis(manual, QStringLiteral("featurehue ") + command),
             usage.mid(QStringLiteral("Usage: ").size()));
}

void TestCommandLine::summaryLines_data()
{
    QTest::addColumn<QStringList>("arguments"); // "<tmp>" is the temporary folder
    QTest::addColumn<bool>("twice");            // the same command ran once before
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("summary");       // the last line on standard error

    QTest::newRow("check: one of each")
        << QStringList{"check", "<tmp>/one"} << false << 0
        << "featurehue check: 1 file, 1 fragment, 1 feature, 1 task: 0 errors, 1 warning, 1 note";
    QTest::newRow("check: two of each")
        << QStringList{"check", "<tmp>/two"} << false << 0
        << "featurehue check: 2 files, 2 fragments, 2 features, 2 tasks: 0 errors, 2 warnings, "
           "2 notes";
    QTest::newRow("import: one of each")
        << QStringList{"import", "<tmp>/sources", "<tmp>/imported"} << false << 0
        << "featurehue import: 1 file, 3 lines, 1 fragment, 1 feature, 1 warning";
    QTest::newRow("import refused the second time: no counts")
        << QStringList{"import", "<tmp>/sources", "<tmp>/imported"} << true << 1
        << "featurehue import: nothing was imported";
}

// "1 warnings", "1 files", "1 notes"; a refused second import still ended with
// "0 files, 0 lines...", as if it had imported an empty tree.
void TestCommandLine::summaryLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, twice);
    QFETCH(int, exitCode);
    QFETCH(QString, summary);

    const auto write = [this](const QString &name, const QByteArray &bytes) {
        QFile file(m_dir->filePath(name));
        return QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly)
               && file.write(bytes) == bytes.size();
    };
    // One listed file with one fragment of "A || Z" (Z is no feature: a
    // warning), one task, one source nobody lists (a note); twice that.
    QVERIFY(write("one/model.m", "Root : A ;\n"));
    QVERIFY(write("one/annotations.xml",
                  "<project name=\"p\"><file name=\"a.c\" length=\"2\"><fragment startline=\"1\" "
                  "endline=\"2\"><feature>A || Z</feature></fragment></file></project>\n"));
    QVERIFY(write("one/a.c", "l1\nl2\n"));
    QVERIFY(write("one/b.c", "l1\n"));
    QVERIFY(write("one/questions.txt", "Q|1;"));
    QVERIFY(write("two/model.m", "Root : A | B ;\n"));
    QVERIFY(write("two/annotations.xml",
                  "<project name=\"p\"><file name=\"a.c\" length=\"2\"><fragment startline=\"1\" "
                  "endline=\"2\"><feature>A || Z</feature></fragment></file>"
                  "<file name=\"b.c\" length=\"2\"><fragment startline=\"1\" "
                  "endline=\"2\"><feature>B || Y</feature></fragment></file></project>\n"));
    QVERIFY(write("two/a.c", "l1\nl2\n"));
    QVERIFY(write("two/b.c", "l1\nl2\n"));
    QVERIFY(write("two/c.c", "l1\n"));
    QVERIFY(write("two/d.c", "l1\n"));
    QVERIFY(write("two/questions.txt", "Q|1;R|1;"));
    // Three lines: one fragment of feature A, and an #endif too many.
    QVERIFY(write("sources/a.c", "#ifdef A\n#endif\n#endif\n"));

    QStringList expanded;
    for (const QString &argument : arguments)
        expanded.append(expand(argument));
    if (twice)
        QCOMPARE(runBinary(expanded, nullptr, nullptr), 0);
    QString err;
    QCOMPARE(runBinary(expanded, nullptr, &err), exitCode);
    QVERIFY2(err.endsWith(QLatin1Char('\n')), qPrintable(err));
    QCOMPARE(err.chopped(1).section(QLatin1Char('\n'), -1), summary);
}

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
