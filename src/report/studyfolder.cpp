#include "studyfolder.h"

#include "core/formats/answersfile.h"
#include "core/formats/diagnostics.h"
#include "core/formats/logrecord.h"
#include "core/formats/questionsfile.h"
#include "core/formats/studydesign.h"
#include "core/study/studymaterials.h"
#include "report/reportwarnings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>
#include <climits>

namespace {

const QString logSuffix = QStringLiteral("_log.txt");
const QString answersSuffix = QStringLiteral("_answers.txt");

QString unreadable(const QString &error)
{
    return QStringLiteral("cannot read the file (") + error + QStringLiteral("); skipped");
}

// Each run of the viewer starts its log with a record that refers to itself
// (previous stamp = its own), or, after records before sign-in, to the last
// of those. A record that refers to the one before it in the file continues
// the run; one whose predecessor was lost (a full disk) refers to neither.
QList<int> sessionStartsOf(const QList<LogRecord> &records, const QSet<qint64> &preSignInStamps)
{
    QList<int> starts;
    for (int i = 0; i < records.size(); ++i) {
        const LogRecord &record = records.at(i);
        if (i == 0) {
            starts.append(i);
            continue;
        }
        if (record.previousStamp == records.at(i - 1).stamp)
            continue;
        if (record.previousStamp == record.stamp || preSignInStamps.contains(record.previousStamp))
            starts.append(i);
    }
    return starts;
}

} // namespace

QPair<QString, QString> StudyFolder::splitPrefix(const QString &prefix,
                                                 const QStringList &knownUsers)
{
    qsizetype best = -1;
    for (const QString &user : knownUsers) {
        const QString ending = QLatin1Char('_') + user;
        if (prefix.size() > ending.size() && prefix.endsWith(ending)
            && (best < 0 || user.size() > knownUsers.at(best).size()))
            best = knownUsers.indexOf(user);
    }
    if (best >= 0) {
        const QString &user = knownUsers.at(best);
        return {prefix.left(prefix.size() - user.size() - 1), user};
    }
    const qsizetype at = prefix.lastIndexOf(QLatin1Char('_'));
    if (at < 0)
        return {prefix, QString()};
    return {prefix.left(at), prefix.mid(at + 1)};
}

QList<LogRecord> StudyFolder::mergePreSignIn(QList<Participant> &participants,
                                             const QString &user,
                                             const QList<LogRecord> &preSignIn)
{
    QSet<qint64> preSignInStamps;
    for (const LogRecord &record : preSignIn)
        preSignInStamps.insert(record.stamp);

    struct Start
    {
        qint64 stamp;
        int participant;
        int record;
    };
    QList<Start> starts;
    for (int p = 0; p < participants.size(); ++p) {
        Participant &participant = participants[p];
        if (participant.user != user)
            continue;
        participant.sessionStarts = sessionStartsOf(participant.records, preSignInStamps);
        for (int index : std::as_const(participant.sessionStarts))
            starts.append({participant.records.at(index).stamp, p, index});
    }
    std::stable_sort(starts.begin(), starts.end(),
                     [](const Start &a, const Start &b) { return a.stamp < b.stamp; });

    // Records before sign-in, by the sign-in they precede.
    QMap<QPair<int, int>, QList<LogRecord>> before;
    QList<LogRecord> unassigned;
    for (const LogRecord &record : preSignIn) {
        const auto next = std::lower_bound(
            starts.cbegin(), starts.cend(), record.stamp,
            [](const Start &start, qint64 stamp) { return start.stamp < stamp; });
        if (next == starts.cend())
            unassigned.append(record);
        else
            before[{next->participant, next->record}].append(record);
    }
    if (before.isEmpty())
        return unassigned;

    for (int p = 0; p < participants.size(); ++p) {
        Participant &participant = participants[p];
        const bool gainsRecords = before.lowerBound({p, 0}) != before.upperBound({p, INT_MAX});
        if (participant.user != user || !gainsRecords)
            continue;
        QList<LogRecord> merged;
        merged.reserve(participant.records.size() + preSignIn.size());
        QList<bool> beforeSignIn;
        beforeSignIn.reserve(merged.capacity());
        QList<int> mergedStarts;
        for (int i = 0; i < participant.records.size(); ++i) {
            if (participant.sessionStarts.contains(i)) {
                mergedStarts.append(int(merged.size()));
                const QList<LogRecord> records = before.value({p, i});
                merged.append(records);
                beforeSignIn.append(QList<bool>(records.size(), true));
            }
            merged.append(participant.records.at(i));
            beforeSignIn.append(false);
        }
        participant.records = merged;
        participant.beforeSignIn = beforeSignIn;
        participant.sessionStarts = mergedStarts;
    }
    return unassigned;
}

