// Benchmark on a generated product line: how long reading the model and the
// project file, counting lines and building the trees take, how long the
// main window needs until it is shown and idle, how long opening and
// searching files in it take, whether closing files gives their memory back,
// and how much memory the process needed at its peak. Run through
// scripts/bench.

#include "benchtable.h"
#include "importbench.h"
#include "paintcounter.h"
#include "replaybench.h"
#include "reportbench.h"
#include "scalebench.h"
#include "syntheticproject.h"
#include "windowbench.h"

#include "core/model/largepages.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/colors/colormanager.h"
#include "ui/featuretree/featuretreewidget.h"
#include "core/model/projectmodel.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/smvtreewidget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTreeWidgetItemIterator>

#include <cstdio>
#include <memory>

namespace {

int rowCount(QTreeWidget *tree)
{
    int rows = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        ++rows;
    return rows;
}

// Runs the event loop until the package view has painted and nothing is
// left to do, or until the time-out.
bool waitUntilIdle(MainWindow *window, int timeoutMs)
{
    auto *packageView = window->findChild<SMVTreeWidget *>(QStringLiteral("treeWidget_packageView"));
    PaintCounter counter(packageView ? packageView->viewport() : nullptr);
    return runUntilIdle(
        [&] { return window->isVisible() && (counter.paints() > 0 || !packageView); }, timeoutMs);
}

// What a participant's colour drop costs in the window: the feature's bars
// in both trees, the visible rows rescaled and repainted.
void measureRecolor(MainWindow *window, BenchTable &table)
{
    ColorManager *colors = window->colorManager();
    FeatureList *features = window->featureTree()->features();
    if (!colors || features->isEmpty() || colors->ColorArray.isEmpty())
        return;
    Feature *first = &(*features)[0];
    QElapsedTimer timer;
    timer.start();
    colors->assignColor(first, colors->ColorArray.first());
    window->refreshFeature(first);
    runUntilIdle([] { return true; }, 60000);
    table.add(QStringLiteral("recolour one feature in the window"), timer.nsecsElapsed() / 1e6,
              QStringLiteral("ms"), 50);
}

void measureProjectModel(const QString &folder, BenchTable &table)
{
    QListWidget paletteList;
    QFile modelFile(folder + QStringLiteral("/model.m"));
    std::unique_ptr<FeatureTreeWidget> featureTree;
    std::unique_ptr<ColorManager> colors;
    table.time(QStringLiteral("read feature model"), [&] {
        featureTree = std::make_unique<FeatureTreeWidget>(nullptr, &modelFile, &paletteList,
                                                          nullptr);
        featureTree->buildFeatureList();
        colors = std::make_unique<ColorManager>(featureTree->features(),
                                                int(featureTree->features()->size()));
        featureTree->setColorManager(colors.get());
    });
    FeatureList *features = featureTree->features();

    SMVTreeWidget packageView;
    SMVTreeWidget featureView;
    featureView.setFeatureView(true);
    for (SMVTreeWidget *tree : {&packageView, &featureView}) {
        tree->setColorManager(colors.get());
        tree->setFeatureTree(featureTree.get());
        tree->resize(400, 800);
    }
    ProjectReader reader(&packageView, &featureView, features);
    table.time(QStringLiteral("read project file"),
               [&] { reader.readProjectFile(folder + QStringLiteral("/annotations.xml")); });
    table.time(QStringLiteral("count lines"), [&] { reader.computeLineCounts(folder); });
    table.time(QStringLiteral("complete trees"), [&] { reader.completeTrees(nullptr); });
    table.add(QStringLiteral("package view rows"), rowCount(&packageView));
    table.add(QStringLiteral("feature view rows"), rowCount(&featureView));
    table.add(QStringLiteral("memory with both trees built (RSS)"), residentMegabytes(),
              QStringLiteral("MB"));
    table.add(QStringLiteral("  of it per-feature line counts"),
              double(reader.model().featureLinesMemory()) / 1024.0, QStringLiteral("KB"));

    // What a colour change costs: the feature's bars in both trees, then the
    // visible rows rescaled.
    packageView.expandToDepth(1);
    Feature *first = features->isEmpty() ? nullptr : &(*features)[0];
    if (first && !colors->ColorArray.isEmpty()) {
        table.time(QStringLiteral("recolour one feature"), [&] {
            colors->assignColor(first, colors->ColorArray.first());
            reader.recolorFeature(first);
            packageView.scaleTextures(packageView.width(), 0);
            featureView.scaleTextures(featureView.width(), 0);
        });
    }
    table.time(QStringLiteral("recolour all features"), [&] {
        QList<Feature *> all;
        for (Feature &feature : *features)
            all.append(&feature);
        reader.recolorFeatures(all);
        packageView.scaleTextures(packageView.width(), 0);
        featureView.scaleTextures(featureView.width(), 0);
    });
    table.time(QStringLiteral("expand whole package view and rescale"), [&] {
        packageView.expandAll();
        packageView.scaleTextures(packageView.width(), 0);
    });
}

} // namespace

