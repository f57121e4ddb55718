#include "filteroptions.h"

#include <QCommandLineParser>
#include <QHash>

using Kind = ProjectFilter::Step::Kind;

FilterOptions::FilterOptions()
    : m_groupByPrefix(QStringLiteral("group-by-prefix"),
                      QStringLiteral("Hang features that share a prefix up to an \"_\" (at least "
                                     "3 of them) under an inner feature of that name."))
{
    const auto valued = [](const QString &name, const QString &text, const QString &value) {
        return QCommandLineOption(name, text, value);
    };
    m_filters = {
        {valued(QStringLiteral("include"),
                QStringLiteral("Take the files whose path (relative to the folder) GLOB matches; "
                               "\"**\" spans folders. The first --include keeps only these, "
                               "later ones add theirs."),
                QStringLiteral("GLOB")),
         Kind::Include},
        {valued(QStringLiteral("exclude"),
                QStringLiteral("Leave out the files whose path GLOB matches."),
                QStringLiteral("GLOB")),
         Kind::Exclude},
        {valued(QStringLiteral("features"),
                QStringLiteral("Keep only the features in whose name REGEX finds a match."),
                QStringLiteral("REGEX")),
         Kind::Features},
        {valued(QStringLiteral("ignore"),
                QStringLiteral("Leave out the features in whose name REGEX finds a match "
                               "(e.g. '^_')."),
                QStringLiteral("REGEX")),
         Kind::Ignore},
        {valued(QStringLiteral("min-fragments"),
                QStringLiteral("Leave out the features of fewer than N fragments."),
                QStringLiteral("N")),
         Kind::MinFragments},
        {QCommandLineOption(QStringLiteral("no-default-macros"),
                            QStringLiteral("Leave out the features that only an \"#ifndef X\" "
                                           "giving X a default value uses.")),
         Kind::NoDefaultMacros},
    };
}

void FilterOptions::addTo(QCommandLineParser &parser) const
{
    for (const Entry &entry : m_filters)
        parser.addOption(entry.option);
    parser.addOption(m_groupByPrefix);
}

bool FilterOptions::read(const QCommandLineParser &parser, QList<ProjectFilter::Step> *steps,
                         QString *error) const
{
    // The parser lists the option names in the order they were given, and
    // each option's values in that order too.
    QHash<QString, int> used;
    for (const QString &name : parser.optionNames()) {
        for (const Entry &entry : m_filters) {
            if (!entry.option.names().contains(name))
                continue;
            QString argument;
            if (!entry.option.valueName().isEmpty())
                argument = parser.values(entry.option).value(used[name]++);
            ProjectFilter::Step step;
            if (!ProjectFilter::makeStep(entry.kind, argument, &step, error))
                return false;
            steps->append(step);
        }
    }
    return true;
}

bool FilterOptions::groupByPrefix(const QCommandLineParser &parser) const
{
    return parser.isSet(m_groupByPrefix);
}
