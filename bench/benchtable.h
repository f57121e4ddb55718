#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The benchmark's result table. Each measurement is one row; a row with a
// limit is checked against it (values above the limit are marked "OVER").
//
//     BenchTable table;
//     table.time("read project file", [&] { reader.readProjectFile(path); });
//     table.add("package rows", rows);
//     table.add("peak memory", peakMegabytes(), "MB", 400);
//     table.print();
class BenchTable
{
public:
    void add(const QString &name, double value, const QString &unit = QString(),
             std::optional<double> limit = std::nullopt);
    // Runs work once and adds its wall-clock time in milliseconds.
    double time(const QString &name, const std::function<void()> &work,
                std::optional<double> limitMs = std::nullopt);
    void addNote(const QString &text);
    // The value of the first row of that name.
    std::optional<double> value(const QString &name) const;

    // Prints the table to standard output; true when every limit was kept.
    bool print() const;

private:
    struct Row
    {
        QString name;
        double value;
        QString unit;
        std::optional<double> limit;
    };
    QList<Row> m_rows;
    QStringList m_notes;
};

// Peak resident memory of this process so far (VmHWM), in megabytes; 0 where
// /proc is not available.
double peakMegabytes();
// Current resident memory (VmRSS), in megabytes.
double residentMegabytes();
// Processor time this process has used so far, in milliseconds. On a shared
// machine it shows what a measurement cost when the wall-clock time also
// includes waiting for other processes.
double cpuMilliseconds();
