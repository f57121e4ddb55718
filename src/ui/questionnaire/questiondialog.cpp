#include "questiondialog.h"

#include "ui_questiondialog.h"

#include "core/study/accountname.h"
#include "core/formats/actionlog.h"
#include "core/formats/answersfile.h"
#include "core/formats/logrecord.h"
#include "core/formats/questionsfile.h"
#include "ui/questionnaire/questiondocument.h"
#include "core/study/resumeposition.h"
#include "ui/questionnaire/dialogyield.h"
#include "ui/questionnaire/studyviewer.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

constexpr Qt::WindowFlags titleBarFlags =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowMinimizeButtonHint;

// Room for a window manager's frame before the frame is known (the window
// has not been mapped yet): a title bar and thin borders.
constexpr int frameBorderGuess = 6;

qint64 systemClock()
{
    return QDateTime::currentSecsSinceEpoch();
}

} // namespace

QuestionDialog::QuestionDialog(const QString &projectDir, StudyViewer *viewer,
                               QWidget *parent)
    : QDialog(parent),
      form(new Ui::QuestionDialogForm),
      projectDir(projectDir),
      viewer(viewer),
      clock(systemClock)
{
    form->setupUi(this);
    setWindowFlags(titleBarFlags | Qt::WindowStaysOnTopHint);
    // Shown only while the typed name is refused.
    form->label_accountRefused->hide();
    QPalette warning = form->label_accountRefused->palette();
    warning.setColor(QPalette::WindowText, QColor(160, 0, 0));
    form->label_accountRefused->setPalette(warning);

    form->pushButton_next->setEnabled(false);
    form->pushButton_back->setEnabled(false);
    connect(form->pushButton_next, &QPushButton::clicked, this,
            &QuestionDialog::nextStackedPage);
    connect(form->pushButton_back, &QPushButton::clicked, this,
            &QuestionDialog::previousStackedPage);
    connect(form->lineEdit_account, &QLineEdit::textEdited, this,
            &QuestionDialog::firstPageNextEnabled);
    // Spaces at either end are not part of the name: once typed, the field
    // shows the name that will be used.
    connect(form->lineEdit_account, &QLineEdit::editingFinished, this, [this] {
        QLineEdit *field = form->lineEdit_account;
        const QString name = AccountName::fromTyped(field->text());
        if (!signedIn && name != field->text()) {
            field->setText(name);
            firstPageNextEnabled();
        }
    });
    // Participants only move forward; the back button's state is still kept.
    form->pushButton_back->hide();

    osUserName = AccountName::operatingSystemUser();
    userPrefix = form->lineEdit_account->text() + QLatin1Char('_') + osUserName;

    const QString questionsPath = projectDir + QLatin1Char('/') + QuestionsFile::fileName();
    if (QFile::exists(questionsPath)) {
        const QList<QuestionsFile::Task> tasks = QuestionsFile::read(questionsPath).tasks;
        for (const QuestionsFile::Task &task : tasks)
            buildTaskPage(task);
        setFixedHeight(form->stackedWidget->currentWidget()->sizeHint().height() + 100);
    }

    form->lineEdit->hide();
    // The program's other dialogs are never hidden behind the questionnaire
    // (a child of the dialog).
    new DialogYield(this);
}

QuestionDialog::~QuestionDialog()
{
    delete form;
}

QString QuestionDialog::logFilePath() const
{
    return projectDir + QLatin1Char('/') + userPrefix + QLatin1String("_log.txt");
}

QString QuestionDialog::answerFilePath() const
{
    return projectDir + QLatin1Char('/') + userPrefix + QLatin1String("_answers.txt");
}

void QuestionDialog::setClock(std::function<qint64()> newClock)
{
    clock = newClock ? std::move(newClock) : systemClock;
}

