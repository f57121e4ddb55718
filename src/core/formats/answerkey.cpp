#include "answerkey.h"

#include "core/formats/csvreader.h"
#include "core/formats/textdecoding.h"

#include <QFile>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <cmath>

const QString AnswerKey::FileName = QStringLiteral("answer-key.csv");

namespace {

const QStringList columnNames{QStringLiteral("task"), QStringLiteral("question"),
                              QStringLiteral("match"), QStringLiteral("expected")};
const QString plusMinus = QStringLiteral("\u00b1");

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Trimmed, runs of white space as one space, case folded.
QString normalized(const QString &text)
{
    return text.simplified().toCaseFolded();
}

QSet<QString> items(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    QSet<QString> result;
    for (const QString &item : text.split(separators, Qt::SkipEmptyParts))
        result.insert(item.toCaseFolded());
    return result;
}

bool withinTolerance(double value, double expected, double tolerance)
{
    // The decimal fractions on both sides are binary approximations: 0.1 + 0.2
    // must count as 0.3.
    const double slack = 1e-9 * std::max(1.0, std::fabs(expected));
    return std::fabs(value - expected) <= tolerance + slack;
}

// Reads the rows of the key, noting every problem with its place.
class KeyParser
{
public:
    KeyParser(const QString &path, AnswerKey::Reading &reading) : m_path(path), m_reading(reading)
    {
    }

    bool readHeader(const CsvReader::Record &header);
    void readRow(const CsvReader::Record &row);
    void error(TextPosition at, const QString &text)
    {
        m_reading.problems.append({m_path, at.line, at.column, Diagnostic::Severity::Error, text});
    }

private:
    std::optional<int> positiveNumber(const CsvReader::Field &field, const char *what);
    bool prepare(AnswerKey::Entry &entry, const CsvReader::Field &expected);

    QString m_path;
    AnswerKey::Reading &m_reading;
    QHash<QString, int> m_columns;
    QSet<QPair<int, int>> m_boxes;
};

bool KeyParser::readHeader(const CsvReader::Record &header)
{
    for (int i = 0; i < header.fields.size(); ++i) {
        const QString name = header.fields.at(i).text.trimmed();
        if (!columnNames.contains(name) || m_columns.contains(name)) {
            error(header.fields.at(i).position,
                  QStringLiteral("the first line must name the columns task,question,match,"
                                 "expected; found %1")
                      .arg(quoted(name)));
            return false;
        }
        m_columns.insert(name, i);
    }
    if (m_columns.size() == columnNames.size())
        return true;
    error(header.fields.constFirst().position,
          QStringLiteral("the first line must name the columns task,question,match,expected"));
    return false;
}

std::optional<int> KeyParser::positiveNumber(const CsvReader::Field &field, const char *what)
{
    bool ok = false;
    const int number = field.text.trimmed().toInt(&ok);
    if (ok && number > 0)
        return number;
    error(field.position, QStringLiteral("the %1 must be a number from 1, not %2")
                              .arg(QLatin1String(what), quoted(field.text)));
    return std::nullopt;
}

void KeyParser::readRow(const CsvReader::Record &row)
{
    if (row.fields.size() != columnNames.size()) {
        error(row.fields.constFirst().position,
              QStringLiteral("%1 fields where the header names 4").arg(row.fields.size()));
        return;
    }
    const auto field = [&](const char *name) -> const CsvReader::Field & {
        return row.fields.at(m_columns.value(QLatin1String(name)));
    };
    AnswerKey::Entry entry;
    entry.position = row.fields.constFirst().position;
    entry.taskPosition = field("task").position;
    entry.questionPosition = field("question").position;
    const std::optional<int> task = positiveNumber(field("task"), "task");
    const std::optional<int> question = positiveNumber(field("question"), "question");
    const QString match = field("match").text.trimmed();
    bool known = false;
    for (int kind = 0; kind <= int(AnswerKey::Match::Manual); ++kind) {
        if (AnswerKey::matchName(AnswerKey::Match(kind)) == match) {
            entry.match = AnswerKey::Match(kind);
            known = true;
        }
    }
    if (!known)
        error(field("match").position,
              QStringLiteral("unknown match %1; it is one of exact, any, regex, number, set, "
                             "manual")
                  .arg(quoted(match)));
    if (!task || !question || !known || !prepare(entry, field("expected")))
        return;
    entry.task = *task;
    entry.question = *question;
    if (m_boxes.contains({entry.task, entry.question})) {
        error(entry.position, QStringLiteral("task %1, question %2 has a row already")
                                  .arg(entry.task)
                                  .arg(entry.question));
        return;
    }
    m_boxes.insert({entry.task, entry.question});
    m_reading.key.entries.append(entry);
}

bool KeyParser::prepare(AnswerKey::Entry &entry, const CsvReader::Field &expected)
{
    entry.expected = expected.text;
    const QString text = expected.text.trimmed();
    if (entry.match == AnswerKey::Match::Manual)
        return true;
    if (text.isEmpty()) {
        error(expected.position, QStringLiteral("no expected answer"));
        return false;
    }
    if (entry.match == AnswerKey::Match::Regex) {
        entry.pattern = QRegularExpression(QRegularExpression::anchoredPattern(text),
                                           QRegularExpression::UseUnicodePropertiesOption);
        if (!entry.pattern.isValid()) {
            // The offset counts in the anchored pattern, which adds "\A(?:".
            QRegularExpression plain(text);
            const int offset = int(qMax<qsizetype>(0, plain.patternErrorOffset()));
            const qsizetype lead = expected.text.indexOf(text.front());
            const int column = expected.position.column + (expected.quoted ? 1 : 0) + int(lead)
                               + offset;
            error({expected.position.line, column},
                  QStringLiteral("the pattern does not compile: %1").arg(plain.errorString()));
            return false;
        }
    } else if (entry.match == AnswerKey::Match::Number) {
        const QStringList parts = text.split(plusMinus);
        const std::optional<double> value = AnswerKey::parseNumber(parts.first());
        const std::optional<double> tolerance =
            parts.size() == 2 ? AnswerKey::parseNumber(parts.last()) : std::optional<double>(0);
        if (parts.size() > 2 || !value || !tolerance || *tolerance < 0) {
            error(expected.position, QStringLiteral("%1 is no number such as 42, 4,2 or 42±0.5")
                                         .arg(quoted(text)));
            return false;
        }
        entry.number = *value;
        entry.tolerance = *tolerance;
    } else if (entry.match == AnswerKey::Match::Set && items(text).isEmpty()) {
        error(expected.position, QStringLiteral("the set names no item"));
        return false;
    }
    return true;
}

} // namespace

