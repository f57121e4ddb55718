#include "conditionalscanner.h"

#include "import/scannertext.h"

#include <algorithm>
#include <vector>

// Step 2 of the conditional scanner: the directives paired into
// conditionals, their branches into fragments.
namespace ConditionalScanner {

using Text::isName;

namespace {

using Kind = DirectiveKind;

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

// A directive's spelling for messages.
QString spelling(Language language, const QString &keyword)
{
    return (language == Language::Java ? QStringLiteral("//#") : QStringLiteral("#")) + keyword;
}

// One branch of a conditional: where it starts and what it reads.
struct Branch
{
    int start = 0;
    QString expression;
    QStringList names;
};

// One conditional between its #if and #endif.
struct OpenConditional
{
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

// Step 2: pairs the directives into conditionals and their branches into
// fragments.
class ConditionalBuilder
{
public:
    ConditionalBuilder(const Directives &directives, Language language, const Options &options)
        : m_directives(directives), m_language(language), m_options(options)
    {
        for (const QString &name : directives.probeMacros)
            m_options.probeMacros.insert(name);
    }

    Result run();

private:
    void open(int index, const Condition &condition);
    void addBranch(const Directive &directive, const Condition &condition);
    void close(int index);
    // The branch a directive starts; "if_0" for dead code when asked for.
    Branch branchOf(const Directive &directive, const QString &expression,
                    const QStringList &names, const Condition &own) const;
    bool isIncludeGuard(const OpenConditional &open, int endifIndex) const;
    bool isDefaultMacro(const OpenConditional &open) const;
    void warnWithout(const Directive &directive, const QString &keyword);
    QString spelled(const QString &keyword) const { return spelling(m_language, keyword); }

