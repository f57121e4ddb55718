#include "projectfilter.h"

#include <QHash>

namespace ProjectFilter {

namespace {

QString optionName(Step::Kind kind)
{
    switch (kind) {
    case Step::Kind::Include:
        return QStringLiteral("--include");
    case Step::Kind::Exclude:
        return QStringLiteral("--exclude");
    case Step::Kind::Features:
        return QStringLiteral("--features");
    case Step::Kind::Ignore:
        return QStringLiteral("--ignore");
    case Step::Kind::MinFragments:
        return QStringLiteral("--min-fragments");
    case Step::Kind::NoDefaultMacros:
        return QStringLiteral("--no-default-macros");
    }
    return QString();
}

// A character class of a glob from its "[" on; its length in the glob, 0
// when it is not closed (the "[" then stands for itself).
qsizetype globClass(const QString &glob, qsizetype open, QString *pattern)
{
    qsizetype i = open + 1;
    const bool negated = i < glob.size() && (glob.at(i) == QLatin1Char('!')
                                             || glob.at(i) == QLatin1Char('^'));
    if (negated)
        ++i;
    const qsizetype first = i;
    // A "]" right after the "[" (or "[!") belongs to the class.
    if (i < glob.size() && glob.at(i) == QLatin1Char(']'))
        ++i;
    while (i < glob.size() && glob.at(i) != QLatin1Char(']'))
        ++i;
    if (i >= glob.size())
        return 0;
    QString members;
    for (const QChar c : QStringView(glob).mid(first, i - first)) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('[') || c == QLatin1Char(']')
            || c == QLatin1Char('^'))
            members += QLatin1Char('\\');
        members += c;
    }
    *pattern = (negated ? QStringLiteral("[^/") : QStringLiteral("[")) + members
               + QLatin1Char(']');
    // A class no pattern can hold (a range out of order, "z-a") is no class:
    // its "[" stands for itself, as an unclosed one does.
    if (!QRegularExpression(*pattern).isValid())
        return 0;
    return i + 1 - open;
}

// Whether a path is in the file set after each step, and whether a step that
// counts fragments saw it.
struct PathHistory
{
    bool kept = true;
    bool counted = false;
};

PathHistory followPath(const QList<Step> &steps, const QString &path)
{
    PathHistory history;
    bool firstInclude = true;
    for (const Step &step : steps) {
        switch (step.kind) {
        case Step::Kind::Include:
            history.kept = firstInclude ? history.kept && globMatches(step.pattern, path)
                                        : history.kept || globMatches(step.pattern, path);
            firstInclude = false;
            break;
        case Step::Kind::Exclude:
            history.kept = history.kept && !globMatches(step.pattern, path);
            break;
        case Step::Kind::MinFragments:
        case Step::Kind::NoDefaultMacros:
            history.counted = history.counted || history.kept;
            break;
        case Step::Kind::Features:
        case Step::Kind::Ignore:
            break;
        }
    }
    return history;
}

// Applies the steps to the files, one after the other.
class Pipeline
{
public:
    Pipeline(const QList<File> &files, const QStringList &declared)
        : m_files(files), m_declared(declared)
    {
        m_outcome.keptFiles = QList<bool>(files.size(), true);
    }

    Outcome run(const QList<Step> &steps);

private:
    void applyPathRule(const Step &step, StepResult &result);
    // The features a feature filter takes out of those left in the files kept so far.
    QSet<QString> featuresToRemove(const Step &step) const;
    QSet<QString> allFeatures() const;
    QSet<QString> liveFeatures() const;
    int liveFragments() const;

    const QList<File> &m_files;
    const QStringList &m_declared;
    Outcome m_outcome;
    bool m_firstInclude = true;
};

Outcome Pipeline::run(const QList<Step> &steps)
{
    for (const Step &step : steps) {
        StepResult result;
        result.step = step.spelling();
        if (step.isPathRule()) {
            applyPathRule(step, result);
        } else {
            const int fragmentsBefore = liveFragments();
            const qsizetype featuresBefore = liveFeatures().size();
            m_outcome.removedFeatures.unite(featuresToRemove(step));
            result.featuresRemoved = int(featuresBefore - liveFeatures().size());
            result.fragmentsRemoved = fragmentsBefore - liveFragments();
        }
        m_outcome.steps.append(result);
    }
    return m_outcome;
}

