#include "conditionalscanner.h"

#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace ConditionalScanner {

namespace {

enum class Kind { If, Ifdef, Ifndef, Elif, Elifdef, Elifndef, Else, Endif, Condition };

struct Directive
{
    Kind kind;
    int line;     // first physical line
    int lastLine; // last physical line (a C directive may be continued)
    QString text; // the condition, comments removed
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r';
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

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

bool isName(QStringView text)
{
    if (text.isEmpty() || text.front().isDigit())
        return false;
    return std::all_of(text.begin(), text.end(), isWordChar);
}

QString negated(const QString &condition)
{
    if (isName(condition))
        return QLatin1Char('!') + condition;
    if (condition.startsWith(QLatin1Char('!')) && isName(QStringView(condition).mid(1)))
        return condition.mid(1);
    return QStringLiteral("!(") + condition + QLatin1Char(')');
}

QString grouped(const QString &condition)
{
    if (isName(condition)
        || (condition.startsWith(QLatin1Char('!')) && isName(QStringView(condition).mid(1))))
        return condition;
    return QLatin1Char('(') + condition + QLatin1Char(')');
}

void addNames(QStringList &to, const QStringList &names)
{
    for (const QString &name : names) {
        if (!to.contains(name))
            to.append(name);
    }
}

// One conditional between its #if and #endif.
struct OpenConditional
{
    struct Branch
    {
        int start = 0;
        QString expression;
        QStringList names;
    };

    int line = 0;
    int directiveIndex = 0;
    QStringList earlier; // conditions of the branches so far
    QStringList earlierNames;
    Branch current;
    QList<Branch> closed;
    QList<int> closedEnds;
    int branches = 1;
    bool sawElse = false;
};

// A directive's spelling for messages.
QString spelling(Language language, const QString &keyword)
{
    return (language == Language::Java ? QStringLiteral("//#") : QStringLiteral("#")) + keyword;
}

} // namespace

bool languageOf(const QString &fileName, Language *language)
{
    if (fileName.endsWith(QLatin1String(".java"))) {
        *language = Language::Java;
        return true;
    }
    if (fileName.endsWith(QLatin1String(".c")) || fileName.endsWith(QLatin1String(".h"))) {
        *language = Language::C;
        return true;
    }
    return false;
}

QString translateCondition(const QString &condition, QStringList *names)
{
    QString out;
    bool space = false;
    const qsizetype n = condition.size();
    const auto put = [&](QStringView token) {
        if (space && !out.isEmpty())
            out += QLatin1Char(' ');
        space = false;
        out += token;
    };
    const auto skipSpaces = [&](qsizetype k) {
        while (k < n && condition.at(k).isSpace())
            ++k;
        return k;
    };
    // A name runs over word characters, "$" and a "." between word characters.
    const auto nameEnd = [&](qsizetype k) {
        while (k < n) {
            const QChar c = condition.at(k);
            if (isWordChar(c) || c == QLatin1Char('$') || c.isMark()
                || (c == QLatin1Char('.') && k + 1 < n && isWordChar(condition.at(k + 1))))
                ++k;
            else
                break;
        }
        return k;
    };
    const auto putName = [&](QString name) {
        for (QChar &c : name) {
            if (!isWordChar(c))
                c = QLatin1Char('_');
        }
        put(name);
        if (names && !names->contains(name))
            names->append(name);
    };

    qsizetype i = 0;
    while (i < n) {
        const QChar c = condition.at(i);
        // A control character could not be written into the project file.
        if (c.isSpace() || c.unicode() < 0x20 || c.unicode() == 0x7f) {
            space = true;
            ++i;
            continue;
        }
        if (c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('$')) {
            const qsizetype j = nameEnd(i);
            const QString word = condition.mid(i, j - i);
            if (word == QLatin1String("defined")) {
                qsizetype k = skipSpaces(j);
                const bool parenthesised = k < n && condition.at(k) == QLatin1Char('(');
                if (parenthesised)
                    k = skipSpaces(k + 1);
                const qsizetype nameStop = nameEnd(k);
                if (nameStop > k && !condition.at(k).isDigit()) {
                    const QString name = condition.mid(k, nameStop - k);
                    k = nameStop;
                    if (parenthesised) {
                        k = skipSpaces(k);
                        if (k < n && condition.at(k) == QLatin1Char(')'))
                            ++k;
                    }
                    putName(name);
                    i = k;
                    continue;
                }
                put(word);
                i = j;
                continue;
            }
            if (word.startsWith(QLatin1String("__has_"))) {
                // A probe's argument (a header, an attribute) is no feature,
                // and written out the viewer would find feature names in it.
                put(word);
                qsizetype k = skipSpaces(j);
                if (k < n && condition.at(k) == QLatin1Char('(')) {
                    int depth = 0;
                    qsizetype m = k;
                    for (; m < n; ++m) {
                        if (condition.at(m) == QLatin1Char('('))
                            ++depth;
                        else if (condition.at(m) == QLatin1Char(')') && --depth == 0)
                            break;
                    }
                    out += QStringLiteral("(...)");
                    i = std::min(m + 1, n);
                } else {
                    i = j;
                }
                continue;
            }
            if (word == QLatin1String("true") || word == QLatin1String("false"))
                put(word);
            else
                putName(word);
            i = j;
            continue;
        }
        if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && condition.at(i + 1).isDigit())) {
            qsizetype j = i + 1;
            while (j < n) {
                const QChar d = condition.at(j);
                const QChar before = condition.at(j - 1);
                const bool exponentSign = (d == QLatin1Char('+') || d == QLatin1Char('-'))
                    && QStringLiteral("eEpP").contains(before);
                if (isWordChar(d) || d == QLatin1Char('.') || d == QLatin1Char('\'')
                    || exponentSign)
                    ++j;
                else
                    break;
            }
            put(QStringView(condition).mid(i, j - i));
            i = j;
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            qsizetype j = i + 1;
            while (j < n && condition.at(j) != c) {
                if (condition.at(j) == QLatin1Char('\\'))
                    ++j;
                ++j;
            }
            j = std::min(j + 1, n);
            put(QStringView(condition).mid(i, j - i));
            i = j;
            continue;
        }
        put(QStringView(&condition.constData()[i], 1));
        ++i;
    }
    // Not even inside a literal.
    for (QChar &c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    return out;
}

