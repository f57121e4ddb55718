#include "studyreport.h"

#include "core/formats/answersfile.h"
#include "core/formats/questionsfile.h"
#include "report/phasetotals.h"
#include "report/plausibility.h"
#include "report/reportwarnings.h"
#include "report/studyfolder.h"

#include <QMap>

#include <algorithm>
#include <tuple>

namespace {

using Type = ReportTable::Type;
using Phase = ScreenTimeline::Phase;

// Line numbers: negative ones are not known.
std::optional<qint64> orNull(qint64 number)
{
    return number < 0 ? std::nullopt : std::optional<qint64>(number);
}

ReportTable table(const char *name, std::initializer_list<std::pair<const char *, Type>> columns)
{
    QList<ReportTable::Column> list;
    for (const auto &[column, type] : columns)
        list.append({QLatin1String(column), type});
    return ReportTable(QLatin1String(name), list);
}

// The task field as the log writes it: "code" before sign-in, "task0" for the first task.
QString loggedTask(int page)
{
    return page < 0 ? QStringLiteral("code") : QStringLiteral("task") + QString::number(page);
}

} // namespace

StudyReport::StudyReport(const StudyFolder &study, ReportWarnings &warnings)
    : m_taskCount(int(study.tasks.size())),
      m_key(study.key),
      m_features(study.lines.features()),
      m_participants(table("participants", {{"participant", Type::Text},
                                            {"account", Type::Text},
                                            {"user", Type::Text},
                                            {"first", Type::Time},
                                            {"last", Type::Time},
                                            {"sittings", Type::Integer},
                                            {"records", Type::Integer},
                                            {"answers", Type::Integer},
                                            {"seconds_lost", Type::Integer},
                                            {"warnings", Type::Integer},
                                            {"condition", Type::Text},
                                            {"task_order", Type::Text},
                                            {"materials", Type::Text}})),
      m_events(table("events", {{"participant", Type::Text},
                                {"session", Type::Integer},
                                {"log_task", Type::Text},
                                {"logged_file", Type::Text},
                                {"action", Type::Text},
                                {"argument", Type::Text},
                                {"file", Type::Text},
                                {"first_line", Type::Integer},
                                {"last_line", Type::Integer},
                                {"start", Type::Time},
                                {"end", Type::Time},
                                {"seconds", Type::Integer},
                                {"phase", Type::Text},
                                {"task", Type::Integer},
                                {"on_screen", Type::Integer}})),
      m_tasks(table("tasks", {{"participant", Type::Text},
                              {"phase", Type::Text},
                              {"task", Type::Integer},
                              {"start", Type::Time},
                              {"end", Type::Time},
                              {"seconds", Type::Integer},
                              {"seconds_unattributed", Type::Integer},
                              {"actions", Type::Integer},
                              {"files_opened", Type::Integer},
                              {"files_seen", Type::Integer},
                              {"searches", Type::Integer},
                              {"colors_assigned", Type::Integer},
                              {"colors_removed", Type::Integer},
                              {"resumed", Type::Integer},
                              {"seconds_lost", Type::Integer},
                              {"correct", Type::Integer},
                              {"scored", Type::Integer}})),
      m_answers(table("answers", {{"participant", Type::Text},
                                  {"task", Type::Integer},
                                  {"question", Type::Integer},
                                  {"question_text", Type::Text},
                                  {"answer", Type::Text},
                                  {"correct", Type::Integer}})),
      m_exposure(table("exposure", {{"participant", Type::Text},
                                    {"phase", Type::Text},
                                    {"task", Type::Integer},
                                    {"feature", Type::Text},
                                    {"seconds", Type::Integer},
                                    {"line_seconds", Type::Integer}})),
      m_files(table("files", {{"participant", Type::Text},
                              {"phase", Type::Text},
                              {"task", Type::Integer},
                              {"file", Type::Text},
                              {"seconds", Type::Integer}})),
      m_transitions(table("transitions", {{"participant", Type::Text},
                                          {"phase", Type::Text},
                                          {"task", Type::Integer},
                                          {"from_file", Type::Text},
                                          {"to_file", Type::Text},
                                          {"count", Type::Integer}})),
      m_firstViews(table("first_views", {{"participant", Type::Text},
                                         {"task", Type::Integer},
                                         {"feature", Type::Text},
                                         {"seconds", Type::Integer}})),
      m_warnings(table("warnings", {{"participant", Type::Text},
                                    {"file", Type::Text},
                                    {"line", Type::Integer},
                                    {"kind", Type::Text},
                                    {"message", Type::Text}}))
{
    for (int t = 0; t < study.tasks.size(); ++t) {
        const QuestionsFile::Task &task = study.tasks.at(t);
        int box = 0;
        for (const QuestionsFile::Question &question : task) {
            if (question.answerLines > 0) {
                m_boxes.append({t + 1, ++box});
                m_questionTexts.append(QuestionsFile::plainText(question.text));
            }
        }
    }
    for (const Participant &participant : study.participants)
        addParticipant(study, participant, warnings);
    addWarnings(warnings);
}

