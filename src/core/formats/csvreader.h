#pragma once

#include "core/formats/jsonlocations.h"

#include <QList>
#include <QString>

// Reads comma-separated values as RFC 4180 writes them (and spreadsheets
// save them): fields separated by ",", records by "\r\n" or "\n", a field in
// double quotes may hold commas, line breaks and doubled quotes. Every field
// keeps where it starts, so readers of the study files can say where a
// problem is. Blank lines are no records.
namespace CsvReader {

struct Field
{
    QString text;
    TextPosition position; // its first character (the opening quote if quoted)
    bool quoted = false;
};

struct Record
{
    int line = 0;
    QList<Field> fields;
    // Followed by a line end. A file cut off while a record was being
    // written ends in a record without one.
    bool terminated = false;
};

struct Problem
{
    TextPosition position;
    QString text;
};

struct Result
{
    QList<Record> records;   // the records that read cleanly
    QList<Problem> problems; // one for every record that did not (it is left out)
};

enum class Mode {
    QuotedLineBreaks, // a quoted field may run over several lines
    OneLinePerRecord, // every line is a record of its own: a quote left open
                      // at the line's end spoils that record only
};

Result parse(const QString &text, Mode mode = Mode::QuotedLineBreaks);

// One field as a writer puts it into a record: quoted when it holds a comma,
// a quote, a line break or white space at either end.
QString quoted(const QString &field);

} // namespace CsvReader
