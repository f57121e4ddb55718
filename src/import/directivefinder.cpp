#include "conditionalscanner.h"

#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <cstring>

// Step 1 of the conditional scanner: the directives of a file.
namespace ConditionalScanner {

namespace {

using Kind = DirectiveKind;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r';
}

const char *skipBlanks(const char *p, const char *end)
{
    while (p < end && isBlank(*p))
        ++p;
    return p;
}

const char *findCommentEnd(const char *p, const char *end)
{
    return static_cast<const char *>(memmem(p, size_t(end - p), "*/", 2));
}

// Walks one line of C or Java text that may start inside a block comment;
// appends what lies outside comments to out (a comment as one space) and
// tells whether anything but white space lies outside them. String and
// character literals are skipped whole, so a "/*" inside one opens nothing.
bool lexLine(const char *p, const char *end, bool &inBlock, QByteArray *out)
{
    bool content = false;
    while (p < end) {
        if (inBlock) {
            const char *close = findCommentEnd(p, end);
            if (!close)
                return content;
            p = close + 2;
            inBlock = false;
            if (out)
                out->append(' ');
            continue;
        }
        const char c = *p;
        if (c == '/' && p + 1 < end && p[1] == '*') {
            inBlock = true;
            p += 2;
            continue;
        }
        if (c == '/' && p + 1 < end && p[1] == '/')
            return content;
        if (c == '"' || c == '\'') {
            const char *q = p + 1;
            while (q < end && *q != c) {
                if (*q == '\\' && q + 1 < end)
                    ++q;
                ++q;
            }
            if (q < end)
                ++q;
            if (out)
                out->append(p, q - p);
            content = true;
            p = q;
            continue;
        }
        if (!isBlank(c))
            content = true;
        if (out)
            out->append(c);
        ++p;
    }
    return content;
}

bool conditionalKind(const QByteArray &keyword, Language language, Kind *kind)
{
    static const struct
    {
        const char *name;
        Kind kind;
    } keywords[] = {
        {"if", Kind::If},           {"ifdef", Kind::Ifdef}, {"ifndef", Kind::Ifndef},
        {"elif", Kind::Elif},       {"elifdef", Kind::Elifdef},
        {"elifndef", Kind::Elifndef}, {"else", Kind::Else}, {"endif", Kind::Endif},
        {"condition", Kind::Condition},
    };
    for (const auto &entry : keywords) {
        if (keyword == entry.name) {
            if (entry.kind == Kind::Condition && language != Language::Java)
                return false;
            *kind = entry.kind;
            return true;
        }
    }
    return false;
}

// Step 1: reads a file line by line, keeping its conditional directives and
// noting where content lies (for include guards and default macros).
class DirectiveFinder
{
public:
    DirectiveFinder(const QByteArray &bytes, Language language)
        : m_bytes(bytes), m_language(language), m_end(bytes.constData() + bytes.size())
    {
    }

    Directives run();

private:
    // Makes the line at m_p the current one.
    void enterLine();
    // Moves on to the next physical line.
    void advanceLine()
    {
        m_p = m_next;
        enterLine();
    }
    QByteArray joinContinuedLines(const char *from);
    void readCDirective(const char *hash);
    void readJavaDirective(const char *slashes);
    void readCode(const char *first);
    void addDirective(Kind kind, int line, const QByteArray &text);
    void noteContent(int line, const QString &defineName);
    void notePossibleProbe(const QByteArray &definition, qsizetype nameStop);
    QString decode(const QByteArray &text);