void QuestionDialog::buildTaskPage(const QuestionsFile::Task &task)
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    form->stackedWidget->addWidget(page);
    taskPages.append(page);
    taskOrder.append(int(taskPages.size()));

    for (const QuestionsFile::Question &question : task) {
        // The question reads like a label: no frame, no interaction, and the
        // window colour as background.
        auto *questionEdit = new QTextEdit(page);
        auto *document = new QuestionDocument(projectDir, questionEdit);
        document->setHtml(question.text);
        questionEdit->setDocument(document);
        questionEdit->setFixedHeight(int(document->size().height()));
        questionEdit->setFrameStyle(QFrame::NoFrame);
        questionEdit->setTextInteractionFlags(Qt::NoTextInteraction);
        QPalette palette = questionEdit->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        questionEdit->setPalette(palette);
        questionEdits.append(questionEdit);
        layout->addWidget(questionEdit);

        if (question.answerLines > 0) {
            auto *answerEdit = new QTextEdit(page);
            // Computed wide: a huge line count in the file must not overflow.
            const qint64 height =
                qint64(QFontMetrics(questionEdit->font()).lineSpacing()) * question.answerLines
                + 10;
            answerEdit->setFixedHeight(int(qMin<qint64>(height, QWIDGETSIZE_MAX)));
            answerEdits.append(answerEdit);
            layout->addWidget(answerEdit);
        }
    }
    layout->setAlignment(Qt::AlignTop);
}

void QuestionDialog::firstPageNextEnabled()
{
    if (form->stackedWidget->currentIndex() != 0)
        return;
    const QString name = AccountName::fromTyped(form->lineEdit_account->text());
    form->pushButton_next->setEnabled(AccountName::isUsable(name, osUserName));
    explainAccountName(name);
}

void QuestionDialog::explainAccountName(const QString &name)
{
    const AccountName::Check check = AccountName::check(name, osUserName);
    QString reason;
    switch (check.refusal) {
    case AccountName::Refusal::None:
    case AccountName::Refusal::Empty:
        break;
    case AccountName::Refusal::DotName:
        reason = tr("Der Name darf nicht nur aus „.“ oder „..“ bestehen.");
        break;
    case AccountName::Refusal::Character:
        reason = tr("Das Zeichen „%1“ ist im Namen nicht erlaubt.").arg(check.character);
        break;
    case AccountName::Refusal::ControlCharacter:
        reason = tr("Steuerzeichen (etwa Tabulatoren) sind im Namen nicht erlaubt.");
        break;
    case AccountName::Refusal::TooLong:
        reason = tr("Der Name ist zu lang.");
        break;
    }
    // Why names are restricted at all: they become part of file names.
    if (!reason.isEmpty())
        reason += QLatin1Char(' ') + tr("Er wird Teil der Dateinamen von Protokoll und Antworten.");
    form->label_accountRefused->setText(reason);
    form->label_accountRefused->setVisible(!reason.isEmpty());
}

void QuestionDialog::bringToFront()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    giveKeyboardToPage(true);
}

void QuestionDialog::giveKeyboardToPage(bool lastTyped)
{
    // Final answers take no typing.
    if (answersLocked)
        return;
    QWidget *page = form->stackedWidget->currentWidget();
    QWidget *target = nullptr;
    if (form->stackedWidget->currentIndex() == 0) {
        target = form->lineEdit_account;
    } else if (auto *last = qobject_cast<QTextEdit *>(focusWidget()); lastTyped && last
               && page && page->isAncestorOf(last) && answerEdits.contains(last)) {
        target = last; // the box the participant was typing in
    } else {
        for (QTextEdit *answerEdit : std::as_const(answerEdits)) {
            if (answerEdit->parentWidget() == page) {
                target = answerEdit;
                break;
            }
        }
    }
    if (!target)
        target = form->pushButton_next;
    target->setFocus(Qt::ActiveWindowFocusReason);
}

void QuestionDialog::showEvent(QShowEvent *event)
{
    // The base class centres a dialog the program has not placed, right over
    // the code; the dialog goes to its corner, or back where it was seen.
    const bool known = hasPlace;
    const QPoint knownPlace = place;
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    move(known ? knownPlace : cornerPlace());
    keepOnScreen();
}

