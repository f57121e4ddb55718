#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One statement of model.m: a head name and, when the statement has a child
// list, the names listed in it (possibly empty names).
struct FeatureStatement
{
    QString head;
    QStringList children; // empty: the statement has no child list

    bool operator==(const FeatureStatement &other) const
    {
        return head == other.head && children == other.children;
    }
};

// Deletes "[" and "]" and then every line break, tab and space: names cannot
// contain white space and brackets carry no meaning.
QString stripFeatureModelText(const QString &text);

// Splits decoded model.m text into statements: at every ";" (empty statements
// are skipped), each at every ":" into head, child list and ignored rest, and
// the child list at every "|" (empty names kept).
QList<FeatureStatement> parseFeatureModel(const QString &text);

// The feature tree that statements describe, built as the feature tree shows
// it: a statement's head is the first item of that name in pre-order, or else
// a new top-level item; its children are always new items, in order.
struct FeatureTree
{
    struct Item
    {
        QString name;
        int parent = -1;
        QList<int> children;
        int statement = 0;   // the statement that made the item
        int childIndex = -1; // its place in that statement's child list; -1: the head
    };

    QList<Item> items;  // in the order they were made
    QList<int> topLevel;
    QList<int> heads;   // per statement: the item its head names
    QList<bool> newTop; // per statement: its head started a top-level item

    // Items in pre-order, the order the feature tree lists them.
    QList<int> preOrder() const;
};

FeatureTree buildFeatureTree(const QList<FeatureStatement> &statements);
