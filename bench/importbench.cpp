#include "importbench.h"

#include "benchtable.h"

#include "core/formats/diagnostics.h"
#include "import/projectimport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

#include <sys/resource.h>

namespace {

ProjectImport::Summary runImport(const QString &from, const QString &to)
{
    Diagnostics quiet([](const QString &) {});
    return ProjectImport::run(from, to, ProjectImport::Options(), quiet);
}

// Processor time the finished child processes used, in milliseconds.
double childCpuMilliseconds()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval &time) {
        return double(time.tv_sec) * 1000.0 + double(time.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

} // namespace

void measureImport(const QString &sourceDir, int runs, BenchTable &table)
{
    QTemporaryDir work;
    const QString staged = work.filePath(QStringLiteral("staged"));
    const ProjectImport::Summary summary = runImport(sourceDir, staged);
    QFile::remove(staged + QStringLiteral("/model.m"));
    QFile::remove(staged + QStringLiteral("/annotations.xml"));
    table.addNote(QStringLiteral("Import of %1: %2 files, %3 lines, %4 fragments, %5 features; "
                                 "load average before: %6.")
                      .arg(sourceDir)
                      .arg(summary.files)
                      .arg(summary.lines)
                      .arg(summary.fragments)
                      .arg(summary.features)
                      .arg(loadAverage()));

    QList<double> copies;
    QList<double> copyCpu;
    QList<double> imports;
    QList<double> importCpu;
    for (int run = 0; run < runs; ++run) {
        const QString copyTarget = work.filePath(QStringLiteral("copy%1").arg(run));
        const double childBefore = childCpuMilliseconds();
        QElapsedTimer timer;
        timer.start();
        QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), staged, copyTarget});
        copies.append(double(timer.elapsed()));
        copyCpu.append(childCpuMilliseconds() - childBefore);

        const QString importTarget = work.filePath(QStringLiteral("import%1").arg(run));
        const double cpuBefore = cpuMilliseconds();
        timer.restart();
        runImport(staged, importTarget);
        imports.append(double(timer.elapsed()));
        importCpu.append(cpuMilliseconds() - cpuBefore);
        QDir(copyTarget).removeRecursively();
        QDir(importTarget).removeRecursively();
    }
    const double bestCopy = *std::min_element(copies.begin(), copies.end());
    const double bestImport = *std::min_element(imports.begin(), imports.end());
    table.add(QStringLiteral("cp -r of the sources (best of %1)").arg(runs), bestCopy,
              QStringLiteral("ms"));
    table.add(QStringLiteral("  processor time used for it (least)"),
              *std::min_element(copyCpu.begin(), copyCpu.end()), QStringLiteral("ms"));
    table.add(QStringLiteral("featurehue import of the same (best of %1)").arg(runs), bestImport,
              QStringLiteral("ms"));
    table.add(QStringLiteral("  processor time used for it (least)"),
              *std::min_element(importCpu.begin(), importCpu.end()), QStringLiteral("ms"));
    table.add(QStringLiteral("import / copy"), bestCopy > 0 ? bestImport / bestCopy : 0,
              QStringLiteral("x"), 3);
    table.addNote(QStringLiteral("Load average after: %1.").arg(loadAverage()));
}