void QuestionDialog::moveEvent(QMoveEvent *event)
{
    QDialog::moveEvent(event);
    // Also the participant's drags, reported by the window system.
    if (isVisible()) {
        place = pos();
        hasPlace = true;
    }
}

QPoint QuestionDialog::cornerPlace() const
{
    const QScreen *onScreen = screen();
    if (!onScreen)
        return pos();
    const QRect available = onScreen->availableGeometry();
    QSize outer = frameGeometry().size();
    if (outer == size()) {
        // Not mapped yet, so the frame is not known.
        const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
        outer += QSize(2 * frameBorderGuess, title + 2 * frameBorderGuess);
    }
    // Over the code, in its lower right corner: the palette and the save
    // controls beside it and the code's first lines above it stay free.
    // Without code on the screen, the screen's corner.
    const QRect code = viewer ? viewer->codeArea() : QRect();
    const QRect area = code.isValid() ? code : available;
    return QPoint(area.right() + 1 - outer.width(), area.bottom() + 1 - outer.height());
}

void QuestionDialog::keepOnScreen()
{
    const QScreen *onScreen = screen();
    if (!onScreen)
        return;
    const QRect available = onScreen->availableGeometry();
    const QRect frame = frameGeometry();
    QPoint to = frame.topLeft();
    if (frame.bottom() > available.bottom())
        to.ry() -= frame.bottom() - available.bottom();
    if (frame.right() > available.right())
        to.rx() -= frame.right() - available.right();
    to.setX(qMax(to.x(), available.left()));
    to.setY(qMax(to.y(), available.top()));
    if (to != frame.topLeft())
        move(to);
}

void QuestionDialog::nextStackedPage()
{
    // Final answers turn no page and write nothing.
    if (answersLocked)
        return;
    QStackedWidget *stack = form->stackedWidget;
    const int startIndex = stack->currentIndex();

    bool moved = false;
    bool justSignedIn = false;
    if (startIndex == 0 && !signedIn) {
        const SignIn outcome = signIn();
        if (outcome == SignIn::Refused || outcome == SignIn::Completed)
            return;
        moved = outcome == SignIn::Moved;
        justSignedIn = true;
    }

    // Leaving the first task page is not logged.
    if (startIndex != 1 && !moved)
        writeToLog(QStringLiteral("taskCompleted"), QString());

    if (stack->currentIndex() < stack->count() - 1)
        stack->setCurrentIndex(stack->currentIndex() + 1);

    const int index = stack->currentIndex();
    form->pushButton_back->setEnabled(index != 0 && index != -1);

    if (nextFinishes) {
        // "Fertig!": the answers are written one last time and are final.
        writeAnswerFile();
        lockAnswers();
        finished = true;
        close();
        return;
    }

    setNextFinishes(index == stack->count() - 1);
    writeAnswerFile();
    fitHeights();
    // Whatever is typed next goes into the new page's first answer box.
    giveKeyboardToPage(false);
    if (index != startIndex)
        Q_EMIT pageShown(index);
    if (justSignedIn)
        Q_EMIT participantSignedIn();
}

QuestionDialog::SignIn QuestionDialog::signIn()
{
    // The button is only enabled for a usable name; a direct call with any
    // other name must not name files with it either.
    const QString name = AccountName::fromTyped(form->lineEdit_account->text());
    if (!AccountName::isUsable(name, osUserName))
        return SignIn::Refused;
    // The study design may keep the participant out (no condition for them).
    if (signInCheck && !signInCheck(name, osUserName))
        return SignIn::Refused;
    form->lineEdit_account->setText(name);
    signedIn = true;
    userPrefix = name + QLatin1Char('_') + osUserName;
    if (QFile::exists(logFilePath()))
        return resumeFromLog();
    // Answers without a log (the log was lost or never written): show them
    // again instead of overwriting them with empty boxes.
    if (QFile::exists(answerFilePath()))
        restoreAnswers();
    return SignIn::Stayed;
}