Result scan(const QByteArray &bytes, Language language)
{
    Result result;
    const char *data = bytes.constData();
    const char *const end = data + bytes.size();

    // Decided only when a directive holds a byte beyond ASCII.
    int utf8 = -1;
    const auto decode = [&](const QByteArray &text) {
        const bool ascii = std::all_of(text.begin(), text.end(),
                                       [](char c) { return uchar(c) < 0x80; });
        if (ascii)
            return QString::fromLatin1(text);
        if (utf8 < 0) {
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            const QString decoded = decoder.decode(bytes); // decoding is lazy: this does it
            utf8 = decoder.hasError() ? 0 : 1;
        }
        return utf8 ? QString::fromUtf8(text) : QString::fromLatin1(text);
    };

    std::vector<Directive> directives;
    // What tells an include guard: lines with content (code or directives
    // other than conditionals) around the first conditional.
    bool contentBeforeFirst = false;
    int firstContentAfterFirst = 0;
    QByteArray defineAfterFirst; // the name when that content is "#define NAME"
    int lastContentLine = 0;
    const auto noteContent = [&](int line, const QByteArray &defineName) {
        if (directives.empty())
            contentBeforeFirst = true;
        else if (firstContentAfterFirst == 0) {
            firstContentAfterFirst = line;
            defineAfterFirst = defineName;
        }
        lastContentLine = line;
    };

    int line = 0;
    bool inBlock = false;
    const char *p = data;
    while (p < end) {
        ++line;
        const char *eol = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)));
        const char *lineEnd = eol ? eol : end;
        const char *next = eol ? eol + 1 : end;

        if (inBlock) {
            if (lexLine(p, lineEnd, inBlock, nullptr))
                noteContent(line, QByteArray());
            p = next;
            continue;
        }
        const char *q = p;
        while (q < lineEnd && isBlank(*q))
            ++q;
        if (q == lineEnd) {
            p = next;
            continue;
        }

        if (language == Language::C && *q == '#') {
            // Join the lines a backslash continues.
            const int firstLine = line;
            QByteArray logical;
            const char *s = q + 1;
            for (;;) {
                const char *t = lineEnd;
                while (t > s && t[-1] == '\r')
                    --t;
                if (t > s && t[-1] == '\\' && next < end) {
                    logical.append(s, t - 1 - s);
                    s = next;
                    ++line;
                    eol = static_cast<const char *>(std::memchr(s, '\n', size_t(end - s)));
                    lineEnd = eol ? eol : end;
                    next = eol ? eol + 1 : end;
                    continue;
                }
                logical.append(s, t - s);
                break;
            }
            QByteArray text;
            lexLine(logical.constData(), logical.constData() + logical.size(), inBlock, &text);
            qsizetype k = 0;
            while (k < text.size() && isBlank(text.at(k)))
                ++k;
            qsizetype keywordEnd = k;
            while (keywordEnd < text.size() && std::isalpha(uchar(text.at(keywordEnd))))
                ++keywordEnd;
            const QByteArray keyword = text.mid(k, keywordEnd - k);
            Kind kind;
            if (conditionalKind(keyword, language, &kind)) {
                directives.push_back(
                    {kind, firstLine, line, decode(text.mid(keywordEnd).trimmed())});
            } else if (keyword == "define") {
                QByteArray rest = text.mid(keywordEnd).trimmed();
                qsizetype nameStop = 0;
                while (nameStop < rest.size()
                       && (std::isalnum(uchar(rest.at(nameStop))) || rest.at(nameStop) == '_'))
                    ++nameStop;
                noteContent(firstLine, rest.left(nameStop));
            } else if (!keyword.isEmpty()) {
                noteContent(firstLine, QByteArray());
            }
            p = next;
            continue;
        }

        if (*q == '/' && q + 1 < lineEnd && q[1] == '/') {
            // A line comment: in Java it may be a directive.
            if (language == Language::Java) {
                const char *r = q + 2;
                while (r < lineEnd && isBlank(*r))
                    ++r;
                if (r < lineEnd && *r == '#') {
                    const char *keyword = r + 1;
                    while (keyword < lineEnd && isBlank(*keyword))
                        ++keyword;
                    const char *keywordEnd = keyword;
                    while (keywordEnd < lineEnd && std::isalpha(uchar(*keywordEnd)))
                        ++keywordEnd;
                    Kind kind;
                    if (conditionalKind(QByteArray(keyword, keywordEnd - keyword), language,
                                        &kind)) {
                        QByteArray text;
                        bool commentInside = false;
                        lexLine(keywordEnd, lineEnd, commentInside, &text);
                        directives.push_back({kind, line, line, decode(text.trimmed())});
                    }
                }
            }
            p = next;
            continue;
        }

        // Only a line that may open a block comment needs a closer look.
        bool content = true;
        for (const char *slash = q; slash < lineEnd;) {
            slash = static_cast<const char *>(std::memchr(slash, '/', size_t(lineEnd - slash)));
            if (!slash)
                break;
            if (slash + 1 < lineEnd && slash[1] == '*') {
                content = lexLine(q, lineEnd, inBlock, nullptr);
                break;
            }
            ++slash;
        }
        if (content)
            noteContent(line, QByteArray());
        p = next;
    }
    result.lineCount = line;

    // The conditionals, innermost closed first.
    std::vector<OpenConditional> stack;
    QList<Fragment> fragments;
    QStringList names;
    const auto closeBranch = [](OpenConditional &open, int endLine) {
        if (!open.current.names.isEmpty()) {
            open.closed.append(open.current);
            open.closedEnds.append(endLine);
        }
    };
    bool wholeFile = false;
    QString wholeFileExpression;
    QStringList wholeFileNames;

    const QString ifName = spelling(language, QStringLiteral("if"));
    for (size_t index = 0; index < directives.size(); ++index) {
        const Directive &directive = directives[index];
        QStringList conditionNames;
        QString condition;
        switch (directive.kind) {
        case Kind::If:
        case Kind::Elif:
        case Kind::Condition:
            condition = translateCondition(directive.text, &conditionNames);
            break;
        case Kind::Ifdef:
        case Kind::Elifdef:
        case Kind::Ifndef:
        case Kind::Elifndef: {
            // Only the name counts; whatever follows it is no condition.
            const QString name = directive.text.section(QLatin1Char(' '), 0, 0,
                                                        QString::SectionSkipEmpty);
            condition = translateCondition(name, &conditionNames);
            if (directive.kind == Kind::Ifndef || directive.kind == Kind::Elifndef)
                condition = negated(condition);
            break;
        }
        case Kind::Else:
        case Kind::Endif:
            break;
        }

        switch (directive.kind) {
        case Kind::Condition:
            if (!conditionNames.isEmpty() && !wholeFile) {
                wholeFile = true;
                wholeFileExpression = condition;
                wholeFileNames = conditionNames;
            }
            break;
        case Kind::If:
        case Kind::Ifdef:
        case Kind::Ifndef: {
            OpenConditional open;
            open.line = directive.line;
            open.directiveIndex = int(index);
            open.current = {directive.line, condition, conditionNames};
            open.earlier.append(condition);
            open.earlierNames = conditionNames;
            stack.push_back(open);
            break;
        }
        case Kind::Elif:
        case Kind::Elifdef:
        case Kind::Elifndef:
        case Kind::Else: {
            const bool isElse = directive.kind == Kind::Else;
            const QString keyword = isElse ? QStringLiteral("else")
                : directive.kind == Kind::Elif ? QStringLiteral("elif")
                : directive.kind == Kind::Elifdef ? QStringLiteral("elifdef")
                                                   : QStringLiteral("elifndef");
            if (stack.empty()) {
                result.warnings.append({directive.line, spelling(language, keyword)
                                                            + QStringLiteral(" without ") + ifName
                                                            + QStringLiteral("; ignored")});
                break;
            }
            OpenConditional &open = stack.back();
            if (open.sawElse) {
                result.warnings.append(
                    {directive.line, spelling(language, keyword) + QStringLiteral(" after ")
                                         + spelling(language, QStringLiteral("else"))
                                         + QStringLiteral("; ignored")});
                break;
            }
            closeBranch(open, directive.line - 1);
            QStringList parts;
            for (const QString &earlier : std::as_const(open.earlier)) {
                if (!earlier.isEmpty())
                    parts.append(negated(earlier));
            }
            QStringList branchNames = open.earlierNames;
            if (!isElse) {
                if (!condition.isEmpty())
                    parts.append(parts.isEmpty() ? condition : grouped(condition));
                addNames(branchNames, conditionNames);
                open.earlier.append(condition);
                addNames(open.earlierNames, conditionNames);
            }
            open.sawElse = isElse;
            open.current = {directive.line, parts.join(QStringLiteral(" && ")), branchNames};
            ++open.branches;
            break;
        }
        case Kind::Endif: {
            if (stack.empty()) {
                result.warnings.append({directive.line,
                                        spelling(language, QStringLiteral("endif"))
                                            + QStringLiteral(" without ") + ifName
                                            + QStringLiteral("; ignored")});
                break;
            }
            OpenConditional open = stack.back();
            stack.pop_back();
            closeBranch(open, directive.lastLine);
            // An include guard encloses the whole file and is no fragment.
            const Directive &first = directives.front();
            const bool guard = language == Language::C && open.directiveIndex == 0
                && open.branches == 1 && index + 1 == directives.size() && !contentBeforeFirst
                && open.closed.size() == 1 && open.closed.front().names.size() == 1
                && open.closed.front().expression
                       == QLatin1Char('!') + open.closed.front().names.front()
                && (first.kind == Kind::Ifndef || first.kind == Kind::If)
                && !defineAfterFirst.isEmpty()
                && QString::fromLatin1(defineAfterFirst) == open.closed.front().names.front()
                && firstContentAfterFirst > first.lastLine && lastContentLine < directive.line;
            if (guard)
                break;
            for (qsizetype b = 0; b < open.closed.size(); ++b) {
                const OpenConditional::Branch &branch = open.closed.at(b);
                fragments.append({branch.start, open.closedEnds.at(b), branch.expression});
                addNames(names, branch.names);
            }
            break;
        }
        }
    }
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        result.warnings.append({it->line, ifName + QStringLiteral(" is not closed by ")
                                              + spelling(language, QStringLiteral("endif"))
                                              + QStringLiteral("; its branches are left out")});
    }
    std::sort(result.warnings.begin(), result.warnings.end(),
              [](const Warning &a, const Warning &b) { return a.line < b.line; });

    if (wholeFile && result.lineCount > 0) {
        fragments.append({1, result.lineCount, wholeFileExpression});
        addNames(names, wholeFileNames);
    }
    std::stable_sort(fragments.begin(), fragments.end(), [](const Fragment &a, const Fragment &b) {
        return a.startLine != b.startLine ? a.startLine < b.startLine : a.endLine > b.endLine;
    });
    result.fragments = fragments;
    result.featureNames = names;
    return result;
}

} // namespace ConditionalScanner
