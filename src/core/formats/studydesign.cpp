#include "studydesign.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cmath>
#include <limits>
#include <optional>

const QString StudyDesign::FileName = QStringLiteral("study.json");

namespace {

const QByteArray utf8Bom("\xEF\xBB\xBF");

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Reads the JSON document into a design, noting every problem with its place.
class DesignParser
{
public:
    DesignParser(const QByteArray &text, const QString &path, StudyDesign::Reading &reading)
        : m_locations(text), m_path(path), m_reading(reading)
    {
    }

    void readRoot(const QJsonObject &root);

    void error(TextPosition at, const QString &text)
    {
        m_reading.problems.append(
            {m_path, at.line, at.column, Diagnostic::Severity::Error, text});
    }
    void warning(TextPosition at, const QString &text)
    {
        m_reading.problems.append(
            {m_path, at.line, at.column, Diagnostic::Severity::Warning, text});
    }
    const JsonLocations &locations() const { return m_locations; }

private:
    void readConditions(const QJsonValue &value);
    void readCondition(const QJsonObject &object, int index);
    bool unknownKeys(const QJsonObject &object, const QStringList &path, const QStringList &known);
    std::optional<bool> boolean(const QJsonValue &value, const QStringList &path);
    // An integer from low to high, or nothing (with the problem noted).
    std::optional<int> integer(const QJsonValue &value, const QStringList &path, int low,
                               int high);
    std::optional<QString> oneOf(const QJsonValue &value, const QStringList &path,
                                 const QStringList &names);

    JsonLocations m_locations;
    QString m_path;
    StudyDesign::Reading &m_reading;
};

bool DesignParser::unknownKeys(const QJsonObject &object, const QStringList &path,
                               const QStringList &known)
{
    bool found = false;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (known.contains(it.key()))
            continue;
        error(m_locations.key(path + QStringList{it.key()}),
              QStringLiteral("unknown key %1; known keys: %2")
                  .arg(quoted(it.key()), known.join(QStringLiteral(", "))));
        found = true;
    }
    return found;
}

std::optional<bool> DesignParser::boolean(const QJsonValue &value, const QStringList &path)
{
    if (value.isBool())
        return value.toBool();
    error(m_locations.value(path),
          QStringLiteral("%1 must be true or false").arg(quoted(path.constLast())));
    return std::nullopt;
}

std::optional<int> DesignParser::integer(const QJsonValue &value, const QStringList &path,
                                         int low, int high)
{
    const double number = value.toDouble(std::nan(""));
    if (value.isDouble() && std::floor(number) == number && number >= low && number <= high)
        return int(number);
    error(m_locations.value(path), QStringLiteral("%1 must be a whole number from %2 to %3")
                                       .arg(quoted(path.constLast()))
                                       .arg(low)
                                       .arg(high));
    return std::nullopt;
}

std::optional<QString> DesignParser::oneOf(const QJsonValue &value, const QStringList &path,
                                           const QStringList &names)
{
    if (value.isString() && names.contains(value.toString()))
        return value.toString();
    error(m_locations.value(path), QStringLiteral("%1 must be one of %2")
                                       .arg(quoted(path.constLast()),
                                            QLatin1Char('"') + names.join(QStringLiteral("\", \""))
                                                + QLatin1Char('"')));
    return std::nullopt;
}

void DesignParser::readRoot(const QJsonObject &root)
{
    StudyDesign &design = m_reading.design;
    unknownKeys(root, {}, {QStringLiteral("conditions"), QStringLiteral("assign"),
                           QStringLiteral("taskOrder"), QStringLiteral("keepFirst")});
    if (root.contains(QLatin1String("conditions")))
        readConditions(root.value(QLatin1String("conditions")));
    if (root.contains(QLatin1String("assign")))
        oneOf(root.value(QLatin1String("assign")), {QStringLiteral("assign")},
              {QStringLiteral("balanced")});
    if (root.contains(QLatin1String("taskOrder"))) {
        const QStringList names{StudyDesign::taskOrderName(StudyDesign::TaskOrder::Fixed),
                                StudyDesign::taskOrderName(StudyDesign::TaskOrder::Shuffled),
                                StudyDesign::taskOrderName(StudyDesign::TaskOrder::LatinSquare)};
        design.taskOrderPosition = m_locations.value({QStringLiteral("taskOrder")});
        if (const auto name = oneOf(root.value(QLatin1String("taskOrder")),
                                    {QStringLiteral("taskOrder")}, names))
            design.taskOrder = StudyDesign::TaskOrder(names.indexOf(*name));
    }
    if (root.contains(QLatin1String("keepFirst"))) {
        const QStringList path{QStringLiteral("keepFirst")};
        design.keepFirstPosition = m_locations.value(path);
        if (const auto count = integer(root.value(QLatin1String("keepFirst")), path, 0,
                                       std::numeric_limits<int>::max()))
            design.keepFirst = *count;
    }
}

void DesignParser::readConditions(const QJsonValue &value)
{
    const QStringList path{QStringLiteral("conditions")};
    if (!value.isArray()) {
        error(m_locations.value(path), QStringLiteral("\"conditions\" must be a list"));
        return;
    }
    const QJsonArray list = value.toArray();
    if (list.isEmpty())
        error(m_locations.value(path), QStringLiteral("\"conditions\" lists no condition"));
    QSet<QString> names;
    for (int i = 0; i < list.size(); ++i) {
        const QStringList at = path + QStringList{QString::number(i)};
        if (!list.at(i).isObject()) {
            error(m_locations.value(at), QStringLiteral("a condition must be an object"));
            continue;
        }
        const qsizetype before = m_reading.design.conditions.size();
        readCondition(list.at(i).toObject(), i);
        if (m_reading.design.conditions.size() == before)
            continue;
        const QString name = m_reading.design.conditions.constLast().name;
        if (names.contains(name)) {
            error(m_locations.value(at + QStringList{QStringLiteral("name")}),
                  QStringLiteral("a second condition named %1").arg(quoted(name)));
            m_reading.design.conditions.removeLast();
        }
        names.insert(name);
    }
}

