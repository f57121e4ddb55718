#include "windowchildren.h"

#include "app/mainwindow.h"
#include "codeview/codeview.h"
#include "colors/mylistwidgetitem.h"
#include "colors/mytreewidgetitem.h"
#include "model/featuretreewidget.h"
#include "model/smvtreewidget.h"
#include "model/stnode.h"

#include <QTest>
#include <QTreeWidgetItemIterator>

namespace TestSupport {

MyTreeWidgetItem *featureRow(FeatureTreeWidget *tree, const QString &name)
{
    return dynamic_cast<MyTreeWidgetItem *>(tree->findLeafItem(name));
}

MyListWidgetItem *paletteEntry(QListWidget *list, PaletteColor *color)
{
    for (int i = 0; i < list->count(); ++i) {
        auto *entry = dynamic_cast<MyListWidgetItem *>(list->item(i));
        if (entry && entry->paletteColor() == color)
            return entry;
    }
    return nullptr;
}

STNode *fileRow(SMVTreeWidget *tree, const QString &fileName)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        auto *node = dynamic_cast<STNode *>(*it);
        if (node && node->kind() == STNode::File && node->text(0) == fileName)
            return node;
    }
    return nullptr;
}

CodeView *openTab(MainWindow &window, const QString &fileName)
{
    STNode *node = fileRow(child<SMVTreeWidget>(window, "treeWidget_packageView"), fileName);
    if (!node)
        return nullptr;
    window.openFile(node);
    CodeView *view = window.currentCodeView();
    if (!view || view->fileNode() != node)
        return nullptr;
    if (!QTest::qWaitFor([view] { return !view->justOpened(); }))
        return nullptr;
    return view;
}

} // namespace TestSupport
