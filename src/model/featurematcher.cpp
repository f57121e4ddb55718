#include "featurematcher.h"

#include <algorithm>

namespace {

constexpr auto unicode = QRegularExpression::UseUnicodePropertiesOption;

// Letters, digits and underscores only, as "\w" sees them.
bool isPlainWord(const QString &name)
{
    static const QRegularExpression word(
        QRegularExpression::anchoredPattern(QStringLiteral("\\w+")), unicode);
    return word.match(name).hasMatch();
}

} // namespace

FeatureMatcher::FeatureMatcher(FeatureList *features) : m_features(features)
{
}

void FeatureMatcher::index() const
{
    if (!m_features)
        return;
    if (m_indexedData == m_features->constData() && m_indexedSize == m_features->size())
        return;
    m_idsByName.clear();
    m_otherNames.clear();
    m_idsByName.reserve(m_features->size());
    for (int k = 0; k < m_features->size(); ++k) {
        const QString name = m_features->at(k).name();
        m_idsByName[name].append(k);
        // An empty name is no name: it would match any two non-word
        // characters in a row.
        if (!name.isEmpty() && !isPlainWord(name))
            m_otherNames.append(k);
    }
    m_indexedData = m_features->constData();
    m_indexedSize = m_features->size();
}

Feature *FeatureMatcher::featureByName(const QString &name) const
{
    index();
    if (!m_features)
        return nullptr;
    const auto found = m_idsByName.constFind(name);
    return found == m_idsByName.constEnd() ? nullptr : &(*m_features)[found->first()];
}

const FeatureMatcher::NamePatterns &FeatureMatcher::patternsFor(const QString &name) const
{
    auto found = m_patterns.constFind(name);
    if (found != m_patterns.constEnd())
        return *found;
    // A name stands for itself: "c*" or "(x" are names, not patterns (used
    // as patterns, "c*" was found between any two operators and "(x" made
    // an invalid pattern that matched nothing).
    const QString literal = QRegularExpression::escape(name);
    NamePatterns patterns;
    patterns.inside = QRegularExpression(QStringLiteral("\\W") + literal + QStringLiteral("\\W"),
                                         unicode);
    patterns.leading = QRegularExpression(literal + QStringLiteral("\\W"), unicode);
    patterns.trailing = QRegularExpression(QStringLiteral("\\W") + literal, unicode);
    return *m_patterns.insert(name, patterns);
}

bool FeatureMatcher::matches(const QString &expression, const QString &name) const
{
    if (name.isEmpty() || !expression.contains(name))
        return false;
    const NamePatterns &patterns = patternsFor(name);
    const auto contains = [&expression](const QRegularExpression &pattern) {
        return pattern.match(expression).hasMatch();
    };
    return contains(patterns.inside)
        || (expression.startsWith(name) && contains(patterns.leading))
        || (expression.endsWith(name) && contains(patterns.trailing));
}

QList<Feature *> FeatureMatcher::featuresInExpression(const QString &expression) const
{
    QList<Feature *> found;
    index();
    if (!m_features)
        return found;

    // A plain-word name can only match as one of the expression's words
    // (between non-word characters), as a start of its first word (it then
    // starts the expression) or as an end of its last word (it then ends
    // it). These candidates are tested as every name would be.
    QList<int> ids = m_otherNames;
    const auto addCandidate = [this, &ids](const QString &candidate) {
        const auto named = m_idsByName.constFind(candidate);
        if (named != m_idsByName.constEnd())
            ids.append(*named);
    };
    static const QRegularExpression word(QStringLiteral("\\w+"), unicode);
    qsizetype firstStart = -1;
    QString first;
    QString last;
    qsizetype lastEnd = -1;
    for (auto it = word.globalMatch(expression); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString token = match.captured();
        if (firstStart < 0) {
            firstStart = match.capturedStart();
            first = token;
        }
        last = token;
        lastEnd = match.capturedEnd();
        addCandidate(token);
    }
    if (firstStart == 0)
        for (qsizetype length = 1; length < first.size(); ++length)
            addCandidate(first.left(length));
    if (lastEnd == expression.size())
        for (qsizetype length = 1; length < last.size(); ++length)
            addCandidate(last.right(length));

    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());

    // A feature named like the whole expression ends the list: features
    // after it are not looked at.
    int whole = -1;
    const auto exact = m_idsByName.constFind(expression);
    if (exact != m_idsByName.constEnd())
        whole = exact->first();

    for (int k : std::as_const(ids)) {
        if (whole >= 0 && k >= whole)
            break;
        Feature &feature = (*m_features)[k];
        if (matches(expression, feature.name()))
            found.append(&feature);
    }
    if (whole >= 0)
        found.append(&(*m_features)[whole]);
    return found;
}
