#include "participantsfile.h"

#include "core/formats/csvreader.h"
#include "core/formats/studydesign.h"
#include "core/formats/textdecoding.h"
#include "core/study/accountname.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

const QString ParticipantsFile::FileName = QStringLiteral("participants.csv");

namespace {

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Reads the rows below the header into entries.
class ParticipantsParser
{
public:
    ParticipantsParser(const StudyDesign &design, int taskCount, const QString &path,
                       ParticipantsFile::Reading &reading)
        : m_design(design), m_taskCount(taskCount), m_path(path), m_reading(reading)
    {
    }

    bool readHeader(const CsvReader::Record &header);
    void readRow(const CsvReader::Record &row);
    void error(TextPosition at, const QString &text)
    {
        m_reading.problems.append({m_path, at.line, at.column, Diagnostic::Severity::Error, text});
    }

private:
    bool readCondition(const CsvReader::Field &field, ParticipantsFile::Entry &entry);
    bool readOrder(const CsvReader::Field &field, ParticipantsFile::Entry &entry);

    const StudyDesign &m_design;
    int m_taskCount;
    QString m_path;
    ParticipantsFile::Reading &m_reading;
    QHash<QString, int> m_columns; // column name -> index
    int m_columnCount = 0;
    QSet<QString> m_accounts;
};

bool ParticipantsParser::readHeader(const CsvReader::Record &header)
{
    const QStringList known{QStringLiteral("account"), QStringLiteral("condition"),
                            QStringLiteral("order")};
    bool ok = true;
    for (int i = 0; i < header.fields.size(); ++i) {
        const CsvReader::Field &field = header.fields.at(i);
        const QString name = field.text.trimmed();
        if (!known.contains(name)) {
            error(field.position, QStringLiteral("unknown column %1; the columns are "
                                                 "account, condition and order")
                                      .arg(quoted(name)));
            ok = false;
        } else if (m_columns.contains(name)) {
            error(field.position, QStringLiteral("a second column %1").arg(quoted(name)));
            ok = false;
        }
        m_columns.insert(name, i);
    }
    if (ok && (!m_columns.contains(QStringLiteral("account"))
               || !m_columns.contains(QStringLiteral("condition")))) {
        error(header.fields.constFirst().position,
              QStringLiteral("the first line must name the columns: account,condition,order"));
        ok = false;
    }
    m_columnCount = int(header.fields.size());
    return ok;
}

void ParticipantsParser::readRow(const CsvReader::Record &row)
{
    if (row.fields.size() != m_columnCount) {
        error(row.fields.constFirst().position,
              QStringLiteral("%1 fields where the header names %2")
                  .arg(row.fields.size())
                  .arg(m_columnCount));
        return;
    }
    ParticipantsFile::Entry entry;
    entry.position = row.fields.constFirst().position;
    const CsvReader::Field &account = row.fields.at(m_columns.value(QStringLiteral("account")));
    entry.account = account.text.trimmed();
    if (!AccountName::isUsable(entry.account)) {
        error(account.position,
              QStringLiteral("%1 cannot be an account name").arg(quoted(entry.account)));
        return;
    }
    if (m_accounts.contains(entry.account)) {
        error(account.position,
              QStringLiteral("the account %1 is listed twice").arg(quoted(entry.account)));
        return;
    }
    m_accounts.insert(entry.account);
    if (!readCondition(row.fields.at(m_columns.value(QStringLiteral("condition"))), entry))
        return;
    if (m_columns.contains(QStringLiteral("order"))
        && !readOrder(row.fields.at(m_columns.value(QStringLiteral("order"))), entry))
        return;
    m_reading.file.entries.append(entry);
}

bool ParticipantsParser::readCondition(const CsvReader::Field &field,
                                       ParticipantsFile::Entry &entry)
{
    entry.condition = field.text.trimmed();
    if (entry.condition.isEmpty() || m_design.condition(entry.condition))
        return true;
    QStringList names;
    for (const StudyCondition &condition : m_design.conditions)
        names.append(condition.name);
    error(field.position,
          names.isEmpty()
              ? QStringLiteral("unknown condition %1: study.json lists no conditions")
                    .arg(quoted(entry.condition))
              : QStringLiteral("unknown condition %1; study.json lists %2")
                    .arg(quoted(entry.condition), names.join(QStringLiteral(", "))));
    return false;
}

bool ParticipantsParser::readOrder(const CsvReader::Field &field, ParticipantsFile::Entry &entry)
{
    if (field.text.trimmed().isEmpty())
        return true;
    const std::optional<QList<int>> order = ParticipantsFile::parseOrder(field.text);
    if (!order) {
        error(field.position, QStringLiteral("the order %1 is not a list of task numbers")
                                  .arg(quoted(field.text)));
        return false;
    }
    if (m_taskCount >= 0 && !ParticipantsFile::arrangesTasks(*order, m_taskCount)) {
        error(field.position, QStringLiteral("the order %1 must list each of the %2 tasks of "
                                             "questions.txt once, from 1")
                                  .arg(quoted(field.text))
                                  .arg(m_taskCount));
        return false;
    }
    entry.order = *order;
    return true;
}

} // namespace

const ParticipantsFile::Entry *ParticipantsFile::entry(const QString &account) const
{
    const QString name = account.trimmed();
    for (const Entry &candidate : entries) {
        if (candidate.account == name)
            return &candidate;
    }
    return nullptr;
}

std::optional<QList<int>> ParticipantsFile::parseOrder(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    QList<int> order;
    for (const QString &item : text.split(separators, Qt::SkipEmptyParts)) {
        bool ok = false;
        const int number = item.toInt(&ok);
        if (!ok)
            return std::nullopt;
        order.append(number);
    }
    return order;
}

bool ParticipantsFile::arrangesTasks(const QList<int> &order, int taskCount)
{
    if (order.size() != taskCount)
        return false;
    QList<bool> seen(taskCount, false);
    for (int task : order) {
        if (task < 1 || task > taskCount || seen.at(task - 1))
            return false;
        seen[task - 1] = true;
    }
    return true;
}

ParticipantsFile::Reading ParticipantsFile::read(const QByteArray &bytes,
                                                 const StudyDesign &design, int taskCount,
                                                 const QString &path)
{
    Reading reading;
    reading.file.present = true;
    ParticipantsParser parser(design, taskCount, path, reading);
    const CsvReader::Result csv = CsvReader::parse(decodeText(bytes));
    for (const CsvReader::Problem &problem : csv.problems)
        parser.error(problem.position, problem.text);
    if (csv.records.isEmpty()) {
        parser.error({1, 1}, QStringLiteral("the first line must name the columns: "
                                            "account,condition,order"));
        return reading;
    }
    if (!parser.readHeader(csv.records.constFirst()))
        return reading;
    for (qsizetype i = 1; i < csv.records.size(); ++i)
        parser.readRow(csv.records.at(i));
    return reading;
}

ParticipantsFile::Reading ParticipantsFile::readFolder(const QString &folder,
                                                       const StudyDesign &design, int taskCount)
{
    const QString path = folder + QLatin1Char('/') + FileName;
    if (!QFileInfo::exists(path))
        return {};
    Reading reading;
    reading.file.present = true;
    const std::optional<QByteArray> bytes = readStudyFileBytes(path, FileName, &reading.problems);
    return bytes ? read(*bytes, design, taskCount, FileName) : reading;
}
