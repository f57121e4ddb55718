#pragma once

#include "core/formats/featuremodelfile.h"

#include <QList>
#include <QString>
#include <QStringList>

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
    // The names of the feature list: the leaves in pre-order, a name as
    // often as it is a leaf; the one feature "empty" when there is no item.
    // The viewer, the checker and the report all list features so.
    QStringList leafNames() const;
};

FeatureTree buildFeatureTree(const QList<FeatureStatement> &statements);
