#pragma once

#include "model/feature.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>

// Finds the features a project file's feature text names: by exact name, or
// as the names a feature expression such as "A && !B" mentions.
//
// An expression is split once into its words, and only the features whose
// names are among the candidates those words give are tested, through a
// hash of the names; names that are not plain words ("a.b", "c*", "(x") are
// few and always tested. The results are those of testing every feature.
class FeatureMatcher
{
public:
    explicit FeatureMatcher(FeatureList *features = nullptr);

    // The first feature of that exact name; null if none.
    Feature *featureByName(const QString &name) const;
    // The features named in the expression, in feature-list order.
    QList<Feature *> featuresInExpression(const QString &expression) const;

private:
    // The three patterns a name is looked for with in expressions.
    struct NamePatterns
    {
        QRegularExpression inside;   // \W name \W
        QRegularExpression leading;  // name \W
        QRegularExpression trailing; // \W name
    };

    void index() const;
    bool matches(const QString &expression, const QString &name) const;
    const NamePatterns &patternsFor(const QString &name) const;

    FeatureList *m_features;
    // What the index was built from; rebuilt when the list was replaced.
    mutable const Feature *m_indexedData = nullptr;
    mutable qsizetype m_indexedSize = -1;
    mutable QHash<QString, QList<int>> m_idsByName; // ids in list order
    mutable QList<int> m_otherNames;                // ids of names that are no plain word
    mutable QHash<QString, NamePatterns> m_patterns;
};
