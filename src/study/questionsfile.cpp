#include "questionsfile.h"

namespace QuestionsFile {

int answerLineCount(const QString &piece)
{
    bool ok = false;
    const int lines = piece.trimmed().toInt(&ok);
    return ok && lines > 0 ? lines : 0;
}

QList<Task> parse(const QString &text)
{
    QStringList taskTexts = text.split(QLatin1Char(';'));
    // The piece after the last ";" is never a task: a task must be closed.
    taskTexts.removeLast();

    QList<Task> tasks;
    tasks.reserve(taskTexts.size());
    for (const QString &taskText : std::as_const(taskTexts)) {
        Task task;
        const QStringList questionTexts = taskText.split(QLatin1Char('$'));
        for (const QString &questionText : questionTexts) {
            const QStringList parts = questionText.split(QLatin1Char('|'));
            Question question;
            question.text = parts.first();
            if (parts.size() > 1)
                question.answerLines = answerLineCount(parts.at(1));
            task.append(question);
        }
        tasks.append(task);
    }
    return tasks;
}

} // namespace QuestionsFile
