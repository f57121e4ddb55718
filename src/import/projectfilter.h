#pragma once

#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

// The filters that cut a study-sized slice out of a product line, for
// "featurehue import" and "featurehue subset": which files stay and which
// features. They are applied one after the other, in the order given, each
// to what the ones before it left:
//   --include GLOB    the first keeps only the files it matches, later ones add theirs
//   --exclude GLOB    takes out the files it matches
//   --features REGEX  keeps only the features it finds a match in
//   --ignore REGEX    takes out the features it finds a match in
//   --min-fragments N takes out the features of fewer than N fragments
//   --no-default-macros takes out the features that only "#ifndef X / #define X" uses
// A fragment none of whose features is left is dropped; files stay whatever
// their fragments.
namespace ProjectFilter {

struct Step
{
    enum class Kind { Include, Exclude, Features, Ignore, MinFragments, NoDefaultMacros };

    Kind kind = Kind::Include;
    QString argument;           // as given
    QRegularExpression pattern; // a glob's pattern, or the regular expression
    int number = 0;             // --min-fragments

    bool isPathRule() const { return kind == Kind::Include || kind == Kind::Exclude; }
    // "--include 'lib/**'", for the summary.
    QString spelling() const;
};

// The step of an option, or false with the reason (a pattern that is no
// regular expression, a count that is no number).
bool makeStep(Step::Kind kind, const QString &argument, Step *step, QString *error);

// A glob on paths relative to the folder: "*" and "?" stay inside a folder
// name, "**" spans folders ("lib/**/*.h" also matches "lib/a.h"), "[abc]"
// and "[!abc]" are character classes. Anchored at both ends.
QRegularExpression globPattern(const QString &glob);

// Whether a glob matches a path: the path itself or one of its folders
// ("lib/vtls" matches every file below it).
bool globMatches(const QRegularExpression &pattern, const QString &path);

// Whether the path rules keep a path in the end.
bool keepsPath(const QList<Step> &steps, const QString &path);

// Whether the filters need a file: kept in the end, or counted by a feature
// filter on the way (--min-fragments, --no-default-macros).
bool needsPath(const QList<Step> &steps, const QString &path);

// A fragment as the filters see it.
struct Fragment
{
    QStringList features;
    bool defaultMacro = false; // see ConditionalScanner::Fragment
};

struct File
{
    QString path; // relative to the folder, "/" between folders
    QList<Fragment> fragments;
};

// Whether a fragment keeps a feature.
bool keeps(const Fragment &fragment, const QSet<QString> &removedFeatures);

// What one step took away (or, for a later --include, brought back).
struct StepResult
{
    QString step;
    int filesRemoved = 0;
    int filesAdded = 0;
    int featuresRemoved = 0;
    int fragmentsRemoved = 0;
};

struct Outcome
{
    QList<bool> keptFiles; // per file
    QSet<QString> removedFeatures;
    QList<StepResult> steps;
};

// declaredFeatures: features that count even without fragments (the leaves of
// a model written by hand); the feature filters judge them too.
Outcome apply(const QList<Step> &steps, const QList<File> &files,
              const QStringList &declaredFeatures = QStringList());

// "--include 'lib/**' removed 40 files, --features '^USE_' removed 12 features
// and 30 fragments"; empty without steps.
QString describe(const QList<StepResult> &steps);

} // namespace ProjectFilter
