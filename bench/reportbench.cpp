#include "reportbench.h"

#include "benchtable.h"
#include "syntheticproject.h"

#include "core/formats/actionlog.h"
#include "core/formats/answersfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace {

const QString reportOption = QStringLiteral("report");
const QString participantsOption = QStringLiteral("participants");
const QString recordsOption = QStringLiteral("records");
const QString studyOption = QStringLiteral("study");
const QString featuresOption = QStringLiteral("features"); // the window benchmark's option

// What the report is measured on unless --features says otherwise: a
// project of the size of a mid-sized C program's.
constexpr int reportFeatures = 800;

constexpr int taskCount = 4;
const QString user = QStringLiteral("bench");

struct Study
{
    QStringList files; // as the log names them, "/a/b/File.java"
    int lines = 0;
};

// One participant's session as the viewer logs it: sign-in, tasks with
// files opened, switched, scrolled and closed, searches and colours, a
// "taskCompleted" after each task but the first (leaving the first task page
// is not logged), and in every tenth log an interruption half way.
void writeParticipant(const QString &folder, const Study &study, int participant, int records,
                      QRandomGenerator &random, QByteArray *preSignIn)
{
    const QString account = QStringLiteral("p%1").arg(participant, 3, 10, QLatin1Char('0'));
    QByteArray log;
    qint64 now = 1700000000 + qint64(participant) * 100000;
    qint64 previous = now;
    int page = 0;
    QStringList open;
    QString front;
    int first = -1;
    int last = -1;
    const auto record = [&](const QString &action, QByteArray *into) {
        ActionLog::Entry entry;
        entry.pageIndex = page;
        entry.fileName = front;
        entry.action = action;
        entry.startLine = first;
        entry.endLine = last;
        entry.previousStamp = previous;
        entry.stamp = now;
        *into += ActionLog::format(entry).toUtf8();
        previous = now;
        now += 1 + random.bounded(20);
    };
    const auto show = [&](const QString &file) {
        front = file;
        first = 1 + random.bounded(std::max(1, study.lines - 40));
        last = std::min(study.lines, first + 39);
    };

    if (participant % 20 == 0) {
        show(study.files.at(random.bounded(int(study.files.size()))));
        open.append(front);
        for (int i = 0; i < 3; ++i)
            record(QStringLiteral("fileOpened"), preSignIn);
    }
    record(QStringLiteral("taskCompleted"), &log); // the sign-in, logged as "code"
    page = 1;
    const int perTask = std::max(1, records / taskCount);
    for (int i = 1; i < records; ++i) {
        if (i % perTask == 0 && page <= taskCount) {
            if (page > 1)
                record(QStringLiteral("taskCompleted"), &log);
            ++page;
            continue;
        }
        if (participant % 10 == 0 && i == records / 2) {
            // The program was killed: the next run starts its log anew.
            now += 300;
            previous = now;
            open.clear();
            front.clear();
            first = last = -1;
        }
        const int choice = random.bounded(100);
        if (open.isEmpty() || choice < 15) {
            show(study.files.at(random.bounded(int(study.files.size()))));
            if (!open.contains(front))
                open.append(front);
            record(QStringLiteral("fileOpened"), &log);
        } else if (choice < 55) {
            show(open.at(random.bounded(int(open.size()))));
            record(QStringLiteral("selectionChanged"), &log);
        } else if (choice < 60) {
            const QString closed = open.takeAt(random.bounded(int(open.size())));
            record(QStringLiteral("fileClosed"), &log);
            if (closed == front && !open.isEmpty())
                show(open.constLast());
        } else if (choice < 75) {
            record(QStringLiteral("search<current>(value$%1)").arg(random.bounded(50)), &log);
        } else if (choice < 80) {
            record(QStringLiteral("search<project>(compute)"), &log);
        } else if (choice < 90) {
            record(QStringLiteral("assignColor<%1>").arg(1 + random.bounded(3)), &log);
        } else if (choice < 95) {
            record(QStringLiteral("deleteColor<1>"), &log);
        } else {
            record(QStringLiteral("saturationChanged(%1)").arg(random.bounded(256)), &log);
        }
    }
    record(QStringLiteral("taskCompleted"), &log);

    const QString prefix = folder + QLatin1Char('/') + account + QLatin1Char('_') + user;
    QFile logFile(prefix + QStringLiteral("_log.txt"));
    if (logFile.open(QIODevice::WriteOnly))
        logFile.write(log);
    AnswersFile::write(prefix + QStringLiteral("_answers.txt"),
                       {QStringLiteral("Server.java, \"Client\"\nund mehr"),
                        QStringLiteral("sendHistory"), QStringLiteral("20-24"),
                        QStringLiteral("Caesar $3"), QString()});
}

