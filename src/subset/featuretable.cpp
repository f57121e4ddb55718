#include "featuretable.h"

#include "subset/projectcontents.h"

#include <QHash>
#include <QPair>

#include <algorithm>
#include <limits>

namespace FeatureTable {

namespace {

using Lines = QPair<int, int>; // first and last line of a fragment

// Lines covered by fragments, each line once; a fragment ending before it
// starts covers its first line.
int coveredLines(QList<Lines> ranges)
{
    std::sort(ranges.begin(), ranges.end());
    qint64 covered = 0;
    qint64 doneUpTo = std::numeric_limits<qint64>::min(); // last line counted
    for (const Lines &range : std::as_const(ranges)) {
        const qint64 first = std::max<qint64>(range.first, doneUpTo + 1);
        const qint64 last = std::max(range.first, range.second);
        if (last >= first)
            covered += last - first + 1;
        doneUpTo = std::max(doneUpTo, last);
    }
    return int(std::min<qint64>(covered, std::numeric_limits<int>::max()));
}

// Adds one file's fragments to the rows of the features they name.
void countFile(const ProjectContents &project, const ProjectContents::File &file,
               QList<Row> &table, const QHash<QString, qsizetype> &index,
               QHash<QString, int> &nonDefault)
{
    QHash<QString, QList<Lines>> ranges;
    for (const ProjectContents::Fragment &fragment : file.fragments) {
        for (const QString &feature : fragment.features())
            ranges[feature].append({fragment.startLine, fragment.endLine});
    }
    if (ranges.isEmpty())
        return;
    QHash<Lines, QString> defaults;
    if (ProjectContents::isInsideFolder(file.path))
        defaults = ProjectContents::defaultMacroFragments(project.folder() + QLatin1Char('/')
                                                          + file.path);
    for (auto it = ranges.begin(); it != ranges.end(); ++it) {
        const auto found = index.constFind(it.key());
        if (found == index.constEnd())
            continue;
        QList<Lines> &lines = it.value();
        std::sort(lines.begin(), lines.end());
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
        Row &row = table[*found];
        row.fragments += int(lines.size());
        row.lines += coveredLines(lines);
        ++row.files;
        if (row.firstPath.isEmpty()) {
            row.firstPath = file.path;
            row.firstLine = lines.constFirst().first;
        }
        for (const Lines &range : std::as_const(lines)) {
            if (defaults.value(range) != it.key())
                ++nonDefault[it.key()];
        }
    }
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

const Column allColumns[] = {Column::Feature, Column::Fragments, Column::Lines,
                             Column::Files,   Column::First,     Column::DefaultOnly};

QString cell(const Row &row, Column column, bool forTable)
{
    switch (column) {
    case Column::Feature:
        return row.feature;
    case Column::Fragments:
        return QString::number(row.fragments);
    case Column::Lines:
        return QString::number(row.lines);
    case Column::Files:
        return QString::number(row.files);
    case Column::First:
        return row.first();
    case Column::DefaultOnly:
        return forTable ? (row.defaultOnly ? QStringLiteral("yes") : QString())
                        : (row.defaultOnly ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return QString();
}

// Negative when a comes first in the column's own order.
int compareIn(Column column, const Row &a, const Row &b)
{
    const auto most = [](int x, int y) { return x == y ? 0 : (x > y ? -1 : 1); };
    switch (column) {
    case Column::Feature:
        return 0;
    case Column::Fragments:
        return most(a.fragments, b.fragments);
    case Column::Lines:
        return most(a.lines, b.lines);
    case Column::Files:
        return most(a.files, b.files);
    case Column::First:
        // Features without a place last.
        if (a.firstPath.isEmpty() != b.firstPath.isEmpty())
            return a.firstPath.isEmpty() ? 1 : -1;
        if (a.firstPath != b.firstPath)
            return a.firstPath < b.firstPath ? -1 : 1;
        return a.firstLine == b.firstLine ? 0 : (a.firstLine < b.firstLine ? -1 : 1);
    case Column::DefaultOnly:
        return most(int(a.defaultOnly), int(b.defaultOnly));
    }
    return 0;
}

} // namespace

QString Row::first() const
{
    return firstPath.isEmpty() ? QString() : firstPath + QLatin1Char(':') + QString::number(firstLine);
}

QList<Row> rows(const ProjectContents &project)
{
    QList<Row> table;
    QHash<QString, qsizetype> index; // the first row of each name
    for (const Feature &leaf : project.leaves()) {
        if (!index.contains(leaf.name()))
            index.insert(leaf.name(), table.size());
        Row row;
        row.feature = leaf.name();
        table.append(row);
    }
    QHash<QString, int> nonDefault; // fragments of a feature that are no default macro of it
    for (const ProjectContents::File &file : project.files())
        countFile(project, file, table, index, nonDefault);
    for (Row &row : table) {
        // A name listed twice counts alike on both rows.
        const Row &counted = table.at(index.value(row.feature));
        if (&counted != &row)
            row = counted;
        row.defaultOnly = row.fragments > 0 && nonDefault.value(row.feature) == 0;
    }
    return table;
}

bool columnNamed(const QString &name, Column *column)
{
    for (const Column candidate : allColumns) {
        if (columnName(candidate) == name) {
            *column = candidate;
            return true;
        }
    }
    return false;
}

QString columnName(Column column)
{
    switch (column) {
    case Column::Feature:
        return QStringLiteral("feature");
    case Column::Fragments:
        return QStringLiteral("fragments");
    case Column::Lines:
        return QStringLiteral("lines");
    case Column::Files:
        return QStringLiteral("files");
    case Column::First:
        return QStringLiteral("first");
    case Column::DefaultOnly:
        return QStringLiteral("default_only");
    }
    return QString();
}

void sort(QList<Row> &rows, Column column, bool reverse)
{
    std::stable_sort(rows.begin(), rows.end(), [column](const Row &a, const Row &b) {
        const int order = compareIn(column, a, b);
        if (order != 0)
            return order < 0;
        const int byName = a.feature.compare(b.feature, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.feature < b.feature;
    });
    if (reverse)
        std::reverse(rows.begin(), rows.end());
}

QString csv(const QList<Row> &rows)
{
    QStringList header;
    for (const Column column : allColumns)
        header.append(columnName(column));
    QString text = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const Row &row : rows) {
        QStringList cells;
        for (const Column column : allColumns)
            cells.append(csvField(cell(row, column, false)));
        text += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return text;
}

QString aligned(const QList<Row> &rows)
{
    QList<QStringList> lines;
    QStringList header;
    for (const Column column : allColumns)
        header.append(columnName(column));
    lines.append(header);
    for (const Row &row : rows) {
        QStringList cells;
        for (const Column column : allColumns)
            cells.append(cell(row, column, true));
        lines.append(cells);
    }
    QList<qsizetype> widths(std::size(allColumns), 0);
    for (const QStringList &cells : std::as_const(lines)) {
        for (qsizetype c = 0; c < cells.size(); ++c)
            widths[c] = std::max(widths.at(c), cells.at(c).size());
    }
    QString text;
    for (const QStringList &cells : std::as_const(lines)) {
        QStringList padded;
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const bool number = allColumns[c] == Column::Fragments
                || allColumns[c] == Column::Lines || allColumns[c] == Column::Files;
            padded.append(number ? cells.at(c).rightJustified(widths.at(c))
                                 : cells.at(c).leftJustified(widths.at(c)));
        }
        QString line = padded.join(QStringLiteral("  "));
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        text += line + QLatin1Char('\n');
    }
    return text;
}

} // namespace FeatureTable