namespace {

// One log file read and parsed, its warnings kept until they are reported
// in file order.
struct ParsedLog
{
    QList<LogRecord> records;
    QList<Diagnostic> warnings;
};

// The logs are the bulk of a study: read and parsed on two threads.
std::vector<ParsedLog> readLogs(const QDir &dir, const QStringList &logs)
{
    std::vector<ParsedLog> parsed(size_t(logs.size()));
    const auto parse = [&](qsizetype from, qsizetype step) {
        QHash<QString, QString> texts;
        for (qsizetype i = from; i < logs.size(); i += step) {
            const QString path = dir.filePath(logs.at(i));
            ParsedLog &log = parsed[size_t(i)];
            QString error;
            const std::optional<QString> text = LogFile::read(path, &error);
            if (!text) {
                log.warnings.append(
                    {path, 0, 0, Diagnostic::Severity::Warning, unreadable(error)});
                continue;
            }
            log.records = LogRecord::parseLog(*text, path, &log.warnings);
            // A study names a few hundred files and actions in half a million
            // records: one copy of each saves memory, and the tables find
            // them again by where they lie.
            const auto intern = [&texts](QString &text) {
                auto found = texts.constFind(text);
                if (found == texts.cend())
                    found = texts.insert(text, text);
                text = *found;
            };
            for (LogRecord &record : log.records) {
                intern(record.file);
                intern(record.action);
            }
        }
    };
    std::thread helper(parse, 1, 2);
    parse(0, 2);
    helper.join();
    return parsed;
}

Participant &participantOf(QMap<QPair<QString, QString>, Participant> &byName,
                           const QPair<QString, QString> &name)
{
    Participant &participant = byName[name];
    participant.account = name.first;
    participant.user = name.second;
    return participant;
}

} // namespace

std::optional<StudyFolder> StudyFolder::read(const QString &folder, ReportWarnings &warnings)
{
    // Opened rather than asked about: a listing that fails would read as
    // an empty study, and only opening says why.
    const int opened = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (opened < 0) {
        warnings.diagnostics().error(folder, 0, 0,
                                     QStringLiteral("cannot read the study folder: ")
                                         + QString::fromLocal8Bit(std::strerror(errno)));
        return std::nullopt;
    }
    ::close(opened);
    const QDir dir(folder);
    StudyFolder study;
    study.folder = folder;
    study.tasks = QuestionsFile::read(dir.filePath(QuestionsFile::fileName())).tasks;
    study.lines = FeatureLines::read(folder, warnings);

    const QStringList logs = dir.entryList({QLatin1Char('*') + logSuffix}, QDir::Files,
                                           QDir::Name);
    const QStringList answers = dir.entryList({QLatin1Char('*') + answersSuffix}, QDir::Files,
                                              QDir::Name);
    QStringList users;
    for (const QString &name : logs) {
        if (name.startsWith(QLatin1Char('_')))
            users.append(name.mid(1, name.size() - 1 - logSuffix.size()));
    }

    std::vector<ParsedLog> parsed = readLogs(dir, logs);
    QMap<QPair<QString, QString>, Participant> byName;
    QMap<QString, QList<LogRecord>> preSignIn; // by user
    for (qsizetype i = 0; i < logs.size(); ++i) {
        const QString &name = logs.at(i);
        const QString prefix = name.chopped(logSuffix.size());
        const auto names = prefix.startsWith(QLatin1Char('_'))
                               ? qMakePair(QString(), prefix.mid(1))
                               : splitPrefix(prefix, users);
        for (const Diagnostic &warning : std::as_const(parsed[size_t(i)].warnings))
            warnings.add(names.first + QLatin1Char('_') + names.second, warning,
                         QStringLiteral("log-record"));
        QList<LogRecord> records = std::move(parsed[size_t(i)].records);
        if (names.first.isEmpty()) {
            preSignIn[names.second].append(records);
            continue;
        }
        Participant &participant = participantOf(byName, names);
        participant.hasLog = true;
        participant.records = std::move(records);
        participant.logPath = dir.filePath(name);
    }
    for (const QString &name : answers) {
        const QString path = dir.filePath(name);
        QString error;
        std::optional<QStringList> pieces = AnswersFile::read(path, &error);
        if (!pieces) {
            warnings.add(QString(), path, 0, QStringLiteral("unreadable"), unreadable(error));
            continue;
        }
        Participant &participant =
            participantOf(byName, splitPrefix(name.chopped(answersSuffix.size()), users));
        participant.hasAnswers = true;
        participant.answers = std::move(*pieces);
        participant.answersPath = path;
    }
    study.participants = byName.values();
    study.placePreSignIn(preSignIn, warnings);
    study.readSessions(warnings);
    study.readViews(warnings);
    return study;
}

