#include "replaybench.h"

#include "benchtable.h"
#include "paintcounter.h"

#include "replay/replaysources.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/replay/replaybar.h"
#include "ui/replay/replaycontroller.h"
#include "ui/replay/replayplayer.h"

#include "support/sittingfiles.h"
#include "support/testfiles.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

const QString replayOption = QStringLiteral("replay");
const QString minutesOption = QStringLiteral("minutes");
const QString account = QStringLiteral("bench");
const QString user = QStringLiteral("replay");

constexpr int timeoutMs = 600000;

struct SourceFile
{
    QString name; // as logged, "/src/chat/Server.java"
    int lines = 0;
};

QList<SourceFile> sourcesOf(const QString &folder)
{
    QList<SourceFile> files;
    QDirIterator it(folder, {QStringLiteral("*.java"), QStringLiteral("*.c"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.append({path.mid(folder.size()), int(TestSupport::readFile(path).count('\n')) + 1});
    }
    std::sort(files.begin(), files.end(),
              [](const SourceFile &a, const SourceFile &b) { return a.name < b.name; });
    return files;
}

// A participant's sitting as the viewer logs it, an action every 4 to 8 s:
// files opened, switched and closed, scrolling between the records (view
// rows), colours given and taken away, searches and the opacity slider, and
// three tasks of equal length.
void writeSitting(const QString &folder, int minutes)
{
    const QList<SourceFile> files = sourcesOf(folder);
    const QStringList features{QStringLiteral("Tcp"), QStringLiteral("History"),
                               QStringLiteral("Spamfilter"), QStringLiteral("Caesar"),
                               QStringLiteral("Color"), QStringLiteral("Emoticons")};
    QRandomGenerator random(20261208);
    QStringList log{QStringLiteral("0|code||code||")};
    QStringList view{QStringLiteral("0|page|task0||||1")};
    QStringList open;
    int front = -1;
    const int end = minutes * 60;
    const auto record = [&](int at, const QString &task, const QString &action, int first) {
        const SourceFile *file = front >= 0 ? &files.at(front) : nullptr;
        const int last = file ? qMin(file->lines, first + 39) : -1;
        log << QStringLiteral("%1|%2|%3|%4|%5|%6")
                   .arg(at).arg(task, file ? file->name : QString(), action,
                                file ? QString::number(first) : QString(),
                                file ? QString::number(last) : QString());
    };
    for (int at = 4, next = 0; at < end; at = next) {
        next = at + 4 + int(random.bounded(5));
        const int taskNumber = at * 3 / end;
        const QString task = QStringLiteral("task%1").arg(taskNumber);
        const int choice = int(random.bounded(10));
        if (open.size() < 2 || choice < 2) {
            front = int(random.bounded(qsizetype(files.size())));
            if (!open.contains(files.at(front).name))
                open.append(files.at(front).name);
            record(at, task, QStringLiteral("fileOpened"), 1);
        } else if (choice < 5) {
            const QString name = open.at(int(random.bounded(qsizetype(open.size()))));
            front = int(std::find_if(files.begin(), files.end(),
                                     [&](const SourceFile &f) { return f.name == name; })
                        - files.begin());
            record(at, task, QStringLiteral("selectionChanged"), 1);
        } else if (choice < 6 && open.size() > 3) {
            open.removeAll(files.at(front).name);
            record(at, task, QStringLiteral("fileClosed"), 1);
            front = int(std::find_if(files.begin(), files.end(),
                                     [&](const SourceFile &f) { return f.name == open.last(); })
                        - files.begin());
            record(at, task, QStringLiteral("selectionChanged"), 1);
        } else if (choice < 8) {
            const QString feature = features.at(int(random.bounded(qsizetype(features.size()))));
            const QString colour = random.bounded(4) == 0
                                       ? QString()
                                       : QStringLiteral("#%1").arg(random.bounded(0x1000000), 6,
                                                                   16, QLatin1Char('0'));
            view << QStringLiteral("%1.200|colour|%2||||%3=%4").arg(at).arg(task, feature, colour);
            record(at, task, colour.isEmpty() ? QStringLiteral("deleteColor<1>")
                                              : QStringLiteral("assignColor<1>"), 1);
        } else if (choice < 9) {
            record(at, task, QStringLiteral("search<current>(key)"), 1);
        } else {
            record(at, task, QStringLiteral("saturationChanged(%1)").arg(random.bounded(256)), 1);
        }
        // Scrolling down the file in front before the next action.
        const int lines = front >= 0 ? files.at(front).lines : 0;
        if (lines > 40)
            view << QStringLiteral("%1.600|view|%2|%3|%4|%5|170")
                        .arg(at + 1).arg(task, files.at(front).name)
                        .arg(lines / 3).arg(qMin(lines, lines / 3 + 39));
        if (next * 3 / end != taskNumber && taskNumber < 2)
            log << QStringLiteral("%1|%2|||taskCompleted||").arg(at + 1).arg(task);
    }
    TestSupport::writeFile(folder + QStringLiteral("/%1_%2_log.txt").arg(account, user),
                           TestSupport::logOf(log));
    TestSupport::writeFile(folder + QStringLiteral("/%1_%2_view.csv").arg(account, user),
                           TestSupport::viewOf(view));
}

bool copyFolder(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        if (!TestSupport::writeFile(to + source.mid(from.size()), TestSupport::readFile(source)))
            return false;
    }
    return true;
}

void measureSteps(ReplayController &replay, BenchTable &table)
{
    auto *label = replay.bar()->findChild<QLabel *>(QStringLiteral("label_record"));
    QList<double> steps;
    QList<double> processor;
    QList<QPair<double, QString>> slowest;
    QElapsedTimer timer;
    replay.player()->seek(0);
    const QList<ReplayTimeline::Tick> &ticks = replay.timeline().ticks();
    for (int tick = 1; tick < ticks.size(); ++tick) {
        PaintCounter painted(label);
        const double cpuBefore = cpuMilliseconds();
        timer.start();
        replay.player()->stepForward();
        runUntilIdle([&] { return painted.paints() > 0; }, timeoutMs);
        steps.append(double(timer.nsecsElapsed()) / 1e6);
        processor.append(cpuMilliseconds() - cpuBefore);
        slowest.append({steps.last(), ticks.at(tick).text});
    }
    if (steps.isEmpty())
        return;
    std::sort(steps.begin(), steps.end());
    std::sort(processor.begin(), processor.end());
    std::sort(slowest.begin(), slowest.end(),
              [](const auto &a, const auto &b) { return a.first > b.first; });
    for (int i = 0; i < 3 && i < slowest.size(); ++i)
        table.addNote(QStringLiteral("A slow step: %1 ms, %2")
                          .arg(slowest.at(i).first, 0, 'f', 1)
                          .arg(slowest.at(i).second));
    table.add(QStringLiteral("steps to the next record"), double(steps.size()));
    table.add(QStringLiteral("  one step, until painted and idle: median"),
              steps.at(steps.size() / 2), QStringLiteral("ms"));
    table.add(QStringLiteral("  95th percentile"), steps.at(steps.size() * 95 / 100),
              QStringLiteral("ms"));
    table.add(QStringLiteral("  slowest"), steps.last(), QStringLiteral("ms"), 50);
    table.add(QStringLiteral("  processor time of one step: median"),
              processor.at(processor.size() / 2), QStringLiteral("ms"));
    table.add(QStringLiteral("  processor time of the slowest"), processor.last(),
              QStringLiteral("ms"));
}

void measurePlaying(ReplayController &replay, BenchTable &table)
{
    ReplayPlayer *player = replay.player();
    player->seek(0);
    player->setSpeed(32);
    QElapsedTimer frames;
    qint64 longestFrame = 0;
    int frameCount = 0;
    QObject::connect(player, &ReplayPlayer::positionChanged, player, [&] {
        if (frames.isValid())
            longestFrame = qMax(longestFrame, frames.restart());
        else
            frames.start();
        ++frameCount;
    });
    const double cpuBefore = cpuMilliseconds();
    QElapsedTimer timer;
    timer.start();
    player->play();
    runUntilIdle([&] { return !player->isPlaying(); }, timeoutMs);
    table.add(QStringLiteral("play the sitting at 32x"), double(timer.elapsed()) / 1000.0,
              QStringLiteral("s"));
    table.add(QStringLiteral("  processor time used for it"),
              (cpuMilliseconds() - cpuBefore) / 1000.0, QStringLiteral("s"));
    table.add(QStringLiteral("  frames shown"), frameCount);
    table.add(QStringLiteral("  longest time between two frames"), double(longestFrame),
              QStringLiteral("ms"), 100);
}

} // namespace