    const Directives &m_directives;
    const Language m_language;
    Options m_options;
    std::vector<OpenConditional> m_stack;
    Result m_result;
    bool m_wholeFile = false;
    Condition m_wholeFileCondition;
};

Result ConditionalBuilder::run()
{
    for (int index = 0; index < int(m_directives.list.size()); ++index) {
        const Directive &directive = m_directives.list.at(index);
        const Condition condition = conditionOf(directive, m_options.probeMacros);
        switch (directive.kind) {
        case Kind::Condition:
            if (!condition.names.isEmpty() && !m_wholeFile) {
                m_wholeFile = true;
                m_wholeFileCondition = condition;
            }
            break;
        case Kind::If:
        case Kind::Ifdef:
        case Kind::Ifndef:
            open(index, condition);
            break;
        case Kind::Elif:
        case Kind::Elifdef:
        case Kind::Elifndef:
        case Kind::Else:
            addBranch(directive, condition);
            break;
        case Kind::Endif:
            close(index);
            break;
        }
    }
    for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it) {
        m_result.warnings.append({it->line, spelled(QStringLiteral("if"))
                                                + QStringLiteral(" is not closed by ")
                                                + spelled(QStringLiteral("endif"))
                                                + QStringLiteral("; its branches are left out")});
    }
    std::sort(m_result.warnings.begin(), m_result.warnings.end(),
              [](const Warning &a, const Warning &b) { return a.line < b.line; });
    m_result.lineCount = m_directives.lineCount;
    if (m_wholeFile && m_result.lineCount > 0) {
        m_result.fragments.append({1, m_result.lineCount, m_wholeFileCondition.expression,
                                   m_wholeFileCondition.names});
        addNames(m_result.featureNames, m_wholeFileCondition.names);
    }
    std::stable_sort(m_result.fragments.begin(), m_result.fragments.end(),
                     [](const Fragment &a, const Fragment &b) {
                         return a.startLine != b.startLine ? a.startLine < b.startLine
                                                           : a.endLine > b.endLine;
                     });
    return m_result;
}

Branch ConditionalBuilder::branchOf(const Directive &directive, const QString &expression,
                                    const QStringList &names, const Condition &own) const
{
    const bool hasCondition = directive.kind == Kind::If || directive.kind == Kind::Elif;
    if (m_options.deadCodeAsFeature && hasCondition && isConstantZero(own.expression))
        return {directive.line, deadCodeFeature(), {deadCodeFeature()}};
    return {directive.line, expression, names};
}

void ConditionalBuilder::open(int index, const Condition &condition)
{
    const Directive &directive = m_directives.list.at(index);
    OpenConditional open;
    open.line = directive.line;
    open.directiveIndex = index;
    open.current = branchOf(directive, condition.expression, condition.names, condition);
    open.earlier.append(condition.expression);
    open.earlierNames = condition.names;
    m_stack.push_back(open);
}

void ConditionalBuilder::warnWithout(const Directive &directive, const QString &keyword)
{
    m_result.warnings.append({directive.line, spelled(keyword) + QStringLiteral(" without ")
                                                  + spelled(QStringLiteral("if"))
                                                  + QStringLiteral("; ignored")});
}

// A branch without a feature is no fragment.
void closeBranch(OpenConditional &open, int endLine)
{
    if (!open.current.names.isEmpty()) {
        open.closed.append(open.current);
        open.closedEnds.append(endLine);
    }
}

void ConditionalBuilder::addBranch(const Directive &directive, const Condition &condition)
{
    const bool isElse = directive.kind == Kind::Else;
    const QString keyword = isElse ? QStringLiteral("else")
        : directive.kind == Kind::Elif ? QStringLiteral("elif")
        : directive.kind == Kind::Elifdef ? QStringLiteral("elifdef")
                                           : QStringLiteral("elifndef");
    if (m_stack.empty()) {
        warnWithout(directive, keyword);
        return;
    }
    OpenConditional &open = m_stack.back();
    if (open.sawElse) {
        m_result.warnings.append({directive.line, spelled(keyword) + QStringLiteral(" after ")
                                                      + spelled(QStringLiteral("else"))
                                                      + QStringLiteral("; ignored")});
        return;
    }
    closeBranch(open, directive.line - 1);
    QStringList parts;
    for (const QString &earlier : std::as_const(open.earlier)) {
        if (!earlier.isEmpty())
            parts.append(negated(earlier));
    }
    QStringList branchNames = open.earlierNames;
    if (!isElse) {
        if (!condition.expression.isEmpty())
            parts.append(parts.isEmpty() ? condition.expression : grouped(condition.expression));
        addNames(branchNames, condition.names);
        open.earlier.append(condition.expression);
        addNames(open.earlierNames, condition.names);
    }
    open.sawElse = isElse;
    open.current = branchOf(directive, parts.join(QStringLiteral(" && ")), branchNames, condition);
    ++open.branches;
}

void ConditionalBuilder::close(int index)
{
    const Directive &directive = m_directives.list.at(index);
    if (m_stack.empty()) {
        warnWithout(directive, QStringLiteral("endif"));
        return;
    }
    OpenConditional open = m_stack.back();
    m_stack.pop_back();
    closeBranch(open, directive.lastLine);
    // An include guard encloses the whole file and is no fragment.
    if (isIncludeGuard(open, index))
        return;
    const bool defaultMacro = isDefaultMacro(open);
    for (qsizetype b = 0; b < open.closed.size(); ++b) {
        const Branch &branch = open.closed.at(b);
        m_result.fragments.append(
            {branch.start, open.closedEnds.at(b), branch.expression, branch.names, defaultMacro});
        addNames(m_result.featureNames, branch.names);
    }
}

// A single branch that reads "!X" for one name X, opened by #ifndef or #if.
bool isNegatedName(const Directives &directives, const OpenConditional &open)
{
    const Kind kind = directives.list.at(open.directiveIndex).kind;
    return open.branches == 1 && open.closed.size() == 1 && open.closed.front().names.size() == 1
        && open.closed.front().expression == QLatin1Char('!') + open.closed.front().names.front()
        && (kind == Kind::Ifndef || kind == Kind::If);
}

bool ConditionalBuilder::isIncludeGuard(const OpenConditional &open, int endifIndex) const
{
    const Directive &first = m_directives.list.front();
    const Directive &endif = m_directives.list.at(endifIndex);
    return m_language == Language::C && open.directiveIndex == 0
        && endifIndex + 1 == m_directives.list.size() && !m_directives.contentBeforeFirst
        && isNegatedName(m_directives, open) && !m_directives.defineAfterFirst.isEmpty()
        && m_directives.defineAfterFirst == open.closed.front().names.front()
        && m_directives.firstContentAfterFirst > first.lastLine
        && m_directives.lastContentLine < endif.line;
}

bool ConditionalBuilder::isDefaultMacro(const OpenConditional &open) const
{
    return m_language == Language::C && isNegatedName(m_directives, open)
        && m_directives.list.at(open.directiveIndex).firstDefine
               == open.closed.front().names.front();
}

} // namespace

QString deadCodeFeature()
{
    return QStringLiteral("if_0");
}

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

Condition conditionOf(const Directive &directive, const QSet<QString> &probeMacros)
{
    Condition condition;
    switch (directive.kind) {
    case Kind::If:
    case Kind::Elif:
    case Kind::Condition:
        condition.expression = translateCondition(directive.text, &condition.names, probeMacros);
        break;
    case Kind::Ifdef:
    case Kind::Elifdef:
    case Kind::Ifndef:
    case Kind::Elifndef: {
        // Only the name counts; whatever follows it is no condition.
        QString name = directive.text.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
        // Whether a probe exists is asked like whether any macro does: the
        // probe's name is a feature here, as in "defined(__has_attribute)".
        if (name.startsWith(QLatin1String("__has_")) && isName(name))
            name = QStringLiteral("defined ") + name;
        condition.expression = translateCondition(name, &condition.names);
        if (directive.kind == Kind::Ifndef || directive.kind == Kind::Elifndef)
            condition.expression = negated(condition.expression);
        break;
    }
    case Kind::Else:
    case Kind::Endif:
        break;
    }
    return condition;
}

QString negated(const QString &condition)
{
    if (isName(condition))
        return QLatin1Char('!') + condition;
    if (condition.startsWith(QLatin1Char('!')) && isName(QStringView(condition).mid(1)))
        return condition.mid(1);
    return QStringLiteral("!(") + condition + QLatin1Char(')');
}

bool isConstantZero(const QString &condition)
{
    QString bare = condition;
    bare.remove(QLatin1Char(' '));
    while (bare.size() > 2 && bare.startsWith(QLatin1Char('(')) && bare.endsWith(QLatin1Char(')')))
        bare = bare.mid(1, bare.size() - 2);
    return !bare.isEmpty() && std::all_of(bare.begin(), bare.end(), [](QChar c) {
        return c == QLatin1Char('0');
    });
}

Result scan(const QByteArray &bytes, Language language, const Options &options)
{
    return scan(findDirectives(bytes, language), language, options);
}

Result scan(const Directives &directives, Language language, const Options &options)
{
    return ConditionalBuilder(directives, language, options).run();
}

} // namespace ConditionalScanner
