// A returning participant whose log and answers files hold anything: signing
// in must resume on a real page, keep every earlier log record and show every
// earlier answer again, so that the next save of the answers loses nothing.
//
// Input: the log file, separator, the answers file. Without a separator there
// is no answers file.

#include "fuzzsupport.h"

#include "core/formats/textdecoding.h"
#include "ui/questionnaire/questiondialog.h"

#include <QLineEdit>
#include <QStackedWidget>

namespace {

// Eight tasks with one answer box each, the last two with two.
const QByteArray questions = "t1$q|2;t2$q|1;t3$q|1;t4$q|1;t5$q|1;t6$q|1;t7$q|1$r|1;t8$q|1$r|1;";

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
    return text;
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
    const QByteArrayList parts = fuzz::split(data, size, 2);
    const fuzz::ScratchFolder folder;
    folder.write(QStringLiteral("questions.txt"), questions);
    const QString logPath = folder.write(QStringLiteral("p_fuzz_log.txt"), parts.at(0));
    const QString answersPath = folder.file(QStringLiteral("p_fuzz_answers.txt"));
    if (!parts.at(1).isNull())
        folder.write(QStringLiteral("p_fuzz_answers.txt"), parts.at(1));

    QuestionDialog dialog(folder.path(), nullptr);
    dialog.setClock([] { return qint64(1700000000); });
    auto *stack = dialog.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    auto *account = dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit_account"));
    fuzz::check(stack && account && stack->count() == 9, "questionnaire not built");

    account->setText(QStringLiteral("p"));
    dialog.nextStackedPage();

    fuzz::check(dialog.resumed, "returning participant not resumed");
    fuzz::check(stack->currentIndex() >= 1 && stack->currentIndex() < stack->count(),
                "resumed outside the task pages");

    // The earlier records are still there, followed by the sign-in.
    const QByteArray log = TestSupport::readFile(logPath, {});
    fuzz::check(log.startsWith(parts.at(0)), "earlier log records were changed");

    // Every earlier answer is in the answers file again, those after zeros
    // left by a crash included.
    const QString now = normalized(decodeStudyText(TestSupport::readFile(answersPath, {})));
    const QString before = normalized(decodeStudyText(parts.at(1)));
    for (const QString &piece : before.split(QLatin1Char('$'))) {
        if (!piece.trimmed().isEmpty())
            fuzz::check(now.contains(piece.endsWith(QLatin1Char('\n')) ? piece.chopped(1) : piece),
                        "an earlier answer was lost");
    }
    return 0;
}
