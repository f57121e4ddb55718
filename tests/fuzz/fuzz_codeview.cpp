// A source file of any content with fragments that may lie anywhere (past the
// end of the file, with negative spans, nested or stacked many times) in a
// code view: bars, line numbers, bands, colours and the visible range.
//
// Input: the source file, separator, one fragment per line written as
// "startline endline feature-number [expression]". Without a separator the
// input is the source file with one fragment over its first three lines.

#include "fuzzwidgets.h"

#include "ui/codeview/codeview.h"
#include "ui/codeview/sidebarfracture.h"
#include "ui/colors/colormanager.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/stnode.h"

#include <QListWidget>
#include <QScrollBar>
#include <QGraphicsView>
#include <QTextDocument>
#include <QTextEdit>

namespace {

const QByteArray exampleModel =
    "Chat : Base | Transport | Security | Extras ;\n"
    "Transport : Tcp | Local ;\n"
    "Security : Encryption | [Authentication] ;\n"
    "Encryption : [Caesar] | [Reverse] ;\n"
    "Extras : [History] | [Color] | [Spamfilter] | [Emoticons] ;\n";

constexpr int maxFragments = 200;

void addFragments(STNode &file, FeatureList &features, const QByteArray &lines)
{
    int added = 0;
    for (const QByteArray &line : lines.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 3 || added >= maxFragments)
            continue;
        const int start = words.at(0).toInt();
        const int end = words.at(1).toInt();
        const qsizetype index = words.at(2).toLongLong();
        Feature *feature = index >= 0 && index < features.size() ? &features[index] : nullptr;
        const qint64 span = qint64(end) - start;
        const qint64 clamped = qBound<qint64>(qint64(INT_MIN), span, qint64(INT_MAX));
        file.addFragment(feature, int(clamped), start, 1);
        if (feature && words.size() > 3)
            file.fragments().last().expression = QString::fromUtf8(words.mid(3).join(' '));
        ++added;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayList parts = fuzz::split(data, size, 2);
    if (parts.at(1).isNull())
        parts[1] = "1 3 0";

    const fuzz::ScratchFolder folder;
    QFile modelFile(folder.write(QStringLiteral("model.m"), exampleModel));
    QListWidget paletteList;
    FeatureTreeWidget featureTree(nullptr, &modelFile, &paletteList, nullptr);
    featureTree.buildFeatureList();
    FeatureList *features = featureTree.features();
    ColorManager manager(features, int(features->size()));
    featureTree.setColorManager(&manager);

    STNode file(nullptr);
    file.setKind(STNode::File);
    file.setText(0, QStringLiteral("A.java"));
    file.initFeatureLines(features);
    addFragments(file, *features, parts.at(1));

    const QString path = folder.write(QStringLiteral("A.java"), parts.at(0));
    CodeView view(&featureTree, &file, nullptr, new QFile(path), 170);
    view.buildSideBars();
    view.buildLineNumbers();
    view.buildBackgrounds();
    view.resize(640, 480);
    view.show();

    fuzz::check(view.sideBars().size() == file.fragments().size(), "a fragment got no bar");
    for (const SideBarFracture *sideBar : view.sideBars()) {
        fuzz::check(sideBar->rect().height() >= 0, "a bar drawn upwards");
        fuzz::check(qAbs(sideBar->y()) < 1e9 && sideBar->rect().height() < 1e9,
                    "a bar outside the pixel range");
    }
    manager.assignColor(&(*features)[0], manager.ColorArray.first());
    view.refreshFeatureColors(&(*features)[0]);
    view.setOpacity(90);
    view.refreshAllColors();

    QScrollBar *bar = view.codeGraphicsView()->verticalScrollBar();
    bar->setValue(bar->maximum());
    const QPair<int, int> range = view.visibleLineRange();
    fuzz::check(range.first <= range.second, "visible range upside down");
    fuzz::check(range.second <= view.textEdit()->document()->blockCount(),
                "visible line past the end");
    view.grab();
    return 0;
}
