#include "studyreport.h"

#include "core/formats/answersfile.h"
#include "core/formats/questionsfile.h"
#include "report/studyfolder.h"

#include <QMap>
#include <QSet>

#include <algorithm>

namespace {

using Type = ReportTable::Type;

const QString taskCompleted = QStringLiteral("taskCompleted");

// Task numbers and line numbers: negative ones are not known.
std::optional<qint64> orNull(qint64 number)
{
    return number < 0 ? std::nullopt : std::optional<qint64>(number);
}

// What the participant had in front of them after a record.
struct Screen
{
    QString file; // empty: no code on screen
    int first = -1;
    int last = -1;

    void show(const LogRecord &record)
    {
        if (record.file.isEmpty() || record.firstLine < 0 || record.lastLine < 0) {
            *this = Screen();
            return;
        }
        file = record.file;
        first = record.firstLine;
        last = record.lastLine;
    }
};

// Follows the tabs of one run of the program: the log only tells which
// file a record names, not whether its tab is still open.
struct Tabs
{
    QSet<QString> open;
    Screen screen;

    void follow(const LogRecord &record, const QString &action)
    {
        if (action == QLatin1String("fileOpened") || action == QLatin1String("selectionChanged")) {
            open.insert(record.file);
            screen.show(record);
        } else if (action == QLatin1String("fileClosed")) {
            open.remove(record.file);
            // The lines logged belong to the tab in front, which is another
            // one when a tab behind it was closed.
            if (screen.file == record.file || !open.contains(screen.file))
                screen = Screen();
            else if (record.firstLine >= 0 && record.lastLine >= 0)
                screen = Screen{screen.file, record.firstLine, record.lastLine};
        } else if (open.contains(record.file)) {
            screen.show(record);
        } else {
            screen = Screen();
        }
    }
};

struct TaskTotals
{
    qint64 start = -1;
    qint64 end = -1;
    qint64 seconds = 0;
    int actions = 0;
    int filesOpened = 0;
    int searches = 0;
    int colorsAssigned = 0;
    int colorsRemoved = 0;
    QSet<QString> filesSeen;
    bool resumed = false;
    qint64 secondsLost = 0;
    QHash<int, Exposure::Amount> exposure;

    void cover(qint64 from, qint64 until)
    {
        start = start < 0 ? from : std::min(start, from);
        end = std::max(end, until);
    }
};

// The number in "assignColor<3>": how many features got a colour.
int featureCount(const QString &argument)
{
    bool ok = false;
    const int count = argument.toInt(&ok);
    return ok && count > 0 ? count : 1;
}

} // namespace

StudyReport::StudyReport(const StudyFolder &study)
    : m_features(study.lines.features()),
      m_events(QStringLiteral("events"),
               {{QStringLiteral("participant"), Type::Text},
                {QStringLiteral("user"), Type::Text},
                {QStringLiteral("session"), Type::Integer},
                {QStringLiteral("task"), Type::Integer},
                {QStringLiteral("file"), Type::Text},
                {QStringLiteral("action"), Type::Text},
                {QStringLiteral("argument"), Type::Text},
                {QStringLiteral("first_line"), Type::Integer},
                {QStringLiteral("last_line"), Type::Integer},
                {QStringLiteral("start"), Type::Time},
                {QStringLiteral("end"), Type::Time},
                {QStringLiteral("seconds"), Type::Integer},
                {QStringLiteral("seconds_task"), Type::Integer},
                {QStringLiteral("on_screen"), Type::Integer}}),
      m_tasks(QStringLiteral("tasks"),
              {{QStringLiteral("participant"), Type::Text},
               {QStringLiteral("user"), Type::Text},
               {QStringLiteral("task"), Type::Integer},
               {QStringLiteral("start"), Type::Time},
               {QStringLiteral("end"), Type::Time},
               {QStringLiteral("seconds"), Type::Integer},
               {QStringLiteral("actions"), Type::Integer},
               {QStringLiteral("files_opened"), Type::Integer},
               {QStringLiteral("files_seen"), Type::Integer},
               {QStringLiteral("searches"), Type::Integer},
               {QStringLiteral("colors_assigned"), Type::Integer},
               {QStringLiteral("colors_removed"), Type::Integer},
               {QStringLiteral("resumed"), Type::Integer},
               {QStringLiteral("seconds_lost"), Type::Integer}}),
      m_answers(QStringLiteral("answers"),
                {{QStringLiteral("participant"), Type::Text},
                 {QStringLiteral("user"), Type::Text},
                 {QStringLiteral("task"), Type::Integer},
                 {QStringLiteral("question"), Type::Integer},
                 {QStringLiteral("question_text"), Type::Text},
                 {QStringLiteral("answer"), Type::Text}}),
      m_exposure(QStringLiteral("exposure"),
                 {{QStringLiteral("participant"), Type::Text},
                  {QStringLiteral("user"), Type::Text},
                  {QStringLiteral("task"), Type::Integer},
                  {QStringLiteral("feature"), Type::Text},
                  {QStringLiteral("seconds"), Type::Integer},
                  {QStringLiteral("line_seconds"), Type::Integer}})
{
    for (int t = 0; t < study.tasks.size(); ++t) {
        const QuestionsFile::Task &task = study.tasks.at(t);
        for (int q = 0; q < task.size(); ++q) {
            if (task.at(q).answerLines > 0) {
                m_boxes.append({t, q});
                m_questionTexts.append(QuestionsFile::plainText(task.at(q).text));
            }
        }
    }
    qsizetype records = 0;
    for (const Participant &participant : study.participants)
        records += participant.records.size();
    m_events.reserve(records);
    for (const Participant &participant : study.participants) {
        addParticipant(study, participant);
        addAnswers(participant);
    }
}

