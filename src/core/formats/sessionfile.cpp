#include "sessionfile.h"

#include "core/formats/jsonlocations.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>
#include <limits>

const QString SessionFile::Suffix = QStringLiteral("_session.json");

namespace {

QJsonValue timeValue(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(time.toUTC().toString(Qt::ISODate)) : QJsonValue();
}

QJsonObject screenObject(const SessionFile::Screen &screen)
{
    return {{QStringLiteral("width"), screen.width}, {QStringLiteral("height"), screen.height}};
}

// Reads the document into a session, noting every problem with its place.
class SessionParser
{
public:
    SessionParser(const QByteArray &text, const QString &path, SessionFile::Reading &reading)
        : m_locations(text), m_path(path), m_reading(reading)
    {
    }

    void readRoot(const QJsonObject &root);
    void problem(Diagnostic::Severity severity, const QStringList &path, const QString &text)
    {
        const TextPosition at = m_locations.value(path);
        m_reading.problems.append({m_path, at.line, at.column, severity, text});
    }
    const JsonLocations &locations() const { return m_locations; }

private:
    QString string(const QJsonObject &object, const QStringList &path, bool required);
    int integer(const QJsonObject &object, const QStringList &path, int low);
    QDateTime time(const QJsonObject &object, const QStringList &path, bool required);
    SessionFile::Screen screen(const QJsonObject &object, const QStringList &path);
    void readSittings(const QJsonValue &value);

    JsonLocations m_locations;
    QString m_path;
    SessionFile::Reading &m_reading;
};

QString SessionParser::string(const QJsonObject &object, const QStringList &path, bool required)
{
    const QJsonValue value = object.value(path.constLast());
    if (value.isString())
        return value.toString();
    if (!value.isUndefined() || required)
        problem(Diagnostic::Severity::Error, value.isUndefined() ? path.mid(0, path.size() - 1)
                                                                 : path,
                QStringLiteral("\"%1\" must be a text").arg(path.constLast()));
    return QString();
}

int SessionParser::integer(const QJsonObject &object, const QStringList &path, int low)
{
    const QJsonValue value = object.value(path.constLast());
    const double number = value.toDouble(std::nan(""));
    if (value.isUndefined())
        return low;
    if (value.isDouble() && std::floor(number) == number && number >= low
        && number <= std::numeric_limits<int>::max())
        return int(number);
    problem(Diagnostic::Severity::Error, path,
            QStringLiteral("\"%1\" must be a whole number from %2").arg(path.constLast()).arg(low));
    return low;
}

QDateTime SessionParser::time(const QJsonObject &object, const QStringList &path, bool required)
{
    const QJsonValue value = object.value(path.constLast());
    if ((value.isNull() || value.isUndefined()) && !required)
        return QDateTime();
    const QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs).toUTC();
    // Years that ISO 8601 writes with four digits, so the time reads back.
    if (value.isString() && time.isValid() && time.date().year() >= 1
        && time.date().year() <= 9999)
        return time;
    problem(Diagnostic::Severity::Error, value.isUndefined() ? path.mid(0, path.size() - 1) : path,
            QStringLiteral("\"%1\" must be a time such as \"2026-12-08T09:14:03Z\"")
                .arg(path.constLast()));
    return QDateTime();
}

SessionFile::Screen SessionParser::screen(const QJsonObject &object, const QStringList &path)
{
    const QJsonValue value = object.value(path.constLast());
    if (value.isUndefined())
        return {};
    if (!value.isObject()) {
        problem(Diagnostic::Severity::Error, path,
                QStringLiteral("\"screen\" must be an object with \"width\" and \"height\""));
        return {};
    }
    const QJsonObject sizes = value.toObject();
    return {integer(sizes, path + QStringList{QStringLiteral("width")}, 0),
            integer(sizes, path + QStringList{QStringLiteral("height")}, 0)};
}

void SessionParser::readRoot(const QJsonObject &root)
{
    SessionFile &session = m_reading.session;
    const QStringList known{QStringLiteral("account"), QStringLiteral("user"),
                            QStringLiteral("condition"), QStringLiteral("taskOrder"),
                            QStringLiteral("number"), QStringLiteral("materials"),
                            QStringLiteral("version"), QStringLiteral("screen"),
                            QStringLiteral("sittings")};
    for (auto it = root.begin(); it != root.end(); ++it) {
        if (!known.contains(it.key())) {
            const TextPosition at = m_locations.key({it.key()});
            m_reading.problems.append({m_path, at.line, at.column, Diagnostic::Severity::Warning,
                                       QStringLiteral("unknown key \"%1\" is not read")
                                           .arg(it.key())});
        }
    }
    session.account = string(root, {QStringLiteral("account")}, true);
    session.user = string(root, {QStringLiteral("user")}, true);
    session.condition = string(root, {QStringLiteral("condition")}, true);
    const QJsonValue order = root.value(QLatin1String("taskOrder"));
    bool orderOk = order.isArray();
    for (const QJsonValue &task : order.toArray()) {
        const double number = task.toDouble(std::nan(""));
        orderOk = orderOk && task.isDouble() && std::floor(number) == number && number >= 1
                  && number <= std::numeric_limits<int>::max();
        if (orderOk)
            session.taskOrder.append(int(number));
    }
    if (!orderOk)
        problem(Diagnostic::Severity::Error,
                order.isUndefined() ? QStringList() : QStringList{QStringLiteral("taskOrder")},
                QStringLiteral("\"taskOrder\" must be a list of task numbers from 1"));
    session.number = integer(root, {QStringLiteral("number")}, 0);
    session.materials = string(root, {QStringLiteral("materials")}, false);
    session.version = string(root, {QStringLiteral("version")}, false);
    session.screen = screen(root, {QStringLiteral("screen")});
    readSittings(root.value(QLatin1String("sittings")));
}

