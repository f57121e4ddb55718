#pragma once

#include "import/projectfilter.h"

#include <QCommandLineOption>
#include <QList>

class QCommandLineParser;

// The filter options that "featurehue import" and "featurehue subset" share
// (--include, --exclude, --features, --ignore, --min-fragments,
// --no-default-macros) and --group-by-prefix, on a command-line parser.
class FilterOptions
{
public:
    FilterOptions();

    void addTo(QCommandLineParser &parser) const;

    // The filters as given, in the order given; false with the reason when a
    // pattern or a count is malformed.
    bool read(const QCommandLineParser &parser, QList<ProjectFilter::Step> *steps,
              QString *error) const;
    bool groupByPrefix(const QCommandLineParser &parser) const;

private:
    struct Entry
    {
        QCommandLineOption option;
        ProjectFilter::Step::Kind kind;
    };
    QList<Entry> m_filters;
    QCommandLineOption m_groupByPrefix;
};