void StudyReport::addParticipant(const StudyFolder &study, const Participant &participant,
                                 ReportWarnings &warnings)
{
    const ScreenTimeline timeline = ScreenTimeline::of(participant, m_taskCount);
    Plausibility::check(study, participant, timeline, warnings);
    addEvents(participant, timeline);
    const QMap<PhaseTotals::Key, PhaseTotals> totals =
        PhaseTotals::of(study.lines, participant, timeline, m_taskCount, m_fileIds);
    addTotals(participant.id(), totals, addAnswers(participant));
    if (!timeline.spans.isEmpty())
        m_timelines.append({participant.id(), TimelineBins::of(timeline.spans)});

    std::optional<qint64> first;
    std::optional<qint64> last;
    for (const LogRecord &record : participant.records) {
        first = std::min(first.value_or(record.stamp), record.stamp);
        last = std::max(last.value_or(record.stamp), record.stamp);
    }
    qint64 lost = 0;
    for (const ScreenTimeline::Interruption &gap : timeline.interruptions)
        lost += gap.until - gap.from;
    // What the session file says they were given; nothing without one.
    std::optional<QString> condition;
    std::optional<QString> order;
    std::optional<QString> materials;
    if (const std::optional<SessionFile> &session = participant.session) {
        condition = session->condition;
        QStringList tasks;
        for (const int task : session->taskOrder)
            tasks.append(QString::number(task));
        order = tasks.join(QLatin1Char(' '));
        materials = session->materials;
    }
    m_participants.addRow(participant.id(), participant.account, participant.user, first, last,
                          int(participant.sessionStarts.size()), int(participant.records.size()),
                          int(participant.answers.size()), lost, warnings.count(participant.id()),
                          condition, order, materials);
}

void StudyReport::addEvents(const Participant &participant, const ScreenTimeline &timeline)
{
    const QString id = participant.id();
    const QString phaseNames[] = {ScreenTimeline::phaseName(Phase::SignIn),
                                  ScreenTimeline::phaseName(Phase::Task),
                                  ScreenTimeline::phaseName(Phase::Unattributed)};
    // Most records repeat the task field of the one before.
    int lastPage = -2;
    QString pageText;
    for (int i = 0; i < participant.records.size(); ++i) {
        const LogRecord &record = participant.records.at(i);
        const ScreenTimeline::AfterRecord &after = timeline.records.at(i);
        if (record.task != lastPage) {
            lastPage = record.task;
            pageText = loggedTask(record.task);
        }
        // A study logs a few hundred different actions: each is taken apart once.
        const int actionId = m_actionIds.id(record.action);
        if (actionId == int(m_actions.size()))
            m_actions.push_back(ActionText::split(record.action));
        const ActionText &action = m_actions[size_t(actionId)];
        m_events.addRow(id, after.session, pageText, record.file, action.name, action.argument,
                        after.file, orNull(after.first), orNull(after.last), record.stamp,
                        after.until, after.until - record.stamp, phaseNames[int(after.phase)],
                        after.task, after.file.isEmpty() ? 0 : 1);
    }
}