void QuestionDialog::previousStackedPage()
{
    if (answersLocked)
        return;
    QStackedWidget *stack = form->stackedWidget;
    const int startIndex = stack->currentIndex();
    if (stack->currentIndex() > 0)
        stack->setCurrentIndex(stack->currentIndex() - 1);

    const int index = stack->currentIndex();
    form->pushButton_back->setEnabled(index != 0 && index != -1);
    setNextFinishes(index == stack->count() - 1);
    writeAnswerFile();
    if (index != startIndex)
        Q_EMIT pageShown(index);
}

void QuestionDialog::setSignInCheck(SignInCheck check)
{
    signInCheck = std::move(check);
}

void QuestionDialog::setTaskOrder(const QList<int> &order)
{
    if (order.size() != taskPages.size())
        return;
    QList<bool> seen(order.size(), false);
    for (int task : order) {
        if (task < 1 || task > order.size() || seen.at(task - 1))
            return;
        seen[task - 1] = true;
    }
    QStackedWidget *stack = form->stackedWidget;
    QWidget *current = stack->currentWidget();
    for (QWidget *page : std::as_const(taskPages))
        stack->removeWidget(page);
    for (int task : order)
        stack->addWidget(taskPages.at(task - 1));
    stack->setCurrentWidget(current);
    taskOrder = order;
}

int QuestionDialog::taskAtPage(int page) const
{
    return page >= 1 && page <= taskOrder.size() ? taskOrder.at(page - 1) : 0;
}

int QuestionDialog::currentPage() const
{
    return form->stackedWidget->currentIndex();
}

QString QuestionDialog::studyFilePath(const QString &suffix) const
{
    return projectDir + QLatin1Char('/') + userPrefix + suffix;
}

void QuestionDialog::restoreAnswers()
{
    const QStringList pieces = AnswersFile::read(answerFilePath()).value_or(QStringList());
    const QStringList answers = AnswersFile::distribute(pieces, int(answerEdits.size()));
    for (int k = 0; k < answers.size(); ++k)
        answerEdits.at(k)->setPlainText(answers.at(k));
}

QuestionDialog::SignIn QuestionDialog::resumeFromLog()
{
    const QString logText = LogFile::read(logFilePath()).value_or(QString());
    if (QFile::exists(answerFilePath()))
        restoreAnswers();

    const int pageCount = form->stackedWidget->count();
    const bool completed = ResumePosition::completesQuestionnaire(logText, pageCount);
    const int page = completed ? pageCount - 1 : ResumePosition::targetPage(logText, pageCount);
    if (page > 0)
        form->stackedWidget->setCurrentIndex(page);

    resumed = true;
    // Back at work: the questionnaire no longer stays in front of the code.
    setWindowFlags(titleBarFlags);
    show();
    if (completed) {
        // Finished in an earlier run: their answers and their log stay as
        // they are, whatever happens in this one.
        finished = true;
        setNextFinishes(true);
        lockAnswers();
        return SignIn::Completed;
    }
    // The window is new: the keyboard comes to it, into the page's answer box
    // once the step forward is done.
    activateWindow();
    return page > 0 ? SignIn::Moved : SignIn::Stayed;
}

void QuestionDialog::lockAnswers()
{
    answersLocked = true;
    for (QTextEdit *answerEdit : std::as_const(answerEdits))
        answerEdit->setReadOnly(true);
    form->lineEdit_account->setReadOnly(true);
    form->pushButton_next->hide();
    if (!finalNote) {
        QWidget *page = form->stackedWidget->currentWidget();
        finalNote = new QLabel(page);
        finalNote->setObjectName(QStringLiteral("label_answersFinal"));
        finalNote->setWordWrap(true);
        // In line with the question texts, which have their document's margin.
        finalNote->setMargin(4);
        finalNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QFont bold = finalNote->font();
        bold.setBold(true);
        finalNote->setFont(bold);
        if (auto *layout = qobject_cast<QBoxLayout *>(page ? page->layout() : nullptr))
            layout->insertWidget(0, finalNote);
        // At once, not when the layout gets round to it: the page's height
        // is fitted to it right below.
        finalNote->show();
        retranslate();
    }
    fitHeights();
}

