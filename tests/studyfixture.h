#pragma once

#include "app/windowstudyviewer.h"
#include "study/questiondialog.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

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

    StudyFixture() { qputenv("USERNAME", "bernd"); }

    QString path(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }

    bool writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    QByteArray readFile(const QString &name) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray("<missing>");
        return file.readAll();
    }

    // Builds the dialog on the project folder as it is now and shows it.
    QuestionDialog &make()
    {
        dialog = std::make_unique<QuestionDialog>(dir.path(), &viewer);
        dialog->setClock([this] { return now; });
        dialog->show();
        return *dialog;
    }

    template<typename T>
    T *find(const char *name) const
    {
        return dialog->findChild<T *>(QLatin1String(name));
    }

    QPushButton *nextButton() const { return find<QPushButton>("pushButton_next"); }
    QStackedWidget *stack() const { return find<QStackedWidget>("stackedWidget"); }

    // Types text key by key; letters beyond ASCII arrive as the text of a key
    // event, as an input method delivers them.
    static void type(QWidget *widget, const QString &text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(widget, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
        }
    }

    void typeAccount(const QString &name) const
    {
        type(find<QLineEdit>("lineEdit_account"), name);
    }

    void clickNext() const { QTest::mouseClick(nextButton(), Qt::LeftButton); }

    void signIn(const QString &name) const
    {
        typeAccount(name);
        clickNext();
    }

    // The answer boxes: the editable text edits of the task pages, in order.
    QList<QTextEdit *> answerBoxes() const
    {
        QList<QTextEdit *> boxes;
        for (int i = 1; i < stack()->count(); ++i) {
            const QList<QTextEdit *> edits = stack()->widget(i)->findChildren<QTextEdit *>();
            for (QTextEdit *edit : edits) {
                if (!edit->isReadOnly())
                    boxes << edit;
            }
        }
        return boxes;
    }
};