void StudyReport::addTotals(const QString &participant,
                            const QMap<PhaseTotals::Key, PhaseTotals> &totals, const Scores &scores)
{
    for (auto it = totals.cbegin(); it != totals.cend(); ++it) {
        const PhaseTotals &phase = *it;
        const QString phaseName = ScreenTimeline::phaseName(PhaseTotals::phaseOf(it.key()));
        const int task = it.key().second;
        const bool isTask = PhaseTotals::phaseOf(it.key()) == Phase::Task;
        // Right and scored answers of the task; empty where the key scores none.
        const QPair<int, int> score = isTask ? scores.value(task) : QPair<int, int>();
        const std::optional<qint64> correct =
            score.second > 0 ? std::optional<qint64>(score.first) : std::nullopt;
        const std::optional<qint64> scored =
            score.second > 0 ? std::optional<qint64>(score.second) : std::nullopt;
        m_tasks.addRow(participant, phaseName, task, orNull(phase.start), orNull(phase.end),
                       phase.seconds, phase.secondsUnattributed, phase.actions,
                       phase.filesOpened, int(phase.fileSeconds.size()), phase.searches,
                       phase.colorsAssigned, phase.colorsRemoved, phase.resumed ? 1 : 0,
                       phase.secondsLost, correct, scored);
        // Files by name: ranked once, compared as numbers.
        QList<int> files = phase.fileSeconds.keys();
        std::sort(files.begin(), files.end(), [this](int a, int b) {
            return m_fileIds.text(a) < m_fileIds.text(b);
        });
        QHash<int, int> rank;
        for (int i = 0; i < files.size(); ++i)
            rank.insert(files.at(i), i);
        for (const int file : std::as_const(files))
            m_files.addRow(participant, phaseName, task, m_fileIds.text(file),
                           phase.fileSeconds.value(file));
        // (from, to) by the files' ranks, with the count.
        std::vector<std::tuple<int, int, int>> moves;
        moves.reserve(size_t(phase.transitions.size()));
        for (auto move = phase.transitions.cbegin(); move != phase.transitions.cend(); ++move)
            moves.emplace_back(rank.value(move.key().first), rank.value(move.key().second),
                               move.value());
        std::sort(moves.begin(), moves.end());
        for (const auto &[from, to, count] : moves)
            m_transitions.addRow(participant, phaseName, task, m_fileIds.text(files.at(from)),
                                 m_fileIds.text(files.at(to)), count);
        for (int f = 0; f < m_features.size(); ++f) {
            const Exposure::Amount amount =
                phase.exposure.empty() ? Exposure::Amount() : phase.exposure[size_t(f)];
            m_exposure.addRow(participant, phaseName, task, m_features.at(f), amount.seconds,
                              amount.lineSeconds);
            if (!isTask)
                continue;
            const qint64 seen = phase.firstSeen.empty() ? -1 : phase.firstSeen[size_t(f)];
            m_firstViews.addRow(participant, task, m_features.at(f),
                                seen < 0 ? std::nullopt
                                         : std::optional<qint64>(seen - phase.start));
        }
    }
}

StudyReport::Scores StudyReport::addAnswers(const Participant &participant)
{
    Scores scores;
    if (!participant.hasAnswers)
        return scores;
    const QString id = participant.id();
    if (m_boxes.isEmpty()) {
        // No questionnaire to place them in: kept all the same, in file order, unscored.
        for (int i = 0; i < participant.answers.size(); ++i)
            m_answers.addRow(id, 0, i + 1, ReportTable::Null(), participant.answers.at(i),
                             ReportTable::Null());
        return scores;
    }
    const QStringList answers = AnswersFile::distribute(participant.answers, int(m_boxes.size()));
    for (int box = 0; box < m_boxes.size(); ++box) {
        const auto [task, question] = m_boxes.at(box);
        const std::optional<QString> answer =
            box < answers.size() ? std::optional<QString>(answers.at(box)) : std::nullopt;
        // An answer the file does not hold is not known to be wrong: left unscored.
        const AnswerKey::Entry *entry = answer ? m_key.entry(task, question) : nullptr;
        const AnswerKey::Verdict verdict =
            entry ? AnswerKey::score(*entry, *answer) : AnswerKey::Verdict::NotScored;
        std::optional<qint64> correct;
        if (verdict != AnswerKey::Verdict::NotScored) {
            correct = verdict == AnswerKey::Verdict::Correct ? 1 : 0;
            QPair<int, int> &score = scores[task];
            score.first += int(*correct);
            ++score.second;
        }
        m_answers.addRow(id, task, question, m_questionTexts.at(box), answer, correct);
    }
    return scores;
}

void StudyReport::addWarnings(const ReportWarnings &warnings)
{
    for (const ReportWarnings::Warning &warning : warnings.list())
        m_warnings.addRow(warning.participant, warnings.relativePath(warning.path),
                          warning.line > 0 ? std::optional<qint64>(warning.line) : std::nullopt,
                          warning.kind, warning.text);
}