const AnswerKey::Entry *AnswerKey::entry(int task, int question) const
{
    for (const Entry &candidate : entries) {
        if (candidate.task == task && candidate.question == question)
            return &candidate;
    }
    return nullptr;
}

QString AnswerKey::matchName(Match match)
{
    switch (match) {
    case Match::Exact: return QStringLiteral("exact");
    case Match::Any: return QStringLiteral("any");
    case Match::Regex: return QStringLiteral("regex");
    case Match::Number: return QStringLiteral("number");
    case Match::Set: return QStringLiteral("set");
    case Match::Manual: return QStringLiteral("manual");
    }
    return QString();
}

std::optional<double> AnswerKey::parseNumber(const QString &text)
{
    QString number = text.trimmed();
    // A decimal comma, as German participants write it, but never beside a
    // point: "1,000.5" is no number here rather than a wrong one.
    if (number.count(QLatin1Char(',')) == 1 && !number.contains(QLatin1Char('.')))
        number.replace(QLatin1Char(','), QLatin1Char('.'));
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(number, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

AnswerKey::Verdict AnswerKey::score(const Entry &entry, const QString &answer)
{
    bool correct = false;
    switch (entry.match) {
    case Match::Manual:
        return Verdict::NotScored;
    case Match::Exact:
        correct = normalized(answer) == normalized(entry.expected);
        break;
    case Match::Any:
        for (const QString &alternative : entry.expected.split(QLatin1Char('|'))) {
            if (!normalized(alternative).isEmpty()
                && normalized(alternative) == normalized(answer))
                correct = true;
        }
        break;
    case Match::Regex:
        correct = entry.pattern.isValid() && entry.pattern.match(answer.trimmed()).hasMatch();
        break;
    case Match::Number: {
        const std::optional<double> value = parseNumber(answer);
        correct = value && withinTolerance(*value, entry.number, entry.tolerance);
        break;
    }
    case Match::Set:
        correct = items(answer) == items(entry.expected);
        break;
    }
    return correct ? Verdict::Correct : Verdict::Wrong;
}

AnswerKey::Reading AnswerKey::read(const QByteArray &bytes, const QString &path)
{
    Reading reading;
    KeyParser parser(path, reading);
    const CsvReader::Result csv = CsvReader::parse(decodeText(bytes));
    for (const CsvReader::Problem &problem : csv.problems)
        parser.error(problem.position, problem.text);
    if (csv.records.isEmpty()) {
        parser.error({1, 1}, QStringLiteral("the first line must name the columns "
                                            "task,question,match,expected"));
        return reading;
    }
    if (!parser.readHeader(csv.records.constFirst()))
        return reading;
    for (qsizetype i = 1; i < csv.records.size(); ++i)
        parser.readRow(csv.records.at(i));
    return reading;
}

AnswerKey::Reading AnswerKey::readFile(const QString &path, const QString &shownPath)
{
    Reading reading;
    const std::optional<QByteArray> bytes = readStudyFileBytes(path, shownPath, &reading.problems);
    return bytes ? read(*bytes, shownPath) : reading;
}

QList<Diagnostic> AnswerKey::checkAgainst(const QList<int> &boxesPerTask,
                                          const QString &path) const
{
    QList<Diagnostic> problems;
    for (const Entry &entry : entries) {
        if (entry.task > boxesPerTask.size()) {
            problems.append({path, entry.taskPosition.line, entry.taskPosition.column,
                             Diagnostic::Severity::Error,
                             QStringLiteral("task %1 does not exist: questions.txt has %2 tasks")
                                 .arg(entry.task)
                                 .arg(boxesPerTask.size())});
        } else if (entry.question > boxesPerTask.at(entry.task - 1)) {
            problems.append({path, entry.questionPosition.line, entry.questionPosition.column,
                             Diagnostic::Severity::Error,
                             QStringLiteral("question %1 does not exist: task %2 has %3 answer "
                                            "boxes")
                                 .arg(entry.question)
                                 .arg(entry.task)
                                 .arg(boxesPerTask.at(entry.task - 1))});
        }
    }
    return problems;
}