QList<int> StudyFolder::boxesPerTask() const
{
    QList<int> boxes;
    for (const QuestionsFile::Task &task : tasks) {
        int count = 0;
        for (const QuestionsFile::Question &question : task)
            count += question.answerLines > 0 ? 1 : 0;
        boxes.append(count);
    }
    return boxes;
}

void StudyFolder::readSessions(ReportWarnings &warnings)
{
    const QDir dir(folder);
    bool any = false;
    for (Participant &participant : participants) {
        if (participant.account.isEmpty())
            continue;
        const QString path =
            dir.filePath(SessionFile::fileName(participant.account, participant.user));
        if (!QFileInfo(path).isFile())
            continue;
        const SessionFile::Reading reading = SessionFile::readFile(path, path);
        const bool usable = reading.usable();
        // The report is written all the same: a damaged session file is the
        // participant's doubt, not the report's failure.
        for (Diagnostic problem : reading.problems) {
            if (problem.severity == Diagnostic::Severity::Error)
                problem.text += QStringLiteral("; the participant's condition, task order and "
                                               "materials are left empty");
            problem.severity = Diagnostic::Severity::Warning;
            warnings.add(participant.id(), problem, QStringLiteral("session"));
        }
        if (!usable)
            continue;
        participant.session = reading.session;
        participant.sessionPath = path;
        any = true;
    }
    if (!any)
        return;
    // As the viewer names the material at start: the design's assignment
    // files and the sources annotations.xml lists.
    const StudyDesign design = StudyDesign::readFolder(folder).design;
    materials = StudyMaterials::hash(folder, StudyMaterials::files(design, lines.listedSources()));
}

void StudyFolder::readViews(ReportWarnings &warnings)
{
    const QDir dir(folder);
    for (Participant &participant : participants) {
        if (participant.account.isEmpty())
            continue;
        const QString path = dir.filePath(participant.id() + ViewFile::Suffix);
        if (!QFileInfo(path).isFile())
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            warnings.add(participant.id(), path, 0, QStringLiteral("unreadable"),
                         unreadable(file.errorString()));
            continue;
        }
        ViewFile::Reading reading = ViewFile::read(file.readAll(), path);
        for (Diagnostic problem : std::as_const(reading.problems)) {
            problem.severity = Diagnostic::Severity::Warning;
            warnings.add(participant.id(), problem, QStringLiteral("view-file"));
        }
        participant.hasView = true;
        participant.viewRows = std::move(reading.rows);
        participant.viewPath = path;
    }
}

void StudyFolder::placePreSignIn(const QMap<QString, QList<LogRecord>> &preSignIn,
                                 ReportWarnings &warnings)
{
    const QDir dir(folder);
    QSet<QString> allUsers;
    for (const Participant &participant : std::as_const(participants))
        allUsers.insert(participant.user);
    for (auto it = preSignIn.cbegin(); it != preSignIn.cend(); ++it)
        allUsers.insert(it.key());
    QStringList sortedUsers(allUsers.cbegin(), allUsers.cend());
    sortedUsers.sort();
    for (const QString &user : std::as_const(sortedUsers)) {
        const QString path = dir.filePath(QLatin1Char('_') + user + logSuffix);
        for (Participant &participant : participants) {
            if (participant.user == user)
                participant.preSignInLogPath = path;
        }
        const QList<LogRecord> left = mergePreSignIn(participants, user, preSignIn.value(user));
        if (left.isEmpty())
            continue;
        Participant nobody;
        nobody.user = user;
        nobody.hasLog = true;
        nobody.records = left;
        nobody.beforeSignIn = QList<bool>(left.size(), true);
        nobody.sessionStarts = sessionStartsOf(left, {});
        nobody.logPath = path;
        nobody.preSignInLogPath = path;
        // Kept rather than dropped: they are the user's, only no sign-in followed.
        warnings.add(nobody.id(), path, left.first().line, QStringLiteral("no-sign-in"),
                     QStringLiteral("%1 records before sign-in are followed by no sign-in; "
                                    "reported for participant \"%2\"")
                         .arg(left.size())
                         .arg(nobody.id()));
        participants.prepend(nobody);
    }
}