int main(int argc, char *argv[])
{
    // As the viewer does.
    adviseLargePagesForHeap(LargeHeap);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("featurehue_bench"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Start-up benchmark of featurehue on a generated product line."));
    parser.addHelpOption();
    SyntheticProjectOptions options;
    const auto intOption = [&parser](const QString &name, const QString &what, int value) {
        QCommandLineOption option(name, what + QStringLiteral(" (default %1).").arg(value),
                                  QStringLiteral("n"), QString::number(value));
        parser.addOption(option);
        return option;
    };
    const QCommandLineOption files = intOption(QStringLiteral("files"), QStringLiteral("Source files"),
                                               options.files);
    const QCommandLineOption lines = intOption(QStringLiteral("lines"),
                                               QStringLiteral("Lines per source file"),
                                               options.linesPerFile);
    const QCommandLineOption featureCount = intOption(QStringLiteral("features"),
                                                      QStringLiteral("Leaf features"),
                                                      options.features);
    const QCommandLineOption fragments = intOption(QStringLiteral("fragments"),
                                                   QStringLiteral("Fragments in the source files"),
                                                   options.fragments);
    const QCommandLineOption bigLines = intOption(QStringLiteral("big-lines"),
                                                  QStringLiteral("Lines of the one large file"),
                                                  options.bigFileLines);
    const QCommandLineOption bigFragments = intOption(QStringLiteral("big-fragments"),
                                                      QStringLiteral("Fragments of the large file"),
                                                      options.bigFileFragments);
    const QCommandLineOption keep(QStringLiteral("keep"),
                                  QStringLiteral("Write the project into this folder and keep it."),
                                  QStringLiteral("folder"));
    parser.addOption(keep);
    const QCommandLineOption project(QStringLiteral("project"),
                                     QStringLiteral("Measure this existing project folder "
                                                    "instead of generating one."),
                                     QStringLiteral("folder"));
    parser.addOption(project);
    const QCommandLineOption importTree(QStringLiteral("import"),
                                        QStringLiteral("Only measure featurehue import of this "
                                                       "source tree against cp -r."),
                                        QStringLiteral("folder"));
    parser.addOption(importTree);
    addReportBenchOptions(parser);
    addScaleBenchOptions(parser);
    const QCommandLineOption scaleRow(QStringLiteral("scale-row"),
                                      QStringLiteral("Measure the window only and end with the "
                                                     "line --scale reads."));
    parser.addOption(scaleRow);
    const QCommandLineOption startupOnly(QStringLiteral("startup-only"),
                                         QStringLiteral("Only start the window and wait until "
                                                        "it is idle (for profiling)."));
    parser.addOption(startupOnly);
    const QCommandLineOption generateOnly(QStringLiteral("generate-only"),
                                          QStringLiteral("Only write the generated project "
                                                         "(with --keep)."));
    parser.addOption(generateOnly);
    addReplayBenchOptions(parser);
    parser.process(app);
    if (const int status = runScaleBench(parser); status >= 0)
        return status;
    if (parser.isSet(importTree)) {
        BenchTable importTable;
        measureImport(parser.value(importTree), 3, importTable);
        return importTable.print() ? 0 : 1;
    }
    if (const int status = runReportBench(parser); status >= 0)
        return status;
    if (const int status = runReplayBench(parser); status >= 0)
        return status;
    options.files = parser.value(files).toInt();
    options.linesPerFile = parser.value(lines).toInt();
    options.features = parser.value(featureCount).toInt();
    options.fragments = parser.value(fragments).toInt();
    options.bigFileLines = parser.value(bigLines).toInt();
    options.bigFileFragments = parser.value(bigFragments).toInt();

    QTemporaryDir temporary;
    QString folder = temporary.path();
    if (parser.isSet(keep)) {
        folder = parser.value(keep);
        QDir().mkpath(folder);
    }
    if (parser.isSet(project)) {
        folder = parser.value(project);
        std::printf("Project: %s\n\n", qPrintable(folder));
    } else {
        SyntheticProjectStats stats;
        QElapsedTimer generation;
        generation.start();
        if (!temporary.isValid() || !writeSyntheticProject(folder, options, &stats)) {
            std::fprintf(stderr, "Cannot write the project into %s\n", qPrintable(folder));
            return 2;
        }
        std::printf("Project: %d files (%lld lines) in %d folders, %d features, %d fragments "
                    "(%d nested, %d expressions); written in %lld ms.\n\n",
                    stats.files, stats.lines, stats.folders, stats.features, stats.fragments,
                    stats.nested, stats.expressions, generation.elapsed());
        if (parser.isSet(generateOnly))
            return 0;
    }

    BenchTable table;

    // The real start-up first, in a process that has done nothing else yet.
    {
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = cpuMilliseconds();
        auto window = std::make_unique<MainWindow>(folder);
        const bool idle = waitUntilIdle(window.get(), 60000);
        table.add(QStringLiteral("main window shown and idle"), double(timer.elapsed()),
                  QStringLiteral("ms"), 2000);
        table.add(QStringLiteral("  processor time used for it"), cpuMilliseconds() - cpuBefore,
                  QStringLiteral("ms"));
        if (!idle)
            table.addNote(QStringLiteral("The main window did not get idle within 60 s."));
        table.add(QStringLiteral("peak memory at start-up (VmHWM)"), peakMegabytes(),
                  QStringLiteral("MB"), parser.isSet(scaleRow) ? 500 : 400);
        auto *featureView = window->findChild<SMVTreeWidget *>(
            QStringLiteral("treeWidget_featureView"));
        table.add(QStringLiteral("feature view rows made at start-up"),
                  featureView ? rowCount(featureView) : 0);
        table.add(QStringLiteral("  ... and with every feature unfolded"),
                  double(featureView ? featureView->topLevelItemCount() : 0)
                      + double(window->projectReader()->blockRowCount()));
        if (parser.isSet(startupOnly))
            return table.print() ? 0 : 1;
        // Then what a participant does in it: open, close and search files.
        if (idle) {
            WindowBenchOptions windowOptions;
            windowOptions.bigFileFragments = options.bigFileFragments;
            windowOptions.bigFileWord = options.bigFileWord;
            windowOptions.bigFileWordCount = options.bigFileWordCount;
            if (parser.isSet(project)) // an existing project: its largest file
                windowOptions = {QString(), -1, options.bigFileWord, -1};
            measureRecolor(window.get(), table);
            measureWindow(window.get(), windowOptions, table);
        }
        table.time(QStringLiteral("close main window"), [&] { window.reset(); });
    }
    if (parser.isSet(scaleRow)) {
        const bool kept = table.print();
        const auto value = [&table](const char *name) {
            return table.value(QLatin1String(name)).value_or(-1);
        };
        printScaleRow(value("main window shown and idle"), value("  processor time used for it"),
                      value("peak memory at start-up (VmHWM)"),
                      value("feature view rows made at start-up"),
                      value("  ... and with every feature unfolded"),
                      value("recolour one feature in the window"),
                      value("  search time / grep time"));
        return kept ? 0 : 1;
    }

    // The project model's steps one by one.
    measureProjectModel(folder, table);
    table.add(QStringLiteral("peak memory of the whole run (VmHWM)"), peakMegabytes(),
              QStringLiteral("MB"));

    return table.print() ? 0 : 1;
}
