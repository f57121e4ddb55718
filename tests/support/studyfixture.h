#pragma once

#include "ui/mainwindow/windowstudyviewer.h"
#include "ui/questionnaire/questiondialog.h"

#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QWidget>

#include <memory>

namespace TestSupport {

// A project folder, the main-window widgets the questionnaire talks to, and
// a clock the test sets by hand. The operating-system user is "bernd", so a
// participant "anna" writes anna_bernd_log.txt and anna_bernd_answers.txt.
struct StudyFixture
{
    QTemporaryDir dir;
    QTabWidget tabs;
    QWidget packageTree;
    QWidget featureTree;
    QWidget finderDock;
    QWidget resultsList;
    qint64 now = 1700000000;
    WindowStudyViewer viewer{&tabs, {&packageTree, &featureTree, &finderDock, &resultsList}};
    std::unique_ptr<QuestionDialog> dialog;

    StudyFixture();

    QString path(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }

    // A file of the project folder; see writeFile() and readFile().
    bool writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;

    // Builds the dialog on the project folder as it is now and shows it.
    QuestionDialog &make();

    template<typename T>
    T *find(const char *name) const
    {
        return dialog->findChild<T *>(QLatin1String(name));
    }

    QPushButton *nextButton() const;
    QStackedWidget *stack() const;

    // Types text key by key; letters beyond ASCII arrive as the text of a key
    // event, as an input method delivers them.
    static void type(QWidget *widget, const QString &text);

    void typeAccount(const QString &name) const;
    void clickNext() const;
    void signIn(const QString &name) const;

    // The answer boxes of the task pages, in order (read-only too, once the
    // answers are final).
    QList<QTextEdit *> answerBoxes() const;
};

} // namespace TestSupport
