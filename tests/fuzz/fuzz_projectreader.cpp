// A hand-edited study folder in the window's trees: the feature tree built
// from model.m, with one feature per leaf and a colour for each; the project
// of annotations.xml read, pruned, its lines counted, its trees completed and
// painted; a saved colour assignment applied; and the first annotated file
// opened in a code view.
//
// Input: model.m, separator, annotations.xml, separator, the text every listed
// source file gets, separator, a saved colour-assignment file (none without
// this part). Without a separator the input is annotations.xml alone and the
// example project's feature model is used.

#include "fuzzwidgets.h"

#include "ui/codeview/codeview.h"
#include "ui/colors/colormanager.h"
#include "ui/colorsaves/colorassignmentfile.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"
#include "ui/structure/treepaths.h"

#include <QListWidget>
#include <QTreeWidgetItemIterator>

namespace {

const QByteArray exampleModel =
    "Chat : Base | Transport | Security | Extras ;\n"
    "Transport : Tcp | Local ;\n"
    "Security : Encryption | [Authentication] ;\n"
    "Encryption : [Caesar] | [Reverse] ;\n"
    "Extras : [History] | [Color] | [Spamfilter] | [Emoticons] ;\n";

bool isSourceName(const QString &name)
{
    return name.endsWith(QLatin1String(".java")) || name.endsWith(QLatin1String(".c"))
        || name.endsWith(QLatin1String(".h"));
}

bool pointsIntoList(const Feature *feature, const FeatureList &features)
{
    for (const Feature &candidate : features)
        if (&candidate == feature)
            return true;
    return false;
}

// Gives every listed source file that lies inside the folder the same text,
// so that line counting and the code view have something to read.
void writeSources(const fuzz::ScratchFolder &folder, SMVTreeWidget &view,
                  const QByteArray &source)
{
    if (source.isNull())
        return;
    int written = 0;
    for (QTreeWidgetItemIterator it(&view); *it && written < 8; ++it) {
        if ((*it)->childCount() != 0)
            continue;
        const QString relative = projectRelativePath(*it);
        const QString path = QDir::cleanPath(folder.file(relative));
        if (!path.startsWith(folder.path() + QLatin1Char('/'))
            || relative.contains(QLatin1String("..")))
            continue;
        if (QFileInfo(path).isDir())
            continue;
        folder.write(QDir(folder.path()).relativeFilePath(path), source);
        ++written;
    }
}

// One feature per leaf, in pre-order, numbered from 0, each found by name,
// and a palette entry for every colour.
void checkFeatureTree(FeatureTreeWidget &tree, ColorManager &manager, QListWidget &paletteList)
{
    const FeatureList *features = tree.features();
    fuzz::check(tree.topLevelItemCount() > 0, "model without a top-level row");
    fuzz::check(tree.rootItem() == tree.topLevelItem(0), "root is not the first row");
    fuzz::check(!features->isEmpty(), "model without a feature");
    qsizetype leaf = 0;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
        if ((*it)->childCount() != 0)
            continue;
        fuzz::check(leaf < features->size(), "more leaves than features");
        fuzz::check(features->at(leaf).name() == (*it)->text(0), "feature is not its leaf");
        ++leaf;
    }
    fuzz::check(leaf == features->size(), "more features than leaves");
    tree.refreshPalette();
    fuzz::check(paletteList.count() == manager.ColorArray.size(), "palette list incomplete");
    for (qsizetype i = 0; i < features->size(); ++i) {
        const Feature &feature = features->at(i);
        fuzz::check(feature.id == i, "feature id is not its position");
        fuzz::check(feature.color() != nullptr, "feature without a colour");
        fuzz::check(tree.findFeature(feature.name()) != nullptr, "feature not found by name");
        fuzz::check(tree.findLeafItem(feature.name()) != nullptr, "leaf not found by name");
    }
    tree.expandAll();
    tree.resize(300, 400);
    tree.grab(); // paints every visible row through the delegate
}