void addReplayBenchOptions(QCommandLineParser &parser)
{
    parser.addOption({replayOption,
                      QStringLiteral("Only measure replaying a generated sitting on a copy of "
                                     "this project folder (examples/chat) in the window."),
                      QStringLiteral("folder")});
    parser.addOption({minutesOption, QStringLiteral("Length of the replayed sitting (default 30)."),
                      QStringLiteral("n"), QStringLiteral("30")});
}

int runReplayBench(const QCommandLineParser &parser)
{
    if (!parser.isSet(replayOption))
        return -1;
    QTemporaryDir temporary;
    const QString folder = temporary.path() + QStringLiteral("/chat");
    if (!temporary.isValid() || !copyFolder(parser.value(replayOption), folder)) {
        std::fprintf(stderr, "Cannot copy %s\n", qPrintable(parser.value(replayOption)));
        return 2;
    }
    const int minutes = qMax(1, parser.value(minutesOption).toInt());
    writeSitting(folder, minutes);
    const ReplaySources sources = ReplaySources::load(folder, account, user);
    std::printf("Sitting: %d minutes, %lld records, %lld view rows, on %s\n\n", minutes,
                qlonglong(sources.records.size()), qlonglong(sources.rows.size()),
                qPrintable(parser.value(replayOption)));

    BenchTable table;
    MainWindow window(folder, MainWindow::Purpose::Replay);
    std::unique_ptr<ReplayController> replay;
    table.time(QStringLiteral("replay window built"),
               [&] { replay = std::make_unique<ReplayController>(&window, sources); });
    window.showNormal();
    window.resize(1600, 1000);
    runUntilIdle([] { return true; }, timeoutMs);
    measureSteps(*replay, table);
    measurePlaying(*replay, table);
    table.add(QStringLiteral("peak memory (VmHWM)"), peakMegabytes(), QStringLiteral("MB"));
    replay.reset();
    return table.print() ? 0 : 1;
}