void Pipeline::applyPathRule(const Step &step, StepResult &result)
{
    const bool narrowing = step.kind == Step::Kind::Exclude || m_firstInclude;
    if (step.kind == Step::Kind::Include)
        m_firstInclude = false;
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        bool &kept = m_outcome.keptFiles[i];
        const bool matches = globMatches(step.pattern, m_files.at(i).path);
        const bool keep = step.kind == Step::Kind::Exclude ? kept && !matches
            : narrowing                                    ? kept && matches
                                                           : kept || matches;
        result.filesRemoved += kept && !keep ? 1 : 0;
        result.filesAdded += !kept && keep ? 1 : 0;
        kept = keep;
    }
}

QSet<QString> Pipeline::featuresToRemove(const Step &step) const
{
    // Per feature: its fragments in the files kept, and how many of them
    // are default macros. The patterns judge every name, also of files a
    // later --include brings back; the counts only the features left.
    const bool byName = step.kind == Step::Kind::Features || step.kind == Step::Kind::Ignore;
    QSet<QString> candidates = byName ? allFeatures() : liveFeatures();
    QHash<QString, int> fragments;
    QHash<QString, int> defaults;
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        if (!m_outcome.keptFiles.at(i))
            continue;
        for (const Fragment &fragment : m_files.at(i).fragments) {
            if (!keeps(fragment, m_outcome.removedFeatures))
                continue;
            for (const QString &feature : fragment.features) {
                ++fragments[feature];
                if (fragment.defaultMacro)
                    ++defaults[feature];
            }
        }
    }
    QSet<QString> removed;
    for (const QString &feature : std::as_const(candidates)) {
        if (m_outcome.removedFeatures.contains(feature))
            continue;
        const int count = fragments.value(feature);
        bool remove = false;
        switch (step.kind) {
        case Step::Kind::Features:
            remove = !step.pattern.match(feature).hasMatch();
            break;
        case Step::Kind::Ignore:
            remove = step.pattern.match(feature).hasMatch();
            break;
        case Step::Kind::MinFragments:
            remove = count < step.number;
            break;
        case Step::Kind::NoDefaultMacros:
            remove = count > 0 && defaults.value(feature) == count;
            break;
        case Step::Kind::Include:
        case Step::Kind::Exclude:
            break;
        }
        if (remove)
            removed.insert(feature);
    }
    return removed;
}

// The features of all files and the declared ones.
QSet<QString> Pipeline::allFeatures() const
{
    QSet<QString> all(m_declared.begin(), m_declared.end());
    for (const File &file : m_files) {
        for (const Fragment &fragment : file.fragments) {
            for (const QString &feature : fragment.features)
                all.insert(feature);
        }
    }
    return all;
}

// The features left: those declared and those of the fragments left in the
// files kept.
QSet<QString> Pipeline::liveFeatures() const
{
    QSet<QString> live;
    for (const QString &feature : m_declared) {
        if (!m_outcome.removedFeatures.contains(feature))
            live.insert(feature);
    }
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        if (!m_outcome.keptFiles.at(i))
            continue;
        for (const Fragment &fragment : m_files.at(i).fragments) {
            for (const QString &feature : fragment.features) {
                if (!m_outcome.removedFeatures.contains(feature))
                    live.insert(feature);
            }
        }
    }
    return live;
}

int Pipeline::liveFragments() const
{
    int count = 0;
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        if (!m_outcome.keptFiles.at(i))
            continue;
        for (const Fragment &fragment : m_files.at(i).fragments)
            count += keeps(fragment, m_outcome.removedFeatures) ? 1 : 0;
    }
    return count;
}

} // namespace

QString Step::spelling() const
{
    const QString name = optionName(kind);
    if (kind == Kind::NoDefaultMacros)
        return name;
    if (kind == Kind::MinFragments)
        return name + QLatin1Char(' ') + QString::number(number);
    QString quoted = argument;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return name + QStringLiteral(" '") + quoted + QLatin1Char('\'');
}

