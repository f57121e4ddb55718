#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Finds the conditional blocks of a source file: C preprocessor lines
// (#if, #ifdef, #ifndef, #elif, #else, #endif) and, in Java, the same as
// line comments ("//#if ...") with "//#condition" for the whole file. Every
// branch of a conditional becomes one fragment whose feature expression is
// the branch's condition in the viewer's syntax: "defined(A)" reads "A",
// "#ifndef A" reads "!A", an "#elif" or "#else" adds the negation of the
// branches before it. A branch covers its directive line up to the line
// before the next directive of the same conditional; the last branch
// includes the "#endif".
namespace ConditionalScanner {

enum class Language { C, Java };

struct Fragment
{
    Fragment() = default;
    Fragment(int startLine, int endLine, const QString &expression,
             const QStringList &names = QStringList(), bool defaultMacro = false)
        : startLine(startLine), endLine(endLine), expression(expression), names(names),
          defaultMacro(defaultMacro)
    {
    }

    int startLine = 0; // counted from 1
    int endLine = 0;   // inclusive
    QString expression;
    QStringList names; // the feature names the expression uses
    // "#ifndef X" (or "#if !defined(X)") without other branches whose first
    // content is "#define X": a default value rather than a choice.
    bool defaultMacro = false;

    bool operator==(const Fragment &other) const
    {
        return startLine == other.startLine && endLine == other.endLine
            && expression == other.expression && names == other.names
            && defaultMacro == other.defaultMacro;
    }
};

struct Warning
{
    int line = 0;
    QString text;
};

struct Result
{
    int lineCount = 0; // as the viewer counts them: a last line without line end counts
    QList<Fragment> fragments; // by start line, enclosing fragments first
    QStringList featureNames;  // the names the fragments use, each once
    QList<Warning> warnings;   // unbalanced directives
};

struct Options
{
    // A branch whose condition is the constant 0 ("#if 0") becomes a fragment
    // of the feature deadCodeFeature(), so that dead code is not read as base
    // code; otherwise, naming no feature, it is no fragment.
    bool deadCodeAsFeature = false;
    // Function-like macros that stand for a "__has_..." probe, defined in
    // other files ("#define HAS_ATTRIBUTE(x) __has_attribute(x)"); those a
    // file defines itself are found in it.
    QSet<QString> probeMacros;
};

// "if_0": the feature of the branches that are never compiled.
QString deadCodeFeature();

// The language a file name belongs to; false for files that are no sources
// (the viewer's rule: ".java", ".c" or ".h", case-sensitive).
bool languageOf(const QString &fileName, Language *language);

Result scan(const QByteArray &bytes, Language language, const Options &options = Options());

// A condition's text in the viewer's expression syntax, with the feature
// names it uses. Names are what a condition names apart from "defined",
// "true", "false", the "__has_..." probes and their arguments, and numbers;
// a character that may not stand in a feature name ("$", ".") becomes "_",
// and a probe's argument is written "(...)".
QString translateCondition(const QString &condition, QStringList *names);
// The same where the given function-like macros are probes too.
QString translateCondition(const QString &condition, QStringList *names,
                           const QSet<QString> &probeMacros);

// The steps of scan(), each usable on its own.

enum class DirectiveKind { If, Ifdef, Ifndef, Elif, Elifdef, Elifndef, Else, Endif, Condition };

// One conditional directive of a file.
struct Directive
{
    DirectiveKind kind = DirectiveKind::If;
    int line = 0;     // first physical line
    int lastLine = 0; // last physical line (continued, or a comment going on)
    QString text;     // the condition, comments removed
    // The name that the first line of content after the directive defines,
    // when that line is a "#define" and comes before the next directive.
    QString firstDefine;
};

// The directives of a file and the facts about the content around them that
// tell an include guard.
struct Directives
{
    QList<Directive> list;
    int lineCount = 0;
    bool contentBeforeFirst = false; // code or other directives before the first one
    int firstContentAfterFirst = 0;  // its line, 0 for none
    QString defineAfterFirst;        // the name when that content is "#define NAME"
    int lastContentLine = 0;
    // Function-like macros the file defines as a "__has_..." probe.
    QStringList probeMacros;
};

// Step 1: the lines of a file, read for their directives. A directive may be
// continued with a backslash, and a comment in it that goes on over further
// lines makes them part of it, as the C preprocessor removes comments first.
Directives findDirectives(const QByteArray &bytes, Language language);

// A directive's own condition: "#ifdef A" reads "A", "#ifndef A" "!A";
// empty for "#else" and "#endif".
struct Condition
{
    QString expression;
    QStringList names;
};
Condition conditionOf(const Directive &directive,
                      const QSet<QString> &probeMacros = QSet<QString>());

// Step 2: the fragments of directives found in step 1.
Result scan(const Directives &directives, Language language, const Options &options);

// The negation of a condition as the later branches of a conditional read it:
// "!A" for a name, "A" for "!A", "!(...)" otherwise.
QString negated(const QString &condition);

// Whether a condition is the constant 0 ("0", "(0)"): code never compiled.
bool isConstantZero(const QString &condition);

} // namespace ConditionalScanner
