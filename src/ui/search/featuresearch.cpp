#include "featuresearch.h"

#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace FeatureSearch {

Step findNext(QTreeWidget *tree, QTreeWidgetItem *start, const QString &text)
{
    Step step;
    if (!tree)
        return step;
    QTreeWidgetItem *first = tree->topLevelItem(0);
    step.next = first;
    if (!first || text.isEmpty())
        return step;
    if (!start || start->treeWidget() != tree)
        start = first;

    for (QTreeWidgetItem *passStart : {start, first}) {
        for (QTreeWidgetItemIterator it(passStart); *it; ++it) {
            if (!(*it)->text(0).contains(text, Qt::CaseInsensitive))
                continue;
            step.hit = *it;
            ++it;
            step.next = *it ? *it : first;
            return step;
        }
        // The second pass only repeats the first when that began at the top.
        if (passStart == first)
            break;
    }
    return step;
}

} // namespace FeatureSearch