void StudyReport::addParticipant(const StudyFolder &study, const Participant &participant)
{
    const QList<LogRecord> &records = participant.records;
    const QString &account = participant.account;
    const QString &user = participant.user;
    QMap<int, TaskTotals> totals; // by task; -1 before sign-in
    int lastTask = -1;

    for (int s = 0; s < participant.sessionStarts.size(); ++s) {
        const int begin = participant.sessionStarts.at(s);
        const int end = s + 1 < participant.sessionStarts.size()
                            ? participant.sessionStarts.at(s + 1)
                            : int(records.size());
        // The gap before a later run: nothing was logged, the program was not running.
        const qint64 lost = s > 0 ? std::max<qint64>(0, records.at(begin).stamp
                                                            - records.at(begin - 1).stamp)
                                  : 0;
        bool lostPending = s > 0;
        Tabs tabs;
        QString shownFile;
        const TaskTotals *shownTask = nullptr;
        QList<FeatureLines::FileFeature> shownFeatures;

        for (int i = begin; i < end; ++i) {
            const LogRecord &record = records.at(i);
            const ActionText action = ActionText::split(record.action);
            tabs.follow(record, action.name);
            const Screen &screen = tabs.screen;

            const bool hasNext = i + 1 < end;
            const qint64 until = hasNext ? std::max(record.stamp, records.at(i + 1).stamp)
                                         : record.stamp;
            const qint64 seconds = until - record.stamp;
            const bool pageTurn = record.action == taskCompleted
                                  || (record.task < 0 && record.action == QLatin1String("code"));
            // The sign-in always opens the first task page (a participant
            // resumed elsewhere logs no sign-in), "taskCompleted" the next
            // one; after the last page there are no seconds to count.
            const int secondsTask = pageTurn && hasNext ? record.task + 1 : record.task;

            TaskTotals &logged = totals[record.task];
            logged.cover(record.stamp, record.stamp);
            ++logged.actions;
            if (action.name == QLatin1String("fileOpened"))
                ++logged.filesOpened;
            else if (action.name.startsWith(QLatin1String("search<")))
                ++logged.searches;
            else if (action.name == QLatin1String("assignColor"))
                logged.colorsAssigned += featureCount(action.argument);
            else if (action.name == QLatin1String("deleteColor"))
                logged.colorsRemoved += featureCount(action.argument);

            TaskTotals &spent = totals[secondsTask];
            spent.cover(record.stamp, until);
            spent.seconds += seconds;
            if (!screen.file.isEmpty()) {
                // Most records keep the file of the one before.
                if (screen.file != shownFile || &spent != shownTask) {
                    spent.filesSeen.insert(screen.file);
                    shownFile = screen.file;
                    shownTask = &spent;
                    shownFeatures = study.lines.fileFeatures(screen.file);
                }
                if (seconds > 0) {
                    for (const FeatureLines::FileFeature &feature : std::as_const(shownFeatures)) {
                        spent.exposure[feature.feature].add(
                            Exposure::visibleLines(feature.lines, screen.first, screen.last),
                            seconds);
                    }
                }
            }
            if (lostPending && secondsTask >= 0) {
                spent.resumed = true;
                spent.secondsLost += lost;
                lostPending = false;
            }
            if (secondsTask >= 0)
                lastTask = secondsTask;

            m_events.addRow(account, user, s + 1, orNull(record.task), record.file, action.name,
                            action.argument, orNull(record.firstLine), orNull(record.lastLine),
                            record.stamp, until, seconds, orNull(secondsTask),
                            screen.file.isEmpty() ? 0 : 1);
        }
        // A run that never reached a task: its loss goes to the task it interrupted.
        if (lostPending) {
            totals[lastTask].resumed = true;
            totals[lastTask].secondsLost += lost;
        }
    }

    for (auto it = totals.cbegin(); it != totals.cend(); ++it) {
        const TaskTotals &task = *it;
        m_tasks.addRow(account, user, orNull(it.key()), orNull(task.start), orNull(task.end),
                       task.seconds, task.actions, task.filesOpened, int(task.filesSeen.size()),
                       task.searches, task.colorsAssigned, task.colorsRemoved,
                       task.resumed ? 1 : 0, task.secondsLost);
        for (int f = 0; f < m_features.size(); ++f) {
            const Exposure::Amount amount = task.exposure.value(f);
            m_exposure.addRow(account, user, orNull(it.key()), m_features.at(f), amount.seconds,
                              amount.lineSeconds);
        }
    }
}

void StudyReport::addAnswers(const Participant &participant)
{
    if (!participant.hasAnswers)
        return;
    const QString &account = participant.account;
    const QString &user = participant.user;
    const ReportTable::Null none;
    if (m_boxes.isEmpty()) {
        // No questionnaire to place them in: kept all the same.
        for (const QString &answer : participant.answers)
            m_answers.addRow(account, user, none, none, none, answer);
        return;
    }
    const QStringList answers = AnswersFile::distribute(participant.answers, int(m_boxes.size()));
    for (int box = 0; box < m_boxes.size(); ++box) {
        const std::optional<QString> answer =
            box < answers.size() ? std::optional<QString>(answers.at(box)) : std::nullopt;
        m_answers.addRow(account, user, m_boxes.at(box).first, m_boxes.at(box).second + 1,
                         m_questionTexts.at(box), answer);
    }
}