void DesignParser::readCondition(const QJsonObject &object, int index)
{
    const QStringList path{QStringLiteral("conditions"), QString::number(index)};
    const auto at = [&path](const char *key) { return path + QStringList{QLatin1String(key)}; };
    unknownKeys(object, path, {QStringLiteral("name"), QStringLiteral("colours"),
                               QStringLiteral("assignment"), QStringLiteral("locked"),
                               QStringLiteral("opacity")});
    StudyCondition condition;
    condition.position = m_locations.value(path);
    const QJsonValue name = object.value(QLatin1String("name"));
    if (!name.isString() || name.toString().trimmed().isEmpty()) {
        error(object.contains(QLatin1String("name")) ? m_locations.value(at("name"))
                                                     : condition.position,
              QStringLiteral("a condition needs a \"name\" that is not empty"));
        return;
    }
    condition.name = name.toString().trimmed();
    bool ok = true;
    const auto flag = [&](const char *key, bool *target) {
        if (!object.contains(QLatin1String(key)))
            return;
        const auto value = boolean(object.value(QLatin1String(key)), at(key));
        ok = ok && value.has_value();
        *target = value.value_or(*target);
    };
    flag("colours", &condition.colours);
    flag("locked", &condition.locked);
    if (object.contains(QLatin1String("opacity"))) {
        const auto opacity = integer(object.value(QLatin1String("opacity")), at("opacity"), 0, 255);
        ok = ok && opacity.has_value();
        condition.opacity = opacity.value_or(-1);
    }
    if (object.contains(QLatin1String("assignment"))) {
        const QJsonValue file = object.value(QLatin1String("assignment"));
        condition.assignmentPosition = m_locations.value(at("assignment"));
        const QString cleaned = QDir::cleanPath(file.toString());
        if (!file.isString() || file.toString().isEmpty() || QDir::isAbsolutePath(cleaned)
            || cleaned == QLatin1String("..") || cleaned.startsWith(QLatin1String("../"))) {
            error(condition.assignmentPosition,
                  QStringLiteral("\"assignment\" must name a file inside the study folder, "
                                 "relative to it"));
            ok = false;
        }
        condition.assignment = cleaned;
    }
    if (!condition.colours && (!condition.assignment.isEmpty() || condition.locked
                               || condition.opacity >= 0))
        warning(condition.position,
                QStringLiteral("condition %1 shows no colours, so its \"assignment\", "
                               "\"locked\" and \"opacity\" change nothing")
                    .arg(quoted(condition.name)));
    if (ok)
        m_reading.design.conditions.append(condition);
}

} // namespace

const StudyCondition *StudyDesign::condition(const QString &name) const
{
    for (const StudyCondition &candidate : conditions) {
        if (candidate.name == name)
            return &candidate;
    }
    return nullptr;
}

QString StudyDesign::taskOrderName(TaskOrder order)
{
    switch (order) {
    case TaskOrder::Fixed:
        return QStringLiteral("fixed");
    case TaskOrder::Shuffled:
        return QStringLiteral("shuffled");
    case TaskOrder::LatinSquare:
        return QStringLiteral("latin-square");
    }
    return QString();
}

StudyDesign::Reading StudyDesign::read(const QByteArray &bytes, const QString &path)
{
    Reading reading;
    reading.design.present = true;
    // Windows editors start UTF-8 files with a byte order mark, which the
    // JSON parser refuses; blanked rather than cut, so offsets stay.
    QByteArray text = bytes;
    if (text.startsWith(utf8Bom))
        text.replace(0, utf8Bom.size(), QByteArray(utf8Bom.size(), ' '));
    DesignParser parser(text, path, reading);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        parser.error(parser.locations().position(parseError.offset), parseError.errorString());
        return reading;
    }
    if (!document.isObject()) {
        parser.error(parser.locations().value({}),
                     QStringLiteral("study.json must hold one object: { \"conditions\": ... }"));
        return reading;
    }
    for (const JsonLocations::Duplicate &duplicate : parser.locations().duplicateKeys())
        parser.error(duplicate.position, QStringLiteral("the key %1 is given twice")
                                             .arg(quoted(duplicate.path.constLast())));
    parser.readRoot(document.object());
    return reading;
}

StudyDesign::Reading StudyDesign::readFolder(const QString &folder)
{
    const QString path = folder + QLatin1Char('/') + FileName;
    if (!QFileInfo::exists(path))
        return {};
    Reading reading;
    reading.design.present = true;
    const std::optional<QByteArray> bytes = readStudyFileBytes(path, FileName, &reading.problems);
    return bytes ? read(*bytes, FileName) : reading;
}

QList<Diagnostic> StudyDesign::checkFiles(const QString &folder, const QString &path) const
{
    QList<Diagnostic> problems;
    for (const StudyCondition &condition : conditions) {
        if (condition.assignment.isEmpty())
            continue;
        if (!QFileInfo(folder + QLatin1Char('/') + condition.assignment).isFile())
            problems.append({path, condition.assignmentPosition.line,
                             condition.assignmentPosition.column, Diagnostic::Severity::Error,
                             QStringLiteral("the assignment file %1 of condition %2 is missing")
                                 .arg(quoted(condition.assignment), quoted(condition.name))});
    }
    return problems;
}