bool makeStep(Step::Kind kind, const QString &argument, Step *step, QString *error)
{
    step->kind = kind;
    step->argument = argument;
    switch (kind) {
    case Step::Kind::Include:
    case Step::Kind::Exclude:
        step->pattern = globPattern(argument);
        break;
    case Step::Kind::Features:
    case Step::Kind::Ignore:
        step->pattern = QRegularExpression(argument);
        if (!step->pattern.isValid()) {
            *error = QStringLiteral("%1 '%2' is no regular expression: %3")
                         .arg(optionName(kind), argument, step->pattern.errorString());
            return false;
        }
        break;
    case Step::Kind::MinFragments: {
        bool ok = false;
        step->number = argument.toInt(&ok);
        if (!ok || step->number < 0) {
            *error = QStringLiteral("--min-fragments '%1' is no number of fragments")
                         .arg(argument);
            return false;
        }
        break;
    }
    case Step::Kind::NoDefaultMacros:
        break;
    }
    return true;
}

QRegularExpression globPattern(const QString &glob)
{
    QString path = glob;
    while (path.startsWith(QStringLiteral("./")))
        path.remove(0, 2);
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    QString pattern;
    for (qsizetype i = 0; i < path.size();) {
        const QChar c = path.at(i);
        if (c == QLatin1Char('*')) {
            qsizetype stars = i;
            while (stars < path.size() && path.at(stars) == QLatin1Char('*'))
                ++stars;
            const bool spans = stars - i > 1;
            // "**/" may also stand for no folder at all.
            if (spans && stars < path.size() && path.at(stars) == QLatin1Char('/')) {
                pattern += QStringLiteral("(?:.*/)?");
                ++stars;
            } else {
                pattern += spans ? QStringLiteral(".*") : QStringLiteral("[^/]*");
            }
            i = stars;
        } else if (c == QLatin1Char('?')) {
            pattern += QStringLiteral("[^/]");
            ++i;
        } else if (c == QLatin1Char('[')) {
            QString characterClass;
            const qsizetype length = globClass(path, i, &characterClass);
            pattern += length > 0 ? characterClass : QStringLiteral("\\[");
            i += length > 0 ? length : 1;
        } else {
            // A character beyond the 16-bit range is two halves that stay together.
            const qsizetype length =
                c.isHighSurrogate() && i + 1 < path.size() && path.at(i + 1).isLowSurrogate() ? 2
                                                                                             : 1;
            pattern += QRegularExpression::escape(path.mid(i, length));
            i += length;
        }
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                              QRegularExpression::DotMatchesEverythingOption);
}

bool globMatches(const QRegularExpression &pattern, const QString &path)
{
    if (pattern.match(path).hasMatch())
        return true;
    for (qsizetype slash = path.indexOf(QLatin1Char('/')); slash > 0;
         slash = path.indexOf(QLatin1Char('/'), slash + 1)) {
        if (pattern.match(QStringView(path).left(slash)).hasMatch())
            return true;
    }
    return false;
}

bool keepsPath(const QList<Step> &steps, const QString &path)
{
    return followPath(steps, path).kept;
}

bool needsPath(const QList<Step> &steps, const QString &path)
{
    const PathHistory history = followPath(steps, path);
    return history.kept || history.counted;
}

bool keeps(const Fragment &fragment, const QSet<QString> &removedFeatures)
{
    for (const QString &feature : fragment.features) {
        if (!removedFeatures.contains(feature))
            return true;
    }
    return false;
}

Outcome apply(const QList<Step> &steps, const QList<File> &files,
              const QStringList &declaredFeatures)
{
    return Pipeline(files, declaredFeatures).run(steps);
}

QString describe(const QList<StepResult> &steps)
{
    const auto count = [](int n, const QString &what) {
        return QString::number(n) + QLatin1Char(' ') + what
               + (n == 1 ? QString() : QStringLiteral("s"));
    };
    QStringList parts;
    for (const StepResult &step : steps) {
        QStringList what;
        if (step.filesRemoved > 0)
            what.append(QStringLiteral("removed ") + count(step.filesRemoved, QStringLiteral("file")));
        if (step.filesAdded > 0)
            what.append(QStringLiteral("added ") + count(step.filesAdded, QStringLiteral("file")));
        if (step.featuresRemoved > 0 || step.fragmentsRemoved > 0)
            what.append(QStringLiteral("removed ")
                        + count(step.featuresRemoved, QStringLiteral("feature"))
                        + QStringLiteral(" and ")
                        + count(step.fragmentsRemoved, QStringLiteral("fragment")));
        if (what.isEmpty())
            what.append(QStringLiteral("removed nothing"));
        parts.append(step.step + QLatin1Char(' ') + what.join(QStringLiteral(", ")));
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace ProjectFilter
