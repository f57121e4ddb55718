#include "replaysources.h"

#include "core/formats/answersfile.h"
#include "core/formats/textdecoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

const QString LogSuffix = QStringLiteral("_log.txt");
const QString AnswersSuffix = QStringLiteral("_answers.txt");

// Where the opacity slider starts when no condition says otherwise.
constexpr int DefaultOpacity = 170;

int boxesOf(const QuestionsFile::Task &task)
{
    int boxes = 0;
    for (const QuestionsFile::Question &question : task)
        boxes += question.answerLines > 0 ? 1 : 0;
    return boxes;
}

} // namespace

QString ReplaySources::path(const QString &suffix) const
{
    return folder + QLatin1Char('/') + account + QLatin1Char('_') + user + suffix;
}

QStringList ReplaySources::usersOf(const QString &folder, const QString &account)
{
    const QString prefix = account + QLatin1Char('_');
    QSet<QString> users;
    const QStringList suffixes{LogSuffix, ViewFile::Suffix, SessionFile::Suffix, AnswersSuffix};
    for (const QString &name : QDir(folder).entryList(QDir::Files)) {
        for (const QString &suffix : suffixes) {
            if (name.startsWith(prefix) && name.endsWith(suffix)
                && name.size() >= prefix.size() + suffix.size())
                users.insert(name.mid(prefix.size(), name.size() - prefix.size() - suffix.size()));
        }
    }
    QStringList sorted(users.begin(), users.end());
    sorted.sort();
    return sorted;
}

ReplaySources ReplaySources::load(const QString &folder, const QString &account,
                                  const QString &user)
{
    ReplaySources sources;
    sources.folder = folder;
    sources.account = account;
    sources.user = user;
    sources.readLog();
    sources.readView();
    sources.readSession();
    sources.readQuestionsAndAnswers();
    return sources;
}

void ReplaySources::note(const QString &path, Diagnostic::Severity severity,
                         const QString &problem, const QString &shortNote)
{
    problems.append({path, 0, 0, severity, problem});
    notes.append(shortNote);
}

void ReplaySources::readLog()
{
    const QString logPath = path(LogSuffix);
    if (!QFileInfo(logPath).isFile()) {
        note(logPath, Diagnostic::Severity::Warning, QStringLiteral("no log"),
             QStringLiteral("No log: only the view file is replayed."));
        return;
    }
    QList<Diagnostic> warnings;
    records = LogRecord::parseLog(readStudyFile(logPath), logPath, &warnings);
    problems += warnings;
    if (!warnings.isEmpty())
        notes.append(QStringLiteral("Log: %1 record(s) damaged or cut off, left out.")
                         .arg(warnings.size()));
}

void ReplaySources::readView()
{
    const QString viewPath = path(ViewFile::Suffix);
    QFile file(viewPath);
    if (!QFileInfo(viewPath).isFile() || !file.open(QIODevice::ReadOnly)) {
        note(viewPath, Diagnostic::Severity::Warning,
             QStringLiteral("no view file: files and lines come from the log alone, colours "
                            "are not known"),
             QStringLiteral("No view file: files and lines from the log alone, no colours."));
        return;
    }
    ViewFile::Reading reading = ViewFile::read(file.readAll(), viewPath);
    rows = reading.rows;
    problems += reading.problems;
    if (!reading.problems.isEmpty())
        notes.append(QStringLiteral("View file: %1 row(s) damaged or cut off, left out.")
                         .arg(reading.problems.size()));
}

void ReplaySources::readSession()
{
    const QString sessionPath = path(SessionFile::Suffix);
    if (!QFileInfo(sessionPath).isFile()) {
        note(sessionPath, Diagnostic::Severity::Warning,
             QStringLiteral("no session file: time is counted from the first record, the "
                            "condition is not known"),
             QStringLiteral("No session file: time from the first record, condition unknown."));
        return;
    }
    SessionFile::Reading reading = SessionFile::readFile(sessionPath, sessionPath);
    problems += reading.problems;
    if (!reading.usable()) {
        notes.append(QStringLiteral("Session file unreadable: time from the first record, "
                                    "condition unknown."));
        return;
    }
    session = reading.session;
    if (session->condition.isEmpty())
        return;
    StudyDesign::Reading design = StudyDesign::readFolder(folder);
    if (const StudyCondition *found = design.design.condition(session->condition)) {
        condition = *found;
        return;
    }
    note(folder + QLatin1Char('/') + StudyDesign::FileName, Diagnostic::Severity::Warning,
         QStringLiteral("the condition \"%1\" of the session file is not in it")
             .arg(session->condition),
         QStringLiteral("Condition \"%1\" is not in study.json: shown with colours.")
             .arg(session->condition));
}

void ReplaySources::readQuestionsAndAnswers()
{
    const QString questions = folder + QStringLiteral("/questions.txt");
    if (QFileInfo(questions).isFile())
        tasks = QuestionsFile::parse(readTextFile(questions, NulCharacters::EndText));
    int boxes = 0;
    for (const QuestionsFile::Task &task : std::as_const(tasks))
        boxes += boxesOf(task);
    const QString answersPath = path(AnswersSuffix);
    answersFound = QFileInfo(answersPath).isFile();
    answers = AnswersFile::distribute(
        answersFound ? AnswersFile::pieces(readStudyFile(answersPath)) : QStringList(), boxes);
    if (!answersFound)
        note(answersPath, Diagnostic::Severity::Note, QStringLiteral("no answers file"),
             QStringLiteral("No answers file."));
}

ReplayTimeline::Settings ReplaySources::settings() const
{
    ReplayTimeline::Settings settings;
    settings.initialOpacity =
        condition && condition->opacity >= 0 ? condition->opacity : DefaultOpacity;
    settings.taskCount = int(tasks.size());
    if (session) {
        for (const SessionFile::Sitting &sitting : session->sittings)
            settings.sittingStarts.append(sitting.start);
    }
    return settings;
}

int ReplaySources::taskOnPage(int page) const
{
    const int count = int(tasks.size());
    if (page < 1 || page > count)
        return -1;
    if (session && session->taskOrder.size() == count) {
        const QList<int> &order = session->taskOrder;
        const QSet<int> distinct(order.begin(), order.end());
        const bool arrangesAll = distinct.size() == count
                                 && std::all_of(order.begin(), order.end(),
                                                [count](int task) { return task <= count; });
        if (arrangesAll)
            return order.at(page - 1) - 1;
    }
    return page - 1;
}

QStringList ReplaySources::answersOnPage(int page) const
{
    const int task = taskOnPage(page);
    if (task < 0)
        return {};
    int offset = 0;
    for (int earlier = 1; earlier < page; ++earlier)
        offset += boxesOf(tasks.at(taskOnPage(earlier)));
    return answers.mid(offset, boxesOf(tasks.at(task)));
}
