#pragma once

#include <QByteArray>
#include <QList>
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
    int startLine = 0; // counted from 1
    int endLine = 0;   // inclusive
    QString expression;

    bool operator==(const Fragment &other) const
    {
        return startLine == other.startLine && endLine == other.endLine
            && expression == other.expression;
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

// The language a file name belongs to; false for files that are no sources
// (the viewer's rule: ".java", ".c" or ".h", case-sensitive).
bool languageOf(const QString &fileName, Language *language);

Result scan(const QByteArray &bytes, Language language);

// A condition's text in the viewer's expression syntax, with the feature
// names it uses. Names are what a condition names apart from "defined",
// "true", "false", the "__has_..." probes and their arguments, and numbers;
// a character that may not stand in a feature name ("$", ".") becomes "_",
// and a probe's argument is written "(...)".
QString translateCondition(const QString &condition, QStringList *names);

} // namespace ConditionalScanner
