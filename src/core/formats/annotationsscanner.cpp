#include "annotationsscanner.h"

#include "core/model/projectmodel.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int maxAttributes = 4;

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\t' || c == '\r';
}

bool isNameByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'
        || c == '-' || c == '.';
}

bool isWordByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A number as the project file writes it: optional minus, at most nine digits.
bool toNumber(const QString &text, int *number)
{
    const qsizetype digitsFrom = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (text.size() <= digitsFrom || text.size() - digitsFrom > 9)
        return false;
    int value = 0;
    for (qsizetype i = digitsFrom; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    *number = digitsFrom ? -value : value;
    return true;
}

int clampedDifference(int end, int start)
{
    const qint64 difference = qint64(end) - start;
    return int(std::clamp<qint64>(difference, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

// The five entities XML itself names; the scanner takes no others.
bool appendEntity(const char *&at, const char *end, QByteArray *out)
{
    static const struct
    {
        const char *name;
        char value;
    } entities[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
    for (const auto &entity : entities) {
        const std::size_t length = std::strlen(entity.name);
        if (std::size_t(end - at) > length && std::memcmp(at + 1, entity.name, length) == 0) {
            out->append(entity.value);
            at += 1 + length;
            return true;
        }
    }
    return false;
}

} // namespace

struct AnnotationsScanner::Tag
{
    QByteArray name;
    bool closing = false;
    bool empty = false; // <name/>
    int attributeCount = 0;
    QByteArray attributeNames[maxAttributes];
    QString attributeValues[maxAttributes];

    QString attribute(const char *wanted) const
    {
        for (int i = 0; i < attributeCount; ++i)
            if (attributeNames[i] == wanted)
                return attributeValues[i];
        return QString();
    }
    bool hasAttribute(const char *wanted) const
    {
        for (int i = 0; i < attributeCount; ++i)
            if (attributeNames[i] == wanted)
                return true;
        return false;
    }
};

AnnotationsScanner::AnnotationsScanner(ProjectModel *model, FeatureList *features)
    : m_target(model), m_features(features), m_matcher(features)
{
}

bool AnnotationsScanner::read(const QByteArray &bytes)
{
    // Text of another encoding, or with characters XML does not allow, is
    // left to the XML reader and its messages.
    if (!bytes.isValidUtf8())
        return false;
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) < 0x20 && !isSpace(c))
            return false;
    m_at = bytes.constData();
    m_end = m_at + bytes.size();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        m_at += 3;

    // The declaration, if any, must name UTF-8 or nothing.
    static const char declaration[] = "<?xml ";
    if (std::size_t(m_end - m_at) >= sizeof declaration - 1
        && std::memcmp(m_at, declaration, sizeof declaration - 1) == 0) {
        const char *close = static_cast<const char *>(std::memchr(m_at, '>', m_end - m_at));
        if (!close || close[-1] != '?')
            return false;
        const QByteArray text(m_at, close - m_at);
        const qsizetype encoding = text.indexOf("encoding");
        if (encoding >= 0 && !text.mid(encoding).contains("\"UTF-8\"")
            && !text.mid(encoding).contains("'UTF-8'") && !text.mid(encoding).contains("utf-8"))
            return false;
        m_at = close + 1;
    }

    ProjectModel read;
    m_model = &read;
    Tag tag;
    if (!skipSpace() || !readTag(&tag) || tag.closing || tag.name != "project"
        || !readContainer(nullptr, tag) || !skipSpace() || !atEnd())
        return false;
    read.copyFragmentsUp();
    read.pruneTree();
    *m_target = std::move(read);
    return true;
}

bool AnnotationsScanner::skipSpace()
{
    while (m_at < m_end && isSpace(*m_at))
        ++m_at;
    return true;
}

// A start, end or empty-element tag; the scanner is at its '<'.
bool AnnotationsScanner::readTag(Tag *tag)
{
    if (atEnd() || *m_at != '<')
        return false;
    ++m_at;
    tag->closing = m_at < m_end && *m_at == '/';
    if (tag->closing)
        ++m_at;
    const char *name = m_at;
    while (m_at < m_end && isNameByte(*m_at))
        ++m_at;
    if (m_at == name || !((*name >= 'a' && *name <= 'z') || (*name >= 'A' && *name <= 'Z')))
        return false;
    tag->name = QByteArray::fromRawData(name, m_at - name);
    tag->empty = false;
    tag->attributeCount = 0;
    for (;;) {
        const char *before = m_at;
        skipSpace();
        if (atEnd())
            return false;
        if (*m_at == '>') {
            ++m_at;
            return true;
        }
        if (*m_at == '/' && !tag->closing && m_end - m_at > 1 && m_at[1] == '>') {
            m_at += 2;
            tag->empty = true;
            return true;
        }
        // An attribute needs space before it; end tags have none.
        if (tag->closing || m_at == before || tag->attributeCount == maxAttributes)
            return false;
        const char *attribute = m_at;
        while (m_at < m_end && isNameByte(*m_at))
            ++m_at;
        if (m_at == attribute)
            return false;
        const QByteArray attributeName = QByteArray::fromRawData(attribute, m_at - attribute);
        for (int i = 0; i < tag->attributeCount; ++i)
            if (tag->attributeNames[i] == attributeName)
                return false; // not well-formed
        skipSpace();
        if (atEnd() || *m_at != '=')
            return false;
        ++m_at;
        skipSpace();
        tag->attributeNames[tag->attributeCount] = attributeName;
        if (!readAttributeValue(&tag->attributeValues[tag->attributeCount]))
            return false;
        ++tag->attributeCount;
    }
}

bool AnnotationsScanner::readAttributeValue(QString *value)
{
    if (atEnd() || (*m_at != '"' && *m_at != '\''))
        return false;
    const char quote = *m_at++;
    QByteArray bytes;
    bool entities = false;
    for (const char *start = m_at; m_at < m_end; ++m_at) {
        const char c = *m_at;
        if (c == quote) {
            *value = entities ? QString::fromUtf8(bytes.append(start, m_at - start))
                              : QString::fromUtf8(start, m_at - start);
            ++m_at;
            return true;
        }
        // White space in values is normalised by XML readers; '<' is an error.
        if (c == '<' || c == '\t' || c == '\n' || c == '\r')
            return false;
        if (c == '&') {
            entities = true;
            bytes.append(start, m_at - start);
            if (!appendEntity(m_at, m_end, &bytes))
                return false;
            start = m_at--;
        }
    }
    return false;
}

// The text of a feature element, up to its end tag (the scanner stays at
// the '<' of that). Text that is white space alone is declined: the XML
// readers drop it.
bool AnnotationsScanner::readText(QString *text)
{
    QByteArray bytes;
    const char *start = m_at;
    for (; m_at < m_end && *m_at != '<'; ++m_at) {
        if (*m_at == '\r' || (*m_at == '>' && m_at - start >= 2 && m_at[-1] == ']'
                              && m_at[-2] == ']'))
            return false;
        if (*m_at == '&') {
            bytes.append(start, m_at - start);
            if (!appendEntity(m_at, m_end, &bytes))
                return false;
            start = m_at--;
        }
    }
    if (atEnd())
        return false;
    bytes.append(start, m_at - start);
    if (!bytes.isEmpty() && std::all_of(bytes.cbegin(), bytes.cend(), isSpace))
        return false;
    *text = QString::fromUtf8(bytes);
    return true;
}

// The children of a project or folder, up to its end tag.
bool AnnotationsScanner::readContainer(ProjectNode *parent, const Tag &tag)
{
    if (tag.hasAttribute("xmlns") || tag.name.contains(':'))
        return false;
    ProjectNode *node = addNode(parent, parent ? ProjectNode::Folder : ProjectNode::Project,
                                tag.attribute("name"));
    if (tag.empty)
        return true;
    Tag child;
    for (;;) {
        skipSpace();
        if (!readTag(&child))
            return false;
        if (child.closing)
            return child.name == tag.name;
        bool ok = false;
        if (child.name == "folder")
            ok = readContainer(node, child);
        else if (child.name == "file")
            ok = readFile(node, child);
        if (!ok)
            return false;
    }
}

bool AnnotationsScanner::readFile(ProjectNode *parent, const Tag &tag)
{
    const QString name = tag.attribute("name");
    int length = 0;
    // Files that are no sources are skipped with their content: left to the
    // XML reader, as are lengths that are not plain numbers.
    if (!ProjectModel::isSourceName(name)
        || (tag.hasAttribute("length") && !toNumber(tag.attribute("length"), &length)))
        return false;
    ProjectNode *file = addNode(parent, ProjectNode::File, name);
    file->length = length;
    if (!tag.empty) {
        Tag child;
        for (;;) {
            skipSpace();
            if (!readTag(&child))
                return false;
            if (child.closing) {
                if (child.name != "file")
                    return false;
                break;
            }
            if (child.name != "fragment" || !readFragment(file, child))
                return false;
        }
    }
    if (file->fragments.isEmpty())
        file->unannotatedLines = file->length;
    else
        file->computeUnannotatedLines(file->length);
    return true;
}

bool AnnotationsScanner::readFragment(ProjectNode *file, const Tag &tag)
{
    int start = 0;
    int end = 0;
    if ((tag.hasAttribute("startline") && !toNumber(tag.attribute("startline"), &start))
        || (tag.hasAttribute("endline") && !toNumber(tag.attribute("endline"), &end)))
        return false;
    QStringList texts;
    Tag child;
    if (!tag.empty) {
        for (;;) {
            skipSpace();
            if (!readTag(&child))
                return false;
            if (child.closing) {
                if (child.name != "fragment")
                    return false;
                break;
            }
            if (child.name != "feature")
                return false;
            QString text;
            if (!child.empty) {
                if (!readText(&text) || !readTag(&child) || !child.closing
                    || child.name != "feature")
                    return false;
            }
            // A feature text named like a source file would make rows of its own.
            if (ProjectModel::isSourceName(text))
                return false;
            texts.append(text);
        }
    }
    for (const QString &text : std::as_const(texts))
        addRecords(text, start, end, int(texts.size()), file);
    return true;
}

ProjectNode *AnnotationsScanner::addNode(ProjectNode *parent, int kind, const QString &name)
{
    ProjectNode *node = m_model->addNode(parent, kind, name);
    if (m_features && kind >= ProjectNode::Project && kind <= ProjectNode::File)
        node->featureLines.grow(int(m_features->size()));
    return node;
}

void AnnotationsScanner::addRecords(const QString &text, int startLine, int endLine, int count,
                                    ProjectNode *file)
{
    Fragment record;
    record.startLine = startLine;
    record.lineSpan = clampedDifference(endLine, startLine);
    record.featureCount = count;

    // Letters, digits and underscores make a plain name; for ASCII that is
    // decided here, anything else by the matcher's own rule.
    const bool ascii = std::all_of(text.cbegin(), text.cend(),
                                   [](QChar c) { return c.unicode() < 0x80; });
    const bool plain = ascii && !text.isEmpty()
        ? std::all_of(text.cbegin(), text.cend(),
                      [](QChar c) { return isWordByte(char(c.unicode())); })
        : FeatureMatcher::isPlainName(text);
    if (plain) {
        record.feature = m_matcher.featureByName(text);
        if (record.feature)
            file->addFragment(record);
        return;
    }
    record.expression = text;
    auto found = m_expressions.constFind(text);
    if (found == m_expressions.constEnd())
        found = m_expressions.insert(text, m_matcher.featuresInExpression(text));
    for (Feature *feature : *found) {
        record.feature = feature;
        file->addFragment(record);
    }
}
