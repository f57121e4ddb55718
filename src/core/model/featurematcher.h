#pragma once

#include "core/model/feature.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringView>

#include <vector>

// Finds the features a project file's feature text names: by exact name, or
// as the names a feature expression such as "A && !B" mentions.
//
// An expression is split once into its words, and only the features whose
// names are among the candidates those words give are tested, through a
// hash of the names; names that are not plain words ("a.b", "c*", "(x") are
// few and always tested by patterns. The results are those of testing every feature.
class FeatureMatcher
{
public:
    explicit FeatureMatcher(FeatureList *features = nullptr);

    // A project file's feature text is a plain name when it has only
    // letters, digits and underscores (in any script); anything else makes it
    // an expression.
    static bool isPlainName(const QString &text);

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

    // One run of word characters of an expression, from start to end.
    struct Word
    {
        QStringView text; // of the expression
        qsizetype start;
        qsizetype end;
    };
    // A name by its hash: the ids of the features of that name.
    struct NameSlot
    {
        size_t hash = 0;
        const QString *name = nullptr;   // the key in m_idsByName
        const QList<int> *ids = nullptr; // its value; null for an empty slot
    };

    void index() const;
    // The ids of the features named so, in list order; null if none.
    const QList<int> *idsOfName(QStringView name) const;
    // Tests a name by the patterns, and a name of word characters only by
    // the expression's words (the same result, without a pattern per name).
    bool matches(const QString &expression, const QString &name) const;
    static bool matchesWord(const QString &expression, const QList<Word> &words,
                            const QString &name);
    const NamePatterns &patternsFor(const QString &name) const;

    FeatureList *m_features;
    // What the index was built from; rebuilt when the list was replaced.
    mutable const Feature *m_indexedData = nullptr;
    mutable qsizetype m_indexedSize = -1;
    mutable QHash<QString, QList<int>> m_idsByName; // ids in list order
    // The names again, in a flat table: most names looked up are none (the
    // starts and ends of an expression's words), and a lookup then ends
    // after a step or two, without making a string.
    mutable std::vector<NameSlot> m_nameSlots; // a power of two, at most half full
    mutable QList<int> m_otherNames;                // ids of names that are no plain word
    mutable QHash<QString, NamePatterns> m_patterns;
};
