#pragma once

#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

// Stepping through the features of the feature tree whose names contain a text.
namespace FeatureSearch {

struct Step
{
    // The first item at or after the start, in pre-order, whose text in
    // column 0 contains the text in any letter case; null if there is none.
    QTreeWidgetItem *hit = nullptr;
    // Where the next search with the same text starts: the item after the hit
    // in pre-order, or the first top-level item after the last item or when
    // nothing was found.
    QTreeWidgetItem *next = nullptr;
};

// Searches from start to the end of the tree, then once more from the first
// top-level item. A null start, or one that is not an item of tree, starts
// at the first top-level item.
Step findNext(QTreeWidget *tree, QTreeWidgetItem *start, const QString &text);

} // namespace FeatureSearch
