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
