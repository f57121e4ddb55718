// The questionnaire dialog on study files as they may be left on disk. A new
// participant signs in to a questionnaire built from arbitrary bytes, answers
// every box and goes through to the end: the answers file must hold exactly
// what was typed, with one log record per confirmed page. A returning
// participant whose log and answers files hold anything must be resumed on a
// real page with every earlier log record kept and every earlier answer back
// in a box, so that the next save of the answers loses nothing.
//
// Input: questions.txt alone (a new participant), or questions.txt,
// separator, the log file and, after another separator, the answers file (a
// returning participant; without the second separator there is no answers
// file).

#include "fuzzwidgets.h"

#include "core/formats/answersfile.h"
#include "core/formats/textdecoding.h"
#include "ui/questionnaire/questiondialog.h"

#include <QLineEdit>
#include <QStackedWidget>
#include <QTextEdit>

namespace {

// What a text box does to text that a participant cannot type anyway: line
// and paragraph separators become line ends, no-break spaces plain spaces,
// and the document's frame and object marks disappear.
QString normalized(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::Nbsp, QLatin1Char(' '));
    text.remove(QChar(0xfdd0));
    text.remove(QChar(0xfdd1));
    text.remove(QChar::ObjectReplacementCharacter);
    if (text.startsWith(QChar(QChar::ByteOrderMark)))
        text.remove(0, 1);
    return text;
}

QList<QTextEdit *> answerBoxes(QStackedWidget *stack)
{
    QList<QTextEdit *> boxes;
    for (int page = 1; page < stack->count(); ++page)
        for (QTextEdit *edit : stack->widget(page)->findChildren<QTextEdit *>())
            if (!edit->isReadOnly() && edit->textInteractionFlags() != Qt::NoTextInteraction)
                boxes.append(edit);
    return boxes;
}

void newParticipant(const fuzz::ScratchFolder &folder, QuestionDialog &dialog,
                    QStackedWidget *stack, QLineEdit *account)
{
    const int pages = stack->count();
    const QList<QTextEdit *> boxes = answerBoxes(stack);
    QString expected;
    for (int k = 0; k < boxes.size(); ++k) {
        boxes.at(k)->setPlainText(QStringLiteral("answer %1 äß").arg(k));
        expected += QStringLiteral("answer %1 äß$").arg(k);
    }
    expected += QLatin1Char('\n');

    account->setText(QStringLiteral("p"));
    dialog.show();
    for (int step = 0; step <= pages && !dialog.finished; ++step)
        dialog.nextStackedPage();
    fuzz::check(dialog.finished, "questionnaire could not be finished");

    const QByteArray answers =
        TestSupport::readFile(folder.file(QStringLiteral("p_fuzz_answers.txt")), {});
    fuzz::check(QString::fromUtf8(answers) == expected, "answers file differs from the boxes");
    const QByteArray log =
        TestSupport::readFile(folder.file(QStringLiteral("p_fuzz_log.txt")), {});
    // Every confirmed page but the first task page is logged; without tasks the
    // account page is confirmed twice (sign-in, then "Fertig!").
    const int records = pages == 1 ? 2 : pages - 1;
    fuzz::check(log.count("\r\n") == records, "one log record per confirmed page");
}

void returningParticipant(const fuzz::ScratchFolder &folder, QuestionDialog &dialog,
                          QStackedWidget *stack, QLineEdit *account, const QByteArray &earlierLog,
                          const QByteArray &earlierAnswers)
{
    account->setText(QStringLiteral("p"));
    dialog.nextStackedPage();

    fuzz::check(dialog.resumed, "returning participant not resumed");
    // A questionnaire without a task (no ";" closes one) has the sign-in
    // page alone, and that is where the participant stays.
    const bool tasks = stack->count() > 1;
    fuzz::check(tasks ? stack->currentIndex() >= 1 && stack->currentIndex() < stack->count()
                      : stack->currentIndex() == 0,
                "resumed outside the task pages");

    // The earlier records are still there, followed by the sign-in.
    const QByteArray log =
        TestSupport::readFile(folder.file(QStringLiteral("p_fuzz_log.txt")), {});
    fuzz::check(log.startsWith(earlierLog), "earlier log records were changed");

    // Every earlier answer, as the viewer reads it (escapes undone), is in the
    // answers file again, those after zeros left by a crash included.
    const QStringList now = AnswersFile::fromBytes(
        TestSupport::readFile(folder.file(QStringLiteral("p_fuzz_answers.txt")), {}));
    const QString saved = normalized(now.join(QLatin1Char('$')));
    if (answerBoxes(stack).isEmpty())
        return; // nothing to put the answers into
    for (const QString &answer : AnswersFile::fromBytes(earlierAnswers))
        fuzz::check(saved.contains(normalized(answer)), "an earlier answer was lost");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initApplication(argc, argv);
    qputenv("USERNAME", "fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList parts = fuzz::split(data, size, 3);
    const fuzz::ScratchFolder folder;
    folder.write(QStringLiteral("questions.txt"), parts.at(0));
    const bool returning = !parts.at(1).isNull();
    if (returning) {
        folder.write(QStringLiteral("p_fuzz_log.txt"), parts.at(1));
        if (!parts.at(2).isNull())
            folder.write(QStringLiteral("p_fuzz_answers.txt"), parts.at(2));
    }

    QuestionDialog dialog(folder.path(), nullptr);
    dialog.setClock([] { return qint64(1700000000); });
    auto *stack = dialog.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    auto *account = dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit_account"));
    fuzz::check(stack && account, "form incomplete");

    if (returning)
        returningParticipant(folder, dialog, stack, account, parts.at(1), parts.at(2));
    else
        newParticipant(folder, dialog, stack, account);
    return 0;
}
