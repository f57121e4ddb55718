#include "studyfolder.h"

#include "core/formats/diagnostics.h"
#include "core/formats/answersfile.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSet>

#include <algorithm>
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
        QList<int> mergedStarts;
        for (int i = 0; i < participant.records.size(); ++i) {
            if (participant.sessionStarts.contains(i)) {
                mergedStarts.append(int(merged.size()));
                merged.append(before.value({p, i}));
            }
            merged.append(participant.records.at(i));
        }
        participant.records = merged;
        participant.sessionStarts = mergedStarts;
    }
    return unassigned;
}

namespace {

using ParticipantsByName = QMap<QPair<QString, QString>, Participant>;

struct ParsedLog
{
    QList<LogRecord> records;
    QList<Diagnostic> warnings;
};

// The logs are the bulk of a study: read and parsed on two threads, their
// warnings kept for reporting in file order.
std::vector<ParsedLog> parseLogs(const QDir &dir, const QStringList &logs)
{
    std::vector<ParsedLog> parsed(size_t(logs.size()));
    const auto parse = [&](qsizetype from, qsizetype step) {
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
        }
    };
    std::thread helper(parse, 1, 2);
    parse(0, 2);
    helper.join();
    return parsed;
}

Participant &participantOf(ParticipantsByName &byName, const QString &prefix,
                           const QStringList &users)
{
    const auto [account, user] = StudyFolder::splitPrefix(prefix, users);
    Participant &participant = byName[{account, user}];
    participant.account = account;
    participant.user = user;
    return participant;
}

void addAnswers(const QDir &dir, const QStringList &answers, const QStringList &users,
                ParticipantsByName &byName, Diagnostics &diagnostics)
{
    for (const QString &name : answers) {
        const QString path = dir.filePath(name);
        QString error;
        std::optional<QStringList> pieces = AnswersFile::read(path, &error);
        if (!pieces) {
            diagnostics.warning(path, 0, 0, unreadable(error));
            continue;
        }
        Participant &participant =
            participantOf(byName, name.chopped(answersSuffix.size()), users);
        participant.hasAnswers = true;
        participant.answers = std::move(*pieces);
    }
}

// Puts the records logged before sign-in in front of the sign-ins they
// precede, user by user; those that no sign-in follows become a participant
// without a name.
void mergeAllPreSignIn(StudyFolder &study, const QMap<QString, QList<LogRecord>> &preSignIn,
                       const QDir &dir, Diagnostics &diagnostics)
{
    QSet<QString> allUsers;
    for (const Participant &participant : std::as_const(study.participants))
        allUsers.insert(participant.user);
    for (auto it = preSignIn.cbegin(); it != preSignIn.cend(); ++it)
        allUsers.insert(it.key());
    QStringList sortedUsers(allUsers.cbegin(), allUsers.cend());
    sortedUsers.sort();
    for (const QString &user : std::as_const(sortedUsers)) {
        const QList<LogRecord> left =
            StudyFolder::mergePreSignIn(study.participants, user, preSignIn.value(user));
        if (left.isEmpty())
            continue;
        // Kept rather than dropped: they are the user's, only no sign-in followed.
        diagnostics.warning(dir.filePath(QLatin1Char('_') + user + logSuffix), left.first().line, 0,
                            QStringLiteral("%1 records before sign-in are followed by no "
                                           "sign-in; reported for an empty participant name")
                                .arg(left.size()));
        Participant nobody;
        nobody.user = user;
        nobody.hasLog = true;
        nobody.records = left;
        nobody.sessionStarts = sessionStartsOf(left, {});
        study.participants.prepend(nobody);
    }
}

} // namespace

std::optional<StudyFolder> StudyFolder::read(const QString &folder, Diagnostics &diagnostics)
{
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable()) {
        diagnostics.error(folder, 0, 0,
                          info.exists() ? QStringLiteral("cannot read the study folder")
                                        : QStringLiteral("no such study folder"));
        return std::nullopt;
    }
    const QDir dir(folder);
    StudyFolder study;
    study.tasks = QuestionsFile::read(dir.filePath(QuestionsFile::fileName())).tasks;
    study.lines = FeatureLines::read(folder, diagnostics);

    const QStringList logs = dir.entryList({QLatin1Char('*') + logSuffix}, QDir::Files,
                                           QDir::Name);
    const QStringList answers = dir.entryList({QLatin1Char('*') + answersSuffix}, QDir::Files,
                                              QDir::Name);
    QStringList users;
    for (const QString &name : logs) {
        if (name.startsWith(QLatin1Char('_')))
            users.append(name.mid(1, name.size() - 1 - logSuffix.size()));
    }

    std::vector<ParsedLog> parsed = parseLogs(dir, logs);
    ParticipantsByName byName;
    QMap<QString, QList<LogRecord>> preSignIn; // by user
    for (qsizetype i = 0; i < logs.size(); ++i) {
        for (const Diagnostic &warning : std::as_const(parsed[size_t(i)].warnings))
            diagnostics.report(warning);
        QList<LogRecord> records = std::move(parsed[size_t(i)].records);
        const QString prefix = logs.at(i).chopped(logSuffix.size());
        if (prefix.startsWith(QLatin1Char('_'))) {
            preSignIn[prefix.mid(1)].append(records);
            continue;
        }
        Participant &participant = participantOf(byName, prefix, users);
        participant.hasLog = true;
        participant.records = std::move(records);
    }
    addAnswers(dir, answers, users, byName, diagnostics);

    study.participants = byName.values();
    mergeAllPreSignIn(study, preSignIn, dir, diagnostics);
    return study;
}
