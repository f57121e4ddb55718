#include "conditionalscanner.h"

#include "import/scannertext.h"

#include <algorithm>

// A condition in the viewer's expression syntax.
namespace ConditionalScanner {

using Text::isWordChar;

namespace {

// Translates a condition into the viewer's syntax, token by token.
class ConditionTranslator
{
public:
    ConditionTranslator(const QString &condition, QStringList *names,
                        const QSet<QString> &probeMacros)
        : m_condition(condition), m_size(condition.size()), m_names(names),
          m_probeMacros(probeMacros)
    {
    }

    QString run();

private:
    void put(QStringView token);
    void putName(QString name);
    qsizetype skipSpaces(qsizetype k) const;
    // A name runs over word characters, "$" and a "." between word characters.
    qsizetype nameEnd(qsizetype k) const;
    qsizetype readWord(qsizetype start);
    qsizetype readDefined(qsizetype wordEnd);
    qsizetype readProbe(qsizetype wordEnd);
    qsizetype readNumber(qsizetype start);
    qsizetype readLiteral(qsizetype start);

    const QString &m_condition;
    const qsizetype m_size;
    QStringList *m_names;
    const QSet<QString> &m_probeMacros;
    QString m_out;
    bool m_space = false; // white space before the next token
};

QString ConditionTranslator::run()
{
    qsizetype i = 0;
    while (i < m_size) {
        const QChar c = m_condition.at(i);
        // A control character could not be written into the project file.
        if (c.isSpace() || c.unicode() < 0x20 || c.unicode() == 0x7f) {
            m_space = true;
            ++i;
        } else if (c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('$')) {
            i = readWord(i);
        } else if (c.isDigit()
                   || (c == QLatin1Char('.') && i + 1 < m_size
                       && m_condition.at(i + 1).isDigit())) {
            i = readNumber(i);
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            i = readLiteral(i);
        } else {
            put(QStringView(&m_condition.constData()[i], 1));
            ++i;
        }
    }
    // Not even inside a literal.
    for (QChar &c : m_out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    return m_out;
}

void ConditionTranslator::put(QStringView token)
{
    if (m_space && !m_out.isEmpty())
        m_out += QLatin1Char(' ');
    m_space = false;
    m_out += token;
}

void ConditionTranslator::putName(QString name)
{
    for (QChar &c : name) {
        if (!isWordChar(c))
            c = QLatin1Char('_');
    }
    put(name);
    if (m_names && !m_names->contains(name))
        m_names->append(name);
}

qsizetype ConditionTranslator::skipSpaces(qsizetype k) const
{
    while (k < m_size && m_condition.at(k).isSpace())
        ++k;
    return k;
}

qsizetype ConditionTranslator::nameEnd(qsizetype k) const
{
    while (k < m_size) {
        const QChar c = m_condition.at(k);
        if (isWordChar(c) || c == QLatin1Char('$') || c.isMark()
            || (c == QLatin1Char('.') && k + 1 < m_size && isWordChar(m_condition.at(k + 1))))
            ++k;
        else
            break;
    }
    return k;
}

qsizetype ConditionTranslator::readWord(qsizetype start)
{
    const qsizetype end = nameEnd(start);
    const QString word = m_condition.mid(start, end - start);
    if (word == QLatin1String("defined"))
        return readDefined(end);
    if (word.startsWith(QLatin1String("__has_"))) {
        put(word);
        return readProbe(end);
    }
    // A macro standing for a probe is called like one; otherwise it is a name.
    if (m_probeMacros.contains(word)) {
        const qsizetype k = skipSpaces(end);
        if (k < m_size && m_condition.at(k) == QLatin1Char('(')) {
            put(word);
            return readProbe(end);
        }
    }
    if (word == QLatin1String("true") || word == QLatin1String("false"))
        put(word);
    else
        putName(word);
    return end;
}

// "defined NAME" or "defined(NAME)": the name alone.
qsizetype ConditionTranslator::readDefined(qsizetype wordEnd)
{
    qsizetype k = skipSpaces(wordEnd);
    const bool parenthesised = k < m_size && m_condition.at(k) == QLatin1Char('(');
    if (parenthesised)
        k = skipSpaces(k + 1);
    const qsizetype nameStop = nameEnd(k);
    if (nameStop == k || m_condition.at(k).isDigit()) {
        put(QStringLiteral("defined"));
        return wordEnd;
    }
    const QString name = m_condition.mid(k, nameStop - k);
    k = nameStop;
    if (parenthesised) {
        k = skipSpaces(k);
        if (k < m_size && m_condition.at(k) == QLatin1Char(')'))
            ++k;
    }
    putName(name);
    return k;
}

// A probe's argument (a header, an attribute) is no feature, and written out
// the viewer would find feature names in it.
qsizetype ConditionTranslator::readProbe(qsizetype wordEnd)
{
    const qsizetype k = skipSpaces(wordEnd);
    if (k >= m_size || m_condition.at(k) != QLatin1Char('('))
        return wordEnd;
    int depth = 0;
    qsizetype m = k;
    for (; m < m_size; ++m) {
        if (m_condition.at(m) == QLatin1Char('('))
            ++depth;
        else if (m_condition.at(m) == QLatin1Char(')') && --depth == 0)
            break;
    }
    m_out += QStringLiteral("(...)");
    return std::min(m + 1, m_size);
}

qsizetype ConditionTranslator::readNumber(qsizetype start)
{
    qsizetype j = start + 1;
    while (j < m_size) {
        const QChar d = m_condition.at(j);
        const QChar before = m_condition.at(j - 1);
        const bool exponentSign = (d == QLatin1Char('+') || d == QLatin1Char('-'))
            && QStringLiteral("eEpP").contains(before);
        if (isWordChar(d) || d == QLatin1Char('.') || d == QLatin1Char('\'') || exponentSign)
            ++j;
        else
            break;
    }
    put(QStringView(m_condition).mid(start, j - start));
    return j;
}

qsizetype ConditionTranslator::readLiteral(qsizetype start)
{
    const QChar quote = m_condition.at(start);
    qsizetype j = start + 1;
    while (j < m_size && m_condition.at(j) != quote) {
        if (m_condition.at(j) == QLatin1Char('\\'))
            ++j;
        ++j;
    }
    j = std::min(j + 1, m_size);
    put(QStringView(m_condition).mid(start, j - start));
    return j;
}

} // namespace

QString translateCondition(const QString &condition, QStringList *names)
{
    return translateCondition(condition, names, QSet<QString>());
}

QString translateCondition(const QString &condition, QStringList *names,
                           const QSet<QString> &probeMacros)
{
    return ConditionTranslator(condition, names, probeMacros).run();
}

} // namespace ConditionalScanner
