#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

class QListWidget;
class QListWidgetItem;
class STNode;

// The project search's result list: the rows of listWidget_results and the
// file rows of the package view behind them, kept in step.
class SearchResults
{
public:
    explicit SearchResults(QListWidget *list);

    void clear();
    // Adds result rows together with the file rows they were found in
    // (nodes[i] behind rows[i]), in one insertion into the list.
    void append(const QStringList &rows, const QList<STNode *> &nodes);
    // The file row behind a result row; null for rows added some other way.
    STNode *nodeOf(const QListWidgetItem *item) const;

private:
    QPointer<QListWidget> m_list;
    QList<STNode *> m_nodes;
};