bool writeStudy(const QString &folder, int participants, int records, int features)
{
    SyntheticProjectOptions options;
    options.files = 200;
    options.features = features;
    options.fragments = 4000;
    options.bigFileLines = 0;
    options.bigFileFragments = 0;
    options.bigFileWordCount = 0;
    SyntheticProjectStats stats;
    if (!writeSyntheticProject(folder, options, &stats))
        return false;
    Study study;
    study.lines = options.linesPerFile;
    QDirIterator it(folder, {QStringLiteral("*.java")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        study.files.append(it.next().mid(folder.size()));
    study.files.sort();
    if (study.files.isEmpty())
        return false;

    QFile questions(folder + QStringLiteral("/questions.txt"));
    if (!questions.open(QIODevice::WriteOnly))
        return false;
    questions.write("<b>Aufgabe 1</b>: Lesen.$Welche Dateien?|3$Welche Methode?|2;"
                    "<b>Aufgabe 2</b>$Welche Zeilen?|4;"
                    "<b>Aufgabe 3</b>$Welche Verschl\xc3\xbcsselung?|1;"
                    "<b>Aufgabe 4</b>$Anmerkungen?|2;");
    questions.close();

    QRandomGenerator random(11);
    QByteArray preSignIn;
    for (int p = 0; p < participants; ++p)
        writeParticipant(folder, study, p, records, random, &preSignIn);
    QFile preSignInLog(folder + QStringLiteral("/_") + user + QStringLiteral("_log.txt"));
    return preSignInLog.open(QIODevice::WriteOnly) && preSignInLog.write(preSignIn) >= 0;
}

double childCpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double childPeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024.0;
}

qint64 folderBytes(const QString &folder)
{
    qint64 bytes = 0;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext())
        bytes += QFileInfo(it.next()).size();
    return bytes;
}

} // namespace

void addReportBenchOptions(QCommandLineParser &parser)
{
    parser.addOption({reportOption, QStringLiteral("Measure \"featurehue report\" on a generated "
                                                   "study instead of the window.")});
    parser.addOption({participantsOption,
                      QStringLiteral("With --report: participants (default 100)."),
                      QStringLiteral("n"), QStringLiteral("100")});
    parser.addOption({recordsOption,
                      QStringLiteral("With --report: log records per participant "
                                     "(default 5000)."),
                      QStringLiteral("n"), QStringLiteral("5000")});
    parser.addOption({studyOption,
                      QStringLiteral("With --report: write the study into this folder and "
                                     "keep it. --features gives the project's features "
                                     "(default %1 with --report).")
                          .arg(reportFeatures),
                      QStringLiteral("folder")});
}

int runReportBench(const QCommandLineParser &parser)
{
    if (!parser.isSet(reportOption))
        return -1;
    const int participants = parser.value(participantsOption).toInt();
    const int records = parser.value(recordsOption).toInt();
    const int features =
        parser.isSet(featuresOption) ? parser.value(featuresOption).toInt() : reportFeatures;
    QTemporaryDir temporary;
    QString folder = temporary.path();
    if (parser.isSet(studyOption)) {
        folder = QDir(parser.value(studyOption)).absolutePath();
        QDir().mkpath(folder);
    }
    QElapsedTimer timer;
    timer.start();
    if (!writeStudy(folder, participants, records, features)) {
        std::fprintf(stderr, "Cannot write the study into %s\n", qPrintable(folder));
        return 2;
    }
    std::printf("Study: %d participants with %d log records each, 200 source files, "
                "%d features; written in %lld ms.\n\n",
                participants, records, features, timer.elapsed());

    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/featurehue");
    const QString out = folder + QStringLiteral("/report");
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    BenchTable table;
    const double cpuBefore = childCpuMilliseconds();
    table.time(QStringLiteral("featurehue report (wall clock)"), [&] {
        process.start(program, {QStringLiteral("report"), folder, QStringLiteral("--out"), out});
        process.waitForFinished(-1);
    });
    // Other jobs on a shared machine stretch the wall-clock time; the
    // processor time is what the report itself costs.
    table.add(QStringLiteral("  processor time used for it"), childCpuMilliseconds() - cpuBefore,
              QStringLiteral("ms"), 3000);
    table.add(QStringLiteral("  peak memory (maximum resident set)"), childPeakMegabytes(),
              QStringLiteral("MB"), 300);
    table.add(QStringLiteral("  report written"), folderBytes(out) / 1e6, QStringLiteral("MB"));
    table.add(QStringLiteral("  report.html"),
              QFileInfo(out + QStringLiteral("/report.html")).size() / 1e6, QStringLiteral("MB"),
              5);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        table.addNote(QStringLiteral("featurehue report failed: exit status %1")
                          .arg(process.exitCode()));
    const bool kept = table.print();
    return kept && process.exitCode() == 0 ? 0 : 1;
}