void QuestionDialog::fitHeights()
{
    for (QTextEdit *questionEdit : std::as_const(questionEdits))
        questionEdit->setFixedHeight(int(questionEdit->document()->size().height()));
    QWidget *page = form->stackedWidget->currentWidget();
    int pageHeight = page->sizeHint().height();
    // Wrapped text (the note on final answers) needs the lines it takes at
    // the page's width, which its size hint does not know.
    // A page just made current may not have its width yet; the stack has.
    const int width = form->stackedWidget->width();
    if (QLayout *layout = page->layout(); layout && layout->hasHeightForWidth() && width > 0)
        pageHeight = layout->totalHeightForWidth(width);
    setFixedHeight(pageHeight + 100);
    // A taller page must not push "Weiter" below the screen's edge.
    if (isVisible())
        keepOnScreen();
}

void QuestionDialog::writeAnswerFile()
{
    // Final answers are never written again, whoever asks.
    if (answersLocked)
        return;
    QStringList answers;
    answers.reserve(answerEdits.size());
    for (const QTextEdit *answerEdit : std::as_const(answerEdits))
        answers.append(answerEdit->toPlainText());
    // A failed write leaves the previous file in place; the next page change
    // writes everything again.
    AnswersFile::write(answerFilePath(), answers);
}

void QuestionDialog::writeToLog(QString logThis, QString fileName)
{
    if (!finished) {
        lastAction = logThis;

        StudyViewer::View view;
        if (viewer && viewer->currentView(&view)) {
            if (!fileName.isEmpty()) {
                currentFileName = fileName;
            } else {
                currentFileName = view.filePath;
                if (!projectDir.isEmpty())
                    currentFileName.remove(projectDir);
            }
            if (view.firstLine >= 0 && view.lastLine >= 0) {
                visibleStartLine = view.firstLine;
                visibleEndLine = view.lastLine;
            }
        }

        const qint64 now = clock();
        if (lastTimeStamp.isEmpty())
            lastTimeStamp = QString::number(now);

        ActionLog::Entry entry;
        entry.pageIndex = form->stackedWidget->currentIndex();
        entry.fileName = currentFileName;
        entry.action = lastAction;
        entry.startLine = visibleStartLine;
        entry.endLine = visibleEndLine;
        entry.previousStamp = lastTimeStamp.toLongLong();
        entry.stamp = now;
        // A record that cannot be written is lost; the session goes on.
        ActionLog::append(logFilePath(), ActionLog::format(entry));

        lastTimeStamp = QString::number(now);
    }

    // Ends any wait cursor the logged action set.
    if (viewer)
        viewer->resetCursors();
}

void QuestionDialog::writeToLog(QString logThis)
{
    writeToLog(logThis, QString());
}

void QuestionDialog::setCurrentFile(QString currentFileName)
{
    this->currentFileName = currentFileName;
}

void QuestionDialog::setStartAndEndLine(int start, int end)
{
    visibleStartLine = start;
    visibleEndLine = end;
}

void QuestionDialog::reject()
{
    if (finished)
        QDialog::reject();
}

void QuestionDialog::closeEvent(QCloseEvent *event)
{
    if (!finished) {
        event->ignore();
        return;
    }
    // The main window closes the questionnaire when it ends: keep what was
    // typed on the current page since the last page change (final answers
    // are not written again).
    if (signedIn)
        writeAnswerFile();
    QDialog::closeEvent(event);
}

void QuestionDialog::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

void QuestionDialog::setNextFinishes(bool finishes)
{
    nextFinishes = finishes;
    form->pushButton_next->setText(finishes ? tr("Fertig!") : tr("Weiter"));
}

void QuestionDialog::retranslate()
{
    setWindowTitle(tr("Fragebogen"));
    form->label->setText(tr("Benutzername:"));
    form->pushButton_back->setText(tr("Zurück"));
    if (finalNote)
        finalNote->setText(tr("Der Fragebogen ist abgeschlossen. Ihre Antworten sind gespeichert "
                              "und können nicht mehr geändert werden."));
    // On the last page the button keeps saying that it finishes.
    setNextFinishes(nextFinishes);
}
