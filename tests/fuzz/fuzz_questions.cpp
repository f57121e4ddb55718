// questions.txt as a researcher may have left it: the questionnaire builds its
// pages from arbitrary bytes, a participant signs in, answers every box and
// goes through to the end; the answers file must then hold exactly what was
// typed.

#include "fuzzsupport.h"

#include "ui/questionnaire/questiondialog.h"

#include <QLineEdit>
#include <QStackedWidget>
#include <QTextEdit>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initApplication(argc, argv);
    qputenv("USERNAME", "fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const fuzz::ScratchFolder folder;
    folder.write(QStringLiteral("questions.txt"),
                 QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));

    QuestionDialog dialog(folder.path(), nullptr);
    dialog.setClock([] { return qint64(1700000000); });
    auto *stack = dialog.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    auto *account = dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit_account"));
    fuzz::check(stack && account, "form incomplete");
    const int pages = stack->count();

    // The answer boxes are the editable text edits of the task pages.
    QList<QTextEdit *> boxes;
    for (int page = 1; page < pages; ++page)
        for (QTextEdit *edit : stack->widget(page)->findChildren<QTextEdit *>())
            if (!edit->isReadOnly() && edit->textInteractionFlags() != Qt::NoTextInteraction)
                boxes.append(edit);
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
    return 0;
}
