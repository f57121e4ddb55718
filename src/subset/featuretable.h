#pragma once

#include <QList>
#include <QString>

class ProjectContents;

// "featurehue features": one row per leaf feature of a project, to choose
// the features of a study with: how many fragments name it (a fragment
// counts once however often it names the feature), how many lines they
// cover (lines of nested fragments once), in how many files, where it first
// occurs and whether only "#ifndef X / #define X" defaults use it.
namespace FeatureTable {

struct Row
{
    QString feature;
    int fragments = 0;
    int lines = 0;
    int files = 0;
    QString firstPath; // empty when no fragment names the feature
    int firstLine = 0;
    bool defaultOnly = false;

    QString first() const; // "path:line", or empty
};

enum class Column { Feature, Fragments, Lines, Files, First, DefaultOnly };

// The rows in the order of the leaves in model.m. The sources are read for
// the default macros.
QList<Row> rows(const ProjectContents &project);

// The column a name stands for: the CSV header's names.
bool columnNamed(const QString &name, Column *column);
QString columnName(Column column);

// Numbers and "default_only" from the most, names and places in alphabetical
// order; ties by feature name. Reversed on request.
void sort(QList<Row> &rows, Column column, bool reverse);

// RFC 4180 with a header row: feature,fragments,lines,files,first,default_only.
QString csv(const QList<Row> &rows);
// The same as a table aligned in columns, for a terminal.
QString aligned(const QList<Row> &rows);

} // namespace FeatureTable
