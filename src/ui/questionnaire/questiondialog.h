#pragma once

#include "core/formats/questionsfile.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class QLabel;
class QTextEdit;
class StudyViewer;
namespace Ui { class QuestionDialogForm; }

// The questionnaire: signs a participant in, shows the tasks of
// questions.txt, writes the answers file and keeps the action log.
class QuestionDialog : public QDialog
{
    Q_OBJECT

public:
    // viewer (may be null, then records name no file or lines) tells what
    // the participant sees; it must outlive the dialog.
    QuestionDialog(const QString &projectDir, StudyViewer *viewer, QWidget *parent = nullptr);
    ~QuestionDialog() override;

    QString logFilePath() const;
    QString answerFilePath() const;

    // Seconds since the epoch; tests replace it to control time stamps.
    void setClock(std::function<qint64()> clock);

    // Shows the questionnaire in front of every other window, restored if it
    // was minimised, with the keyboard in the account field or the current
    // page's answer box, so the participant can type at once.
    void bringToFront();

    // True once the participant pressed "Fertig!", in this run or an earlier
    // one: the questionnaire can still be shown, read-only, and nothing
    // writes the answers file or the log any more.
    bool answersFinal() const { return answersLocked; }

    // Asked when a participant signs in, before anything is written in their
    // name: false keeps the questionnaire on the account page.
    using SignInCheck = std::function<bool(const QString &account, const QString &user)>;
    void setSignInCheck(SignInCheck check);
    // Puts the task pages in this order: page k shows task order[k - 1] of
    // questions.txt (from 1). The answer boxes keep the order of the file,
    // and so does the answers file. An order that does not list every task
    // once is not taken.
    void setTaskOrder(const QList<int> &order);
    // The task of questions.txt (from 1) on page k (from 1), or 0.
    int taskAtPage(int page) const;
    int currentPage() const;
    // The project folder, the participant's prefix (before sign-in "_" and
    // the user) and suffix: where the files of this sitting go.
    QString studyFilePath(const QString &suffix) const;

    // While set the dialog may close and nothing more is logged.
    bool finished = false;
    // Set when a participant signs in and an earlier log of theirs exists.
    bool resumed = false;

public Q_SLOTS:
    void nextStackedPage();
    void previousStackedPage();
    void firstPageNextEnabled();
    void writeAnswerFile();
    void writeToLog(QString logThis, QString fileName);
    void writeToLog(QString logThis);
    void setCurrentFile(QString currentFileName);
    void setStartAndEndLine(int start, int end);

    // Escape must not take the questionnaire away before it is finished.
    void reject() override;

Q_SIGNALS:
    // Another page is shown (0: the account page).
    void pageShown(int page);
    // A participant has signed in: files are named after them from now on.
    void participantSignedIn();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    // What signing in did.
    enum class SignIn {
        Refused,   // the name cannot name files: nothing happened
        Stayed,    // signed in; the usual step forward follows
        Moved,     // a returning participant was moved to their page
        Completed, // the participant had finished: shown read-only
    };

    void buildTaskPage(const QuestionsFile::Task &task);
    SignIn signIn();
    // Restores the answers of an earlier session into the answer boxes.
    void restoreAnswers();
    // Continues a returning participant's session.
    SignIn resumeFromLog();
    // Makes the answers final: read-only boxes, no button, a note saying so.
    void lockAnswers();
    // The keyboard goes to the account field, or (with lastTyped) the answer
    // box of the page last typed in, else the page's first answer box.
    void giveKeyboardToPage(bool lastTyped);
    void fitHeights();
    // The first place, frame included: the lower right corner of the code
    // area (off the palette, the save controls and the code's first lines),
    // or of the screen's available area while no code is shown.
    QPoint cornerPlace() const;
    // Moves the dialog up or left so its frame lies on the screen.
    void keepOnScreen();
    // Says next to the account field why the typed name is refused.
    void explainAccountName(const QString &name);
    void retranslate();
    // Turns pushButton_next into "Fertig!" on the last page, else "Weiter".
    void setNextFinishes(bool finishes);

    Ui::QuestionDialogForm *form = nullptr; // owned
    QString projectDir;
    QList<QTextEdit *> answerEdits;
    QString osUserName;
    QString userPrefix;
    QString currentFileName;
    QString lastAction;
    int visibleStartLine = -1;
    int visibleEndLine = -1;
    StudyViewer *viewer = nullptr;
    QList<QTextEdit *> questionEdits;
    QString lastTimeStamp;
    std::function<qint64()> clock;
    // pushButton_next reads "Fertig!": pressing it finishes the questionnaire.
    bool nextFinishes = false;
    // A participant has signed in, so the answers file is theirs.
    bool signedIn = false;
    // Where the dialog was last seen on the screen; every later show (the
    // window is recreated when its flags change) puts it back there.
    QPoint place;
    bool hasPlace = false;
    // The participant pressed "Fertig!": see answersFinal().
    bool answersLocked = false;
    QLabel *finalNote = nullptr; // on the page shown once the answers are final
    SignInCheck signInCheck;
    QList<QWidget *> taskPages; // in the order of questions.txt
    QList<int> taskOrder;       // the task on each page, from 1
};
