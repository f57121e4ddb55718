#include "featurematcher.h"

#include <QtMath>

#include <algorithm>
#include <iterator>

namespace {

constexpr auto unicode = QRegularExpression::UseUnicodePropertiesOption;

// Letters, digits and underscores only, as "\w" sees them.
bool isPlainWord(const QString &name)
{
    static const QRegularExpression word(
        QRegularExpression::anchoredPattern(QStringLiteral("\\w+")), unicode);
    return word.match(name).hasMatch();
}

bool isAsciiWordCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')
        || u == u'_';
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

FeatureMatcher::FeatureMatcher(FeatureList *features) : m_features(features)
{
}

bool FeatureMatcher::isPlainName(const QString &text)
{
    // Names of ASCII characters alone (nearly all) are told apart here; the
    // others by the pattern, for what "\w" takes in other scripts.
    if (isAscii(text))
        return std::all_of(text.begin(), text.end(), isAsciiWordCharacter);
    static const QRegularExpression nonWord(QStringLiteral("[^\\w_]"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    return !nonWord.match(text).hasMatch();
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
    m_nameSlots.assign(std::size_t(qNextPowerOfTwo(quint64(m_idsByName.size()) * 2)), NameSlot());
    const std::size_t mask = m_nameSlots.size() - 1;
    for (auto it = m_idsByName.cbegin(); it != m_idsByName.cend(); ++it) {
        const size_t hash = qHash(QStringView(it.key()));
        std::size_t i = hash & mask;
        while (m_nameSlots[i].ids)
            i = (i + 1) & mask;
        m_nameSlots[i] = {hash, &it.key(), &it.value()};
    }
    m_indexedData = m_features->constData();
    m_indexedSize = m_features->size();
}

const QList<int> *FeatureMatcher::idsOfName(QStringView name) const
{
    if (m_nameSlots.empty())
        return nullptr;
    const std::size_t mask = m_nameSlots.size() - 1;
    const size_t hash = qHash(name);
    for (std::size_t i = hash & mask; m_nameSlots[i].ids; i = (i + 1) & mask) {
        const NameSlot &slot = m_nameSlots[i];
        if (slot.hash == hash && *slot.name == name)
            return slot.ids;
    }
    return nullptr;
}

Feature *FeatureMatcher::featureByName(const QString &name) const
{
    index();
    if (!m_features)
        return nullptr;
    const QList<int> *ids = idsOfName(name);
    return ids ? &(*m_features)[ids->first()] : nullptr;
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

// The three rules for a name of word characters only, read off the words:
// "\W name \W" is a word that equals the name and has a character on either
// side; "name \W" is the end of a word followed by a character; "\W name"
// is the start of a word preceded by a character.
bool FeatureMatcher::matchesWord(const QString &expression, const QList<Word> &words,
                                 const QString &name)
{
    const qsizetype size = expression.size();
    const bool starts = expression.startsWith(name);
    const bool ends = expression.endsWith(name);
    for (const Word &word : words) {
        if (word.start > 0 && word.end < size && word.text == name)
            return true;
        if (starts && word.end < size && word.text.endsWith(name))
            return true;
        if (ends && word.start > 0 && word.text.startsWith(name))
            return true;
    }
    return false;
}

QList<Feature *> FeatureMatcher::featuresInExpression(const QString &expression) const
{
    QList<Feature *> found;
    index();
    if (!m_features)
        return found;

    // The expression's words: the runs of word characters, each between
    // non-word characters or an end of the expression.
    QList<Word> words;
    if (isAscii(expression)) {
        // In ASCII, "\w" is a letter, a digit or an underscore.
        const qsizetype size = expression.size();
        for (qsizetype i = 0; i < size;) {
            if (!isAsciiWordCharacter(expression.at(i))) {
                ++i;
                continue;
            }
            const qsizetype start = i;
            while (i < size && isAsciiWordCharacter(expression.at(i)))
                ++i;
            words.append({QStringView(expression).mid(start, i - start), start, i});
        }
    } else {
        static const QRegularExpression wordPattern(QStringLiteral("\\w+"), unicode);
        for (auto it = wordPattern.globalMatch(expression); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            words.append({QStringView(expression).mid(match.capturedStart(),
                                                      match.capturedLength()),
                          match.capturedStart(), match.capturedEnd()});
        }
    }

    // A plain-word name can only match as one of the words, as a start of
    // the first word (it then starts the expression) or as an end of the
    // last word (it then ends it): only these candidates are looked up.
    QList<int> ids;
    QList<int> plainIds;
    const auto addCandidate = [this, &plainIds](QStringView candidate) {
        if (const QList<int> *ids = idsOfName(candidate))
            plainIds.append(*ids);
    };
    for (const Word &word : std::as_const(words))
        addCandidate(word.text);
    if (!words.isEmpty() && words.first().start == 0)
        for (qsizetype length = 1; length < words.first().text.size(); ++length)
            addCandidate(words.first().text.left(length));
    if (!words.isEmpty() && words.last().end == expression.size())
        for (qsizetype length = 1; length < words.last().text.size(); ++length)
            addCandidate(words.last().text.right(length));
    std::sort(plainIds.begin(), plainIds.end());
    plainIds.erase(std::unique(plainIds.begin(), plainIds.end()), plainIds.end());
    std::merge(plainIds.begin(), plainIds.end(), m_otherNames.begin(), m_otherNames.end(),
               std::back_inserter(ids));

    // A feature named like the whole expression ends the list: features
    // after it are not looked at.
    int whole = -1;
    if (const QList<int> *exact = idsOfName(expression))
        whole = exact->first();

    for (int k : std::as_const(ids)) {
        if (whole >= 0 && k >= whole)
            break;
        Feature &feature = (*m_features)[k];
        const bool plain = std::binary_search(plainIds.begin(), plainIds.end(), k);
        if (plain ? matchesWord(expression, words, feature.name())
                  : matches(expression, feature.name()))
            found.append(&feature);
    }
    if (whole >= 0)
        found.append(&(*m_features)[whole]);
    return found;
}
