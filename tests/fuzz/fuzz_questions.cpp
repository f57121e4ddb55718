// questions.txt as a researcher may have left it, read in memory: the tasks
// and questions of arbitrary bytes, where each question and each "|" stands,
// and an answers file for every answer box, which must read back as typed.

#include "fuzzsupport.h"

#include "core/formats/answersfile.h"
#include "core/formats/questionsfile.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QuestionsFile::Contents contents = QuestionsFile::fromBytes(
        QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QString &text = contents.text;
    fuzz::check(contents.tasks.size() == text.count(QLatin1Char(';')), "a task per \";\"");
    fuzz::check(!text.mid(contents.rest).contains(QLatin1Char(';')),
                "a \";\" after the tasks");

    QStringList answers;
    qsizetype previous = -1;
    for (const QuestionsFile::Task &task : contents.tasks) {
        fuzz::check(!task.isEmpty(), "a task without a page");
        for (const QuestionsFile::Question &question : task) {
            fuzz::check(question.offset > previous && question.offset <= text.size(),
                        "questions out of order");
            previous = question.offset;
            fuzz::check(QStringView(text).mid(question.offset).startsWith(question.text),
                        "a question is not where its offset says");
            for (qsizetype bar : question.bars)
                fuzz::check(bar < text.size() && text.at(bar) == QLatin1Char('|'),
                            "a bar is not where its offset says");
            fuzz::check(question.bars.isEmpty() == question.answerLinesText.isNull(),
                        "answer lines without a bar");
            fuzz::check(question.answerLines >= 0, "a negative answer box");
            fuzz::check(!question.text.contains(QLatin1Char(';'))
                            && !question.text.contains(QLatin1Char('$'))
                            && !question.text.contains(QLatin1Char('|')),
                        "a separator in a question");
            if (question.answerLines > 0)
                answers.append(QStringLiteral("answer %1 äß $ \\ %2").arg(answers.size())
                                   .arg(question.text.left(20)));
        }
    }

    // Whatever the boxes hold comes back into them from the answers file.
    const QStringList read = AnswersFile::fromBytes(AnswersFile::encode(answers));
    fuzz::check(AnswersFile::distribute(read, int(answers.size())) == answers,
                "answers file differs from the boxes");
    return 0;
}
