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

void SearchResults::append(const QStringList &rows, const QList<STNode *> &nodes)
{
    // Rows and nodes stay in step: a row is listed only with its node.
    if (!m_list || rows.size() != nodes.size())
        return;
    m_list->addItems(rows);
    m_nodes.append(nodes);
}

STNode *SearchResults::nodeOf(const QListWidgetItem *item) const
{
    if (!m_list || !item)
        return nullptr;
    const int row = m_list->row(item);
    return row >= 0 && row < m_nodes.size() ? m_nodes.at(row) : nullptr;
}
