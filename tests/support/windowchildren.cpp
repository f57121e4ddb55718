#include "windowchildren.h"

#include "ui/mainwindow/mainwindow.h"
#include "ui/codeview/codeview.h"
#include "ui/colors/mylistwidgetitem.h"
#include "ui/colors/mytreewidgetitem.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"

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
