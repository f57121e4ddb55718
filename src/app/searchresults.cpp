#include "searchresults.h"

#include <QListWidget>

SearchResults::SearchResults(QListWidget *list)
    : m_list(list)
{
}

void SearchResults::clear()
{
    m_nodes.clear();
    if (m_list)
        m_list->clear();
}

void SearchResults::append(const QString &row, STNode *node)
{
    if (!m_list)
        return;
    // Rows and nodes stay in step: a row is listed only with its node.
    m_list->addItem(row);
    m_nodes.append(node);
}

STNode *SearchResults::nodeOf(const QListWidgetItem *item) const
{
    if (!m_list || !item)
        return nullptr;
    const int row = m_list->row(item);
    return row >= 0 && row < m_nodes.size() ? m_nodes.at(row) : nullptr;
}
