#pragma once

#include <QList>
#include <QPointer>
#include <QString>

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
    // Adds a result row together with the file row it was found in.
    void append(const QString &row, STNode *node);
    // The file row behind a result row; null for rows added some other way.
    STNode *nodeOf(const QListWidgetItem *item) const;

private:
    QPointer<QListWidget> m_list;
    QList<STNode *> m_nodes;
};