    const QByteArray &m_bytes;
    const Language m_language;
    const char *const m_end;
    const char *m_p = nullptr;       // start of the current line
    const char *m_lineEnd = nullptr; // its line end (or the end of the text)
    const char *m_next = nullptr;    // start of the line after it
    int m_line = 0;
    bool m_inComment = false;
    bool m_contentAfterLast = false; // content seen since the last directive
    int m_utf8 = -1;                 // decided only when a directive holds a byte beyond ASCII
    Directives m_result;
};

Directives DirectiveFinder::run()
{
    m_p = m_bytes.constData();
    while (m_p < m_end) {
        enterLine();
        if (m_inComment) {
            if (lexLine(m_p, m_lineEnd, m_inComment, nullptr))
                noteContent(m_line, QString());
        } else {
            const char *q = skipBlanks(m_p, m_lineEnd);
            if (q == m_lineEnd) {
                // an empty line
            } else if (m_language == Language::C && *q == '#') {
                readCDirective(q);
            } else if (*q == '/' && q + 1 < m_lineEnd && q[1] == '/') {
                // A line comment: in Java it may be a directive.
                if (m_language == Language::Java)
                    readJavaDirective(q);
            } else {
                readCode(q);
            }
        }
        m_p = m_next;
    }
    m_result.lineCount = m_line;
    return m_result;
}

void DirectiveFinder::enterLine()
{
    ++m_line;
    const char *eol = static_cast<const char *>(std::memchr(m_p, '\n', size_t(m_end - m_p)));
    m_lineEnd = eol ? eol : m_end;
    m_next = eol ? eol + 1 : m_end;
}

// The text of a line from `from` on, joined with the lines a backslash at its
// end continues.
QByteArray DirectiveFinder::joinContinuedLines(const char *from)
{
    QByteArray logical;
    const char *s = from;
    for (;;) {
        const char *t = m_lineEnd;
        while (t > s && t[-1] == '\r')
            --t;
        if (t > s && t[-1] == '\\' && m_next < m_end) {
            logical.append(s, t - 1 - s);
            advanceLine();
            s = m_p;
            continue;
        }
        logical.append(s, t - s);
        return logical;
    }
}

void DirectiveFinder::readCDirective(const char *hash)
{
    const int firstLine = m_line;
    QByteArray text;
    const char *from = hash + 1;
    for (;;) {
        const QByteArray logical = joinContinuedLines(from);
        lexLine(logical.constData(), logical.constData() + logical.size(), m_inComment, &text);
        // A comment that goes on over further lines is one space of the
        // directive, which goes on after it.
        if (!m_inComment || m_next >= m_end)
            break;
        advanceLine();
        from = m_p;
    }
    const qsizetype k = skipBlanks(text.constData(), text.constData() + text.size())
                        - text.constData();
    qsizetype keywordEnd = k;
    while (keywordEnd < text.size() && std::isalpha(uchar(text.at(keywordEnd))))
        ++keywordEnd;
    const QByteArray keyword = text.mid(k, keywordEnd - k);
    Kind kind;
    if (conditionalKind(keyword, m_language, &kind)) {
        addDirective(kind, firstLine, text.mid(keywordEnd).trimmed());
    } else if (keyword == "define") {
        const QByteArray rest = text.mid(keywordEnd).trimmed();
        qsizetype nameStop = 0;
        while (nameStop < rest.size()
               && (std::isalnum(uchar(rest.at(nameStop))) || rest.at(nameStop) == '_'))
            ++nameStop;
        noteContent(firstLine, QString::fromLatin1(rest.left(nameStop)));
        notePossibleProbe(rest, nameStop);
    } else if (!keyword.isEmpty()) {
        noteContent(firstLine, QString());
    }
}

void DirectiveFinder::readJavaDirective(const char *slashes)
{
    const char *r = skipBlanks(slashes + 2, m_lineEnd);
    if (r == m_lineEnd || *r != '#')
        return;
    const char *keyword = skipBlanks(r + 1, m_lineEnd);
    const char *keywordEnd = keyword;
    while (keywordEnd < m_lineEnd && std::isalpha(uchar(*keywordEnd)))
        ++keywordEnd;
    Kind kind;
    if (!conditionalKind(QByteArray(keyword, keywordEnd - keyword), m_language, &kind))
        return;
    QByteArray text;
    bool commentInside = false;
    lexLine(keywordEnd, m_lineEnd, commentInside, &text);
    addDirective(kind, m_line, text.trimmed());
}

void DirectiveFinder::readCode(const char *first)
{
    // Only a line that may open a block comment needs a closer look.
    bool content = true;
    for (const char *slash = first; slash < m_lineEnd;) {
        slash = static_cast<const char *>(std::memchr(slash, '/', size_t(m_lineEnd - slash)));
        if (!slash)
            break;
        if (slash + 1 < m_lineEnd && slash[1] == '*') {
            content = lexLine(first, m_lineEnd, m_inComment, nullptr);
            break;
        }
        ++slash;
    }
    if (content)
        noteContent(m_line, QString());
}

void DirectiveFinder::addDirective(Kind kind, int line, const QByteArray &text)
{
    m_result.list.append({kind, line, m_line, decode(text), QString()});
    m_contentAfterLast = false;
}

void DirectiveFinder::noteContent(int line, const QString &defineName)
{
    if (m_result.list.isEmpty()) {
        m_result.contentBeforeFirst = true;
    } else {
        if (m_result.firstContentAfterFirst == 0) {
            m_result.firstContentAfterFirst = line;
            m_result.defineAfterFirst = defineName;
        }
        if (!m_contentAfterLast)
            m_result.list.last().firstDefine = defineName;
    }
    m_contentAfterLast = true;
    m_result.lastContentLine = line;
}

// "#define NAME(x) __has_...(x)": NAME asks what a probe asks.
void DirectiveFinder::notePossibleProbe(const QByteArray &definition, qsizetype nameStop)
{
    if (nameStop == 0 || nameStop >= definition.size() || definition.at(nameStop) != '(')
        return;
    const qsizetype close = definition.indexOf(')', nameStop);
    if (close < 0)
        return;
    for (qsizetype at = definition.indexOf("__has_", close); at >= 0;
         at = definition.indexOf("__has_", at + 1)) {
        const char before = definition.at(at - 1);
        if (std::isalnum(uchar(before)) || before == '_')
            continue;
        const QString name = QString::fromLatin1(definition.left(nameStop));
        if (!m_result.probeMacros.contains(name))
            m_result.probeMacros.append(name);
        return;
    }
}

QString DirectiveFinder::decode(const QByteArray &text)
{
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x80; });
    if (ascii)
        return QString::fromLatin1(text);
    if (m_utf8 < 0) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder.decode(m_bytes); // decoding is lazy: this does it
        m_utf8 = decoder.hasError() ? 0 : 1;
    }
    return m_utf8 ? QString::fromUtf8(text) : QString::fromLatin1(text);
}

} // namespace

Directives findDirectives(const QByteArray &bytes, Language language)
{
    return DirectiveFinder(bytes, language).run();
}

} // namespace ConditionalScanner