// A saved file as it may come back from another machine: a file that is not
// applied changes nothing; after one that is, every feature has a colour and
// every palette colour is one.
void applySavedFile(const fuzz::ScratchFolder &folder, ColorManager &manager,
                    const QByteArray &saved)
{
    const QList<PaletteColor *> palette = manager.ColorArray;
    QList<PaletteColor *> pairs;
    for (const FeatureColorPair &pair : std::as_const(manager.FCPList))
        pairs.append(pair.color);
    const QString path = folder.write(QStringLiteral("saved.txt"), saved);
    if (ColorAssignmentFile::apply(path, &manager) != ColorAssignmentFile::ApplyResult::Applied) {
        QList<PaletteColor *> after;
        for (const FeatureColorPair &pair : std::as_const(manager.FCPList))
            after.append(pair.color);
        fuzz::check(manager.ColorArray == palette && after == pairs,
                    "a rejected file changed the colours");
    }
    for (const FeatureColorPair &pair : std::as_const(manager.FCPList))
        fuzz::check(pair.color && pair.color->color().isValid(), "feature without colour");
    for (const PaletteColor *color : std::as_const(manager.ColorArray))
        fuzz::check(color && color->color().isValid() && color->color().alpha() == 255,
                    "palette colour invalid");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayList parts = fuzz::split(data, size, 4);
    if (parts.at(1).isNull())
        parts = {exampleModel, parts.at(0), QByteArray(), QByteArray()};

    const fuzz::ScratchFolder folder;
    QFile modelFile(folder.write(QStringLiteral("model.m"), parts.at(0)));
    const QString annotations = folder.write(QStringLiteral("annotations.xml"), parts.at(1));

    QListWidget paletteList;
    FeatureTreeWidget featureTree(nullptr, &modelFile, &paletteList, nullptr);
    featureTree.buildFeatureList();
    FeatureList *features = featureTree.features();
    ColorManager manager(features, int(features->size()));
    featureTree.setColorManager(&manager);
    checkFeatureTree(featureTree, manager, paletteList);

    SMVTreeWidget packageView;
    SMVTreeWidget featureView;
    featureView.setFeatureView(true);
    for (SMVTreeWidget *tree : {&packageView, &featureView}) {
        tree->setColorManager(&manager);
        tree->setFeatureTree(&featureTree);
    }

    ProjectReader reader(&packageView, &featureView, features);
    const bool read = reader.readProjectFile(annotations);
    fuzz::check(read || packageView.topLevelItemCount() == 0, "failed read left rows behind");

    writeSources(folder, packageView, parts.at(2));
    reader.computeLineCounts(folder.path());
    reader.completeTrees(nullptr);

    // Only project, folder and source-file rows are left, and every record
    // names a feature of the list.
    for (QTreeWidgetItemIterator it(&packageView); *it; ++it) {
        auto *row = dynamic_cast<STNode *>(*it);
        fuzz::check(row != nullptr, "package row is no STNode");
        fuzz::check(row->kind() == STNode::Project || row->kind() == STNode::Folder
                        || row->kind() == STNode::File,
                    "transient row survived pruning");
        fuzz::check(row->childCount() > 0 || isSourceName(row->text(0)),
                    "leaf that is no source file");
        for (const Fragment &fragment : row->fragments())
            fuzz::check(pointsIntoList(fragment.feature, *features),
                        "record without a feature of the list");
    }

    if (!parts.at(3).isNull())
        applySavedFile(folder, manager, parts.at(3));
    // Give the first feature a colour and repaint, as a drop would.
    if (!manager.ColorArray.isEmpty()) {
        manager.assignColor(&(*features)[0], manager.ColorArray.first());
        reader.recolorFeature(&(*features)[0]);
    }
    packageView.expandAll();
    featureView.expandAll();
    for (SMVTreeWidget *tree : {&packageView, &featureView}) {
        tree->resize(320, 480);
        tree->scaleTextures(320, 0);
        tree->grab();
    }

    // The first annotated file in a code view.
    for (QTreeWidgetItemIterator it(&packageView); *it; ++it) {
        auto *row = dynamic_cast<STNode *>(*it);
        if (!row || row->kind() != STNode::File || row->fragments().isEmpty())
            continue;
        CodeView view(&featureTree, row, nullptr,
                      new QFile(projectFilePath(folder.path(), row)), 170);
        view.buildSideBars();
        view.buildLineNumbers();
        view.buildBackgrounds();
        view.resize(640, 480);
        view.refreshAllColors();
        view.visibleLineRange();
        break;
    }
    return 0;
}