void SessionParser::readSittings(const QJsonValue &value)
{
    if (value.isUndefined())
        return;
    const QStringList path{QStringLiteral("sittings")};
    if (!value.isArray()) {
        problem(Diagnostic::Severity::Error, path, QStringLiteral("\"sittings\" must be a list"));
        return;
    }
    const QJsonArray list = value.toArray();
    for (int i = 0; i < list.size(); ++i) {
        const QStringList at = path + QStringList{QString::number(i)};
        if (!list.at(i).isObject()) {
            problem(Diagnostic::Severity::Error, at, QStringLiteral("a sitting must be an object"));
            continue;
        }
        const QJsonObject object = list.at(i).toObject();
        const auto key = [&at](const char *name) { return at + QStringList{QLatin1String(name)}; };
        SessionFile::Sitting sitting;
        sitting.start = time(object, key("start"), true);
        sitting.end = time(object, key("end"), false);
        sitting.materials = string(object, key("materials"), false);
        sitting.version = string(object, key("version"), false);
        sitting.screen = screen(object, key("screen"));
        m_reading.session.sittings.append(sitting);
    }
}

} // namespace

QString SessionFile::fileName(const QString &account, const QString &user)
{
    return account + QLatin1Char('_') + user + Suffix;
}

QByteArray SessionFile::toJson() const
{
    QJsonArray order;
    for (int task : taskOrder)
        order.append(task);
    QJsonArray sittingList;
    for (const Sitting &sitting : sittings) {
        sittingList.append(QJsonObject{{QStringLiteral("start"), timeValue(sitting.start)},
                                       {QStringLiteral("end"), timeValue(sitting.end)},
                                       {QStringLiteral("materials"), sitting.materials},
                                       {QStringLiteral("version"), sitting.version},
                                       {QStringLiteral("screen"), screenObject(sitting.screen)}});
    }
    const QJsonObject root{{QStringLiteral("account"), account},
                           {QStringLiteral("user"), user},
                           {QStringLiteral("condition"), condition},
                           {QStringLiteral("taskOrder"), order},
                           {QStringLiteral("number"), number},
                           {QStringLiteral("materials"), materials},
                           {QStringLiteral("version"), version},
                           {QStringLiteral("screen"), screenObject(screen)},
                           {QStringLiteral("sittings"), sittingList}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool SessionFile::write(const QString &path, QString *error) const
{
    // Unbuffered, so that a write that fails (a full disk) is seen here and
    // the old file stays, as with the answers file.
    QSaveFile file(path);
    const QByteArray bytes = toJson();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        || file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

SessionFile::Reading SessionFile::read(const QByteArray &bytes, const QString &path)
{
    Reading reading;
    SessionParser parser(bytes, path, reading);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const TextPosition at = parser.locations().position(parseError.offset);
        reading.problems.append({path, at.line, at.column, Diagnostic::Severity::Error,
                                 parseError.errorString()});
        return reading;
    }
    if (!document.isObject()) {
        parser.problem(Diagnostic::Severity::Error, {},
                       QStringLiteral("a session file holds one object"));
        return reading;
    }
    parser.readRoot(document.object());
    return reading;
}

SessionFile::Reading SessionFile::readFile(const QString &path, const QString &shownPath)
{
    Reading reading;
    const std::optional<QByteArray> bytes = readStudyFileBytes(path, shownPath, &reading.problems);
    return bytes ? read(*bytes, shownPath) : reading;
}

QList<SessionFile::InFolder> SessionFile::readFolder(const QString &folder, const QString &except,
                                                     QList<Diagnostic> *problems)
{
    QList<InFolder> sessions;
    const QStringList names =
        QDir(folder).entryList({QLatin1Char('*') + Suffix}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        if (name == except)
            continue;
        Reading reading = readFile(folder + QLatin1Char('/') + name, name);
        if (problems)
            problems->append(reading.problems);
        if (reading.usable())
            sessions.append({name, reading.session});
    }
    return sessions;
}
