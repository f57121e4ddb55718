// model.m as a participant's copy may hold it: the feature tree is built from
// arbitrary bytes, the feature list taken from it and the palette filled.

#include "fuzzsupport.h"

#include "ui/colors/colormanager.h"
#include "ui/featuretree/featuretreewidget.h"

#include <QListWidget>
#include <QTreeWidgetItemIterator>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::ScratchFolder folder;
    QFile modelFile(folder.write(QStringLiteral("model.m"),
                                 QByteArray(reinterpret_cast<const char *>(data),
                                            qsizetype(size))));
    QListWidget paletteList;
    FeatureTreeWidget tree(nullptr, &modelFile, &paletteList, nullptr);
    tree.buildFeatureList();
    FeatureList *features = tree.features();

    // There is always a tree to show and at least one feature.
    fuzz::check(tree.topLevelItemCount() > 0, "model without a top-level row");
    fuzz::check(tree.rootItem() == tree.topLevelItem(0), "root is not the first row");
    fuzz::check(!features->isEmpty(), "model without a feature");

    // One feature per leaf, in pre-order, numbered from 0.
    qsizetype leaf = 0;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
        if ((*it)->childCount() != 0)
            continue;
        fuzz::check(leaf < features->size(), "more leaves than features");
        fuzz::check(features->at(leaf).name() == (*it)->text(0), "feature is not its leaf");
        ++leaf;
    }
    fuzz::check(leaf == features->size(), "more features than leaves");

    ColorManager manager(features, int(features->size()));
    tree.setColorManager(&manager);
    tree.refreshPalette();
    fuzz::check(paletteList.count() == manager.ColorArray.size(), "palette list incomplete");
    for (qsizetype i = 0; i < features->size(); ++i) {
        Feature &feature = (*features)[i];
        fuzz::check(feature.id == i, "feature id is not its position");
        fuzz::check(feature.color() != nullptr, "feature without a colour");
        fuzz::check(tree.findFeature(feature.name()) != nullptr, "feature not found by name");
        fuzz::check(tree.findLeafItem(feature.name()) != nullptr, "leaf not found by name");
    }
    tree.expandAll();
    tree.resize(300, 400);
    tree.grab(); // paints every visible row through the delegate
    return 0;
}
