#include "support/studyfixture.h"

#include <QDateTime>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScopeGuard>
#include <QScreen>
#include <QSpacerItem>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>
#include <QWindow>

using TestSupport::StudyFixture;

namespace {

// Translates the questionnaire's texts into English, as a .qm file would.
class EnglishTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *,
                      int) const override
    {
        if (qstrcmp(context, "QuestionDialog") != 0)
            return {};
        static const QHash<QString, QString> english{
            {QStringLiteral("Fragebogen"), QStringLiteral("Questionnaire")},
            {QStringLiteral("Benutzername:"), QStringLiteral("User name:")},
            {QStringLiteral("Weiter"), QStringLiteral("Next")},
            {QStringLiteral("Zurück"), QStringLiteral("Back")},
            {QStringLiteral("Fertig!"), QStringLiteral("Done!")}};
        return english.value(QString::fromUtf8(sourceText));
    }
    bool isEmpty() const override { return false; }
};

// "Q:text" for a question box, "A<n>" for an answer box of n lines (its
// height measured in the question font's line spacing), in layout order.
QStringList describePage(QWidget *page)
{
    QStringList items;
    QLayout *layout = page->layout();
    for (int i = 0; i < layout->count(); ++i) {
        auto *edit = qobject_cast<QTextEdit *>(layout->itemAt(i)->widget());
        if (!edit) {
            items << QStringLiteral("?");
        } else if (edit->isReadOnly()) {
            items << QLatin1String("Q:") + edit->toPlainText();
        } else {
            const int spacing = QFontMetrics(edit->font()).lineSpacing();
            const int body = edit->height() - 10;
            items << (body % spacing == 0 ? QLatin1String("A") + QString::number(body / spacing)
                                          : QStringLiteral("A?"));
        }
    }
    return items;
}

// Dates a file back, so that any later write shows in its time.
bool dateBack(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite)
           && file.setFileTime(QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC),
                               QFileDevice::FileModificationTime);
}

bool writtenSinceDatedBack(const QString &path)
{
    return QFileInfo(path).lastModified().toUTC().date().year() != 2000;
}

QSpacerItem *spacerAt(QLayout *layout, int index)
{
    return layout ? layout->itemAt(index)->spacerItem() : nullptr;
}

} // namespace

class TestQuestionDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void formWidgets_data();
    void formWidgets();
    void formLayoutsAndSpacers();
    void startState();
    void windowStaysOnTopWithOnlyMinimise();
    void placedInTheCornerAndKeptThere();

    void accountNameEnablesNext_data();
    void accountNameEnablesNext();
    void refusedNameIsExplained_data();
    void refusedNameIsExplained();
    void operatingSystemUserNamesTheFiles_data();
    void operatingSystemUserNamesTheFiles();
    void accountCheckOnlyOnTheAccountPage();
    void directCallWithUnusableNameDoesNothing();

    void pagesFromQuestionsFile_data();
    void pagesFromQuestionsFile();
    void questionBoxesReadLikeLabels();
    void hugeAnswerLineCountIsBounded();
    void heightFollowsTheCurrentPage();

    void withoutQuestionsFileSignInThenFinish();
    void wholeParticipantRun();
    void previousPageGoesBackWithoutLogging();

    void closeIsRefusedUntilFinished_data();
    void closeIsRefusedUntilFinished();
    void closingKeepsTheAnswersOfTheCurrentPage_data();
    void closingKeepsTheAnswersOfTheCurrentPage();
    void answersAreFinalAfterFertig_data();
    void answersAreFinalAfterFertig();
    void otherDialogsLieAboveIt_data();
    void otherDialogsLieAboveIt();
    void languageChangeRetranslates();

    void renderedPages();

private:
    std::unique_ptr<StudyFixture> f;
};

void TestQuestionDialog::init()
{
    f = std::make_unique<StudyFixture>();
    QVERIFY(f->dir.isValid());
}

void TestQuestionDialog::cleanup()
{
    f.reset();
}

void TestQuestionDialog::formWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");

    QTest::newRow("stack") << "stackedWidget" << "QStackedWidget" << "QuestionDialog";
    QTest::newRow("account page") << "page_account" << "QWidget" << "stackedWidget";
    QTest::newRow("account frame") << "frame_2" << "QFrame" << "page_account";
    QTest::newRow("account label") << "label" << "QLabel" << "frame_2";
    QTest::newRow("account field") << "lineEdit_account" << "QLineEdit" << "frame_2";
    QTest::newRow("why a name is refused") << "label_accountRefused" << "QLabel"
                                           << "page_account";
    QTest::newRow("button frame") << "frame" << "QFrame" << "QuestionDialog";
    QTest::newRow("hidden line edit") << "lineEdit" << "QLineEdit" << "frame";
    QTest::newRow("next") << "pushButton_next" << "QPushButton" << "frame";
    QTest::newRow("back") << "pushButton_back" << "QPushButton" << "frame";
}

void TestQuestionDialog::formWidgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);

    QuestionDialog &dialog = f->make();
    QCOMPARE(dialog.objectName(), QStringLiteral("QuestionDialog"));
    auto *widget = dialog.findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QWidget *parent = widget->parentWidget();
    // Stack pages live in the stack's internal layout widget.
    if (parent && parent->objectName().isEmpty() && parent->parentWidget())
        parent = parent->parentWidget();
    QVERIFY(parent);
    QCOMPARE(parent->objectName(), parentName);
    if (auto *frame = qobject_cast<QFrame *>(widget); frame && className == "QFrame") {
        QCOMPARE(frame->frameShape(), QFrame::StyledPanel);
        QCOMPARE(frame->frameShadow(), QFrame::Raised);
    }
}

void TestQuestionDialog::formLayoutsAndSpacers()
{
    f->make();
    auto *verticalLayout = f->find<QVBoxLayout>("verticalLayout");
    auto *verticalLayout2 = f->find<QVBoxLayout>("verticalLayout_2");
    auto *horizontalLayout = f->find<QHBoxLayout>("horizontalLayout");
    auto *horizontalLayout2 = f->find<QHBoxLayout>("horizontalLayout_2");
    QVERIFY(verticalLayout && verticalLayout2 && horizontalLayout && horizontalLayout2);

    QCOMPARE(verticalLayout->count(), 2);
    QCOMPARE(verticalLayout->itemAt(0)->widget(), f->stack());
    QCOMPARE(verticalLayout->itemAt(1)->widget(), f->find<QFrame>("frame"));

    // The reason for a refused name stands right below the account field.
    QCOMPARE(verticalLayout2->count(), 3);
    QCOMPARE(verticalLayout2->itemAt(0)->widget(), f->find<QFrame>("frame_2"));
    QCOMPARE(verticalLayout2->itemAt(1)->widget(), f->find<QLabel>("label_accountRefused"));
    QSpacerItem *verticalSpacer = spacerAt(verticalLayout2, 2);
    QVERIFY(verticalSpacer);
    QCOMPARE(verticalSpacer->sizeHint(), QSize(20, 40));
    QCOMPARE(verticalSpacer->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);

    QCOMPARE(horizontalLayout2->count(), 2);
    QCOMPARE(horizontalLayout2->itemAt(0)->widget(), f->find<QLabel>("label"));
    QCOMPARE(horizontalLayout2->itemAt(1)->widget(), f->find<QLineEdit>("lineEdit_account"));

    QCOMPARE(horizontalLayout->count(), 4);
    QCOMPARE(horizontalLayout->itemAt(0)->widget(), f->find<QLineEdit>("lineEdit"));
    QSpacerItem *horizontalSpacer = spacerAt(horizontalLayout, 1);
    QVERIFY(horizontalSpacer);
    QCOMPARE(horizontalSpacer->sizeHint(), QSize(40, 20));
    QCOMPARE(horizontalSpacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(horizontalLayout->itemAt(2)->widget(), f->nextButton());
    QCOMPARE(horizontalLayout->itemAt(3)->widget(), f->find<QPushButton>("pushButton_back"));
}

void TestQuestionDialog::startState()
{
    QuestionDialog &dialog = f->make();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Fragebogen"));
    QCOMPARE(dialog.size(), QSize(400, 300));
    QCOMPARE(f->find<QLabel>("label")->text(), QStringLiteral("Benutzername:"));
    QCOMPARE(f->nextButton()->text(), QStringLiteral("Weiter"));
    QVERIFY(!f->nextButton()->isEnabled());
    auto *back = f->find<QPushButton>("pushButton_back");
    QCOMPARE(back->text(), QStringLiteral("Zurück"));
    QVERIFY(!back->isEnabled());
    QVERIFY(back->isHidden());
    QVERIFY(f->find<QLineEdit>("lineEdit")->isHidden());
    QCOMPARE(f->stack()->currentIndex(), 0);
    QVERIFY(!dialog.finished);
    QVERIFY(!dialog.resumed);
    QCOMPARE(dialog.logFilePath(), f->path("_bernd_log.txt"));
    QCOMPARE(dialog.answerFilePath(), f->path("_bernd_answers.txt"));
}

void TestQuestionDialog::windowStaysOnTopWithOnlyMinimise()
{
    QuestionDialog &dialog = f->make();
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowStaysOnTopHint);
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
}

// Centred, the dialog that stays on top hid the code; dragged away, it came
// back to the centre whenever its window flags changed (resume, reminder).
void TestQuestionDialog::placedInTheCornerAndKeptThere()
{
    QuestionDialog &dialog = f->make();
    const QRect available = dialog.screen()->availableGeometry();
    QVERIFY(available.contains(dialog.frameGeometry()));
    // In the lower right corner, not in the middle.
    const QRect frame = dialog.frameGeometry();
    QVERIFY(available.right() - frame.right() < frame.width() / 8);
    QVERIFY(available.bottom() - frame.bottom() < frame.height() / 4);

    // The participant drags it: the window system moves the window.
    const QPoint dragged(available.left() + 40, available.top() + 50);
    dialog.windowHandle()->setFramePosition(dragged);
    QTRY_COMPARE(dialog.pos(), dragged);
    dialog.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowMinimizeButtonHint);
    dialog.show();
    QCOMPARE(dialog.pos(), dragged);
}

void TestQuestionDialog::accountNameEnablesNext_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("backspaces");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("ordinary name") << "anna" << 0 << true;
    QTest::newRow("name with umlaut") << QStringLiteral("jörg") << 0 << true;
    QTest::newRow("typed and erased again") << "a" << 1 << false;
    QTest::newRow("parent folder") << ".." << 0 << false;
    QTest::newRow("current folder") << "." << 0 << false;
    QTest::newRow("path") << "../../etc/x" << 0 << false;
    QTest::newRow("windows path") << "c:\\x" << 0 << false;
    QTest::newRow("wildcard") << "a*" << 0 << false;
    QTest::newRow("forbidden character removed again") << "ab?" << 1 << true;
    QTest::newRow("spaces around a name") << " p7 " << 0 << true;
    QTest::newRow("only spaces") << "   " << 0 << false;
}

void TestQuestionDialog::accountNameEnablesNext()
{
    QFETCH(QString, typed);
    QFETCH(int, backspaces);
    QFETCH(bool, enabled);

    f->make();
    f->typeAccount(typed);
    for (int i = 0; i < backspaces; ++i)
        QTest::keyClick(f->find<QLineEdit>("lineEdit_account"), Qt::Key_Backspace);
    QCOMPARE(f->nextButton()->isEnabled(), enabled);
}

void TestQuestionDialog::refusedNameIsExplained_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("backspaces");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("mentioned"); // what the reason must name

    QTest::newRow("path out of the project folder") << "../p02" << 0 << true << "/";
    QTest::newRow("windows drive") << "c:p02" << 0 << true << ":";
    QTest::newRow("wildcard") << "p*" << 0 << true << "*";
    QTest::newRow("parent folder alone") << ".." << 0 << true << "..";
    QTest::newRow("usable name says nothing") << "p02" << 0 << false << "";
    QTest::newRow("empty field says nothing") << "a" << 1 << false << "";
    QTest::newRow("reason goes when the character goes") << "p02?" << 1 << false << "";
}

// "Weiter" alone stays disabled; the participant must learn why.
void TestQuestionDialog::refusedNameIsExplained()
{
    QFETCH(QString, typed);
    QFETCH(int, backspaces);
    QFETCH(bool, refused);
    QFETCH(QString, mentioned);

    f->make();
    auto *reason = f->find<QLabel>("label_accountRefused");
    QVERIFY(reason);
    QVERIFY(!reason->isVisible());
    f->typeAccount(typed);
    for (int i = 0; i < backspaces; ++i)
        QTest::keyClick(f->find<QLineEdit>("lineEdit_account"), Qt::Key_Backspace);

    QCOMPARE(f->nextButton()->isEnabled(), !refused && backspaces < typed.size());
    QCOMPARE(reason->isVisible(), refused);
    if (refused) {
        QVERIFY(reason->text().contains(mentioned));
        // Beside the field: below it, not somewhere else in the dialog.
        const auto *field = f->find<QLineEdit>("lineEdit_account");
        QVERIFY(reason->mapTo(f->dialog.get(), QPoint(0, 0)).y()
                >= field->mapTo(f->dialog.get(), QPoint(0, field->height())).y());
    }
}

void TestQuestionDialog::operatingSystemUserNamesTheFiles_data()
{
    // A null value: the variable is not set.
    QTest::addColumn<QByteArray>("username");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("logname");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("logFile");

    QTest::newRow("USERNAME first (Windows)") << QByteArray("bernd") << QByteArray("carla")
                                              << QByteArray("dora") << "p03"
                                              << "p03_bernd_log.txt";
    QTest::newRow("USER without USERNAME (Linux desktops)")
        << QByteArray() << QByteArray("carla") << QByteArray("dora") << "p03"
        << "p03_carla_log.txt";
    QTest::newRow("empty USERNAME counts as unset")
        << QByteArray("") << QByteArray("carla") << QByteArray() << "p03" << "p03_carla_log.txt";
    QTest::newRow("LOGNAME last") << QByteArray() << QByteArray() << QByteArray("dora") << "p03"
                                  << "p03_dora_log.txt";
    QTest::newRow("none set") << QByteArray() << QByteArray() << QByteArray() << "p03"
                              << "p03__log.txt";
    QTest::newRow("spaces around the account name are not part of it")
        << QByteArray("bernd") << QByteArray() << QByteArray() << "  p03 "
        << "p03_bernd_log.txt";
}

void TestQuestionDialog::operatingSystemUserNamesTheFiles()
{
    QFETCH(QByteArray, username);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, logname);
    QFETCH(QString, typed);
    QFETCH(QString, logFile);

    const char *names[] = {"USERNAME", "USER", "LOGNAME"};
    const QByteArray values[] = {username, user, logname};
    QByteArray saved[3];
    bool wasSet[3];
    for (int i = 0; i < 3; ++i) {
        wasSet[i] = qEnvironmentVariableIsSet(names[i]);
        saved[i] = qgetenv(names[i]);
        if (values[i].isNull())
            qunsetenv(names[i]);
        else
            qputenv(names[i], values[i]);
    }
    auto restore = qScopeGuard([&] {
        for (int i = 0; i < 3; ++i) {
            if (wasSet[i])
                qputenv(names[i], saved[i]);
            else
                qunsetenv(names[i]);
        }
    });

    QVERIFY(f->writeFile("questions.txt", "a|1;b|1;"));
    QuestionDialog &dialog = f->make();
    f->signIn(typed);
    QCOMPARE(dialog.logFilePath(), f->path(logFile));
    QVERIFY(QFile::exists(f->path(logFile)));
    // The field shows the name the files carry.
    QCOMPARE(f->find<QLineEdit>("lineEdit_account")->text(), QStringLiteral("p03"));
    QCOMPARE(QDir(f->dir.path()).entryList({QStringLiteral("*_log.txt")}),
             QStringList{logFile});
}

void TestQuestionDialog::accountCheckOnlyOnTheAccountPage()
{
    QVERIFY(f->writeFile("questions.txt", "a|1;b|1;"));
    QuestionDialog &dialog = f->make();
    f->signIn(QStringLiteral("anna"));
    QCOMPARE(f->stack()->currentIndex(), 1);
    f->find<QLineEdit>("lineEdit_account")->clear();
    dialog.firstPageNextEnabled();
    QVERIFY(f->nextButton()->isEnabled());
}

void TestQuestionDialog::directCallWithUnusableNameDoesNothing()
{
    QVERIFY(f->writeFile("questions.txt", "a|1;"));
    QuestionDialog &dialog = f->make();
    f->typeAccount(QStringLiteral("../x"));
    dialog.nextStackedPage();
    QCOMPARE(f->stack()->currentIndex(), 0);
    QCOMPARE(QDir(f->dir.path()).entryList(QDir::Files), QStringList{"questions.txt"});
    QVERIFY(!QFile::exists(f->path("../x_bernd_log.txt")));
}

void TestQuestionDialog::pagesFromQuestionsFile_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("questions");
    QTest::addColumn<QList<QStringList>>("pages");

    QTest::newRow("two answer lines, question without box, second task")
        << true << QByteArray("a|2$b;c;")
        << QList<QStringList>{{"Q:a", "A2", "Q:b"}, {"Q:c"}};
    QTest::newRow("introduction and three-line question")
        << true << QByteArray("Einleitung$Frage|3;")
        << QList<QStringList>{{"Q:Einleitung", "Q:Frage", "A3"}};
    QTest::newRow("missing final semicolon loses its task")
        << true << QByteArray("a|1;b|1") << QList<QStringList>{{"Q:a", "A1"}};
    QTest::newRow("empty question gives an empty box")
        << true << QByteArray("a$$b|1;") << QList<QStringList>{{"Q:a", "Q:", "Q:b", "A1"}};
    QTest::newRow("umlauts in utf-8")
        << true << QByteArray("Gr\xc3\xb6\xc3\x9f" "e?|1;")
        << QList<QStringList>{{QStringLiteral("Q:Größe?"), "A1"}};
    QTest::newRow("umlauts in latin-1")
        << true << QByteArray("Gr\xf6\xdf" "e?|1;")
        << QList<QStringList>{{QStringLiteral("Q:Größe?"), "A1"}};
    QTest::newRow("text after a nul byte is ignored")
        << true << QByteArray("a|1;\0b|1;", 9) << QList<QStringList>{{"Q:a", "A1"}};
    QTest::newRow("empty questions file") << true << QByteArray() << QList<QStringList>{};
    QTest::newRow("no questions file") << false << QByteArray() << QList<QStringList>{};
}

void TestQuestionDialog::pagesFromQuestionsFile()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, questions);
    QFETCH(QList<QStringList>, pages);

    if (present)
        QVERIFY(f->writeFile("questions.txt", questions));
    f->make();
    QCOMPARE(f->stack()->count(), pages.size() + 1);
    for (int i = 0; i < pages.size(); ++i)
        QCOMPARE(describePage(f->stack()->widget(i + 1)), pages.at(i));
}

void TestQuestionDialog::questionBoxesReadLikeLabels()
{
    QVERIFY(f->writeFile("questions.txt", "<b>fett</b> normal|1;"));
    f->make();
    QWidget *page = f->stack()->widget(1);
    auto *question = qobject_cast<QTextEdit *>(page->layout()->itemAt(0)->widget());
    auto *answer = qobject_cast<QTextEdit *>(page->layout()->itemAt(1)->widget());
    QVERIFY(question && answer);

    QCOMPARE(question->toPlainText(), QStringLiteral("fett normal"));
    QTextCursor cursor(question->document());
    cursor.setPosition(2);
    QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Bold));
    cursor.setPosition(7);
    QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Normal));

    QCOMPARE(question->textInteractionFlags(), Qt::NoTextInteraction);
    QCOMPARE(question->frameShape(), QFrame::NoFrame);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        QCOMPARE(question->palette().color(group, QPalette::Base),
                 question->palette().color(group, QPalette::Window));
    }
    QCOMPARE(question->height(), int(question->document()->size().height()));
    QVERIFY(!answer->isReadOnly());
    QCOMPARE(answer->height(), QFontMetrics(question->font()).lineSpacing() + 10);
    QCOMPARE(page->layout()->alignment(), Qt::AlignTop);
}

void TestQuestionDialog::hugeAnswerLineCountIsBounded()
{
    QVERIFY(f->writeFile("questions.txt", "a|2147483647;"));
    f->make();
    const QList<QTextEdit *> boxes = f->answerBoxes();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.at(0)->maximumHeight(), QWIDGETSIZE_MAX);
}

void TestQuestionDialog::heightFollowsTheCurrentPage()
{
    QVERIFY(f->writeFile("questions.txt", "a|1;b|12;"));
    QuestionDialog &dialog = f->make();
    const auto expectFixedHeight = [&] {
        const int height = f->stack()->currentWidget()->sizeHint().height() + 100;
        QCOMPARE(dialog.minimumHeight(), height);
        QCOMPARE(dialog.maximumHeight(), height);
    };
    expectFixedHeight();
    f->signIn(QStringLiteral("anna"));
    expectFixedHeight();
    const int firstPageHeight = dialog.maximumHeight();
    f->clickNext();
    expectFixedHeight();
    QVERIFY(dialog.maximumHeight() > firstPageHeight); // twelve lines need more room
}

void TestQuestionDialog::withoutQuestionsFileSignInThenFinish()
{
    QuestionDialog &dialog = f->make();
    f->now = 10;
    f->signIn(QStringLiteral("anna"));
    QCOMPARE(f->stack()->currentIndex(), 0);
    QCOMPARE(f->nextButton()->text(), QStringLiteral("Fertig!"));
    QVERIFY(!f->find<QPushButton>("pushButton_back")->isEnabled());
    QCOMPARE(f->readFile("anna_bernd_answers.txt"), QByteArray("\n"));
    QCOMPARE(f->readFile("anna_bernd_log.txt"), QByteArray("code$$code$($)$10$10$0\r\n\n"));
    QVERIFY(!dialog.finished);
    QVERIFY(dialog.isVisible());

    f->now = 12;
    f->clickNext();
    QVERIFY(dialog.finished);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(f->readFile("anna_bernd_answers.txt"), QByteArray("\n"));
    QCOMPARE(f->readFile("anna_bernd_log.txt"),
             QByteArray("code$$code$($)$10$10$0\r\n\ncode$$code$($)$10$12$2\r\n\n"));
}

// A participant signs in, reads the introduction, answers two tasks and
// finishes; both files hold exactly what was done.
void TestQuestionDialog::wholeParticipantRun()
{
    QVERIFY(f->writeFile("questions.txt",
                         "Willkommen zur Studie.;"
                         "<b>Aufgabe 1</b>$Welche Klassen senden Nachrichten?|2$"
                         "Notieren Sie Auff\xc3\xa4lligkeiten.|1;"
                         "Aufgabe 2$Wie viele Features gibt es?|1;"));
    QuestionDialog &dialog = f->make();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    f->now = 1000;
    f->typeAccount(QStringLiteral("anna"));
    QVERIFY(f->nextButton()->isEnabled());
    f->clickNext();
    QCOMPARE(f->stack()->currentIndex(), 1);
    QCOMPARE(f->readFile("anna_bernd_answers.txt"), QByteArray("$$$\n"));

    f->now = 1010;
    f->clickNext();
    QCOMPARE(f->stack()->currentIndex(), 2);
    QCOMPARE(f->nextButton()->text(), QStringLiteral("Weiter"));
    const QList<QTextEdit *> boxes = f->answerBoxes();
    QCOMPARE(boxes.size(), 3);
    StudyFixture::type(boxes.at(0), QStringLiteral("Client und Server"));
    StudyFixture::type(boxes.at(1), QStringLiteral("äöü"));

    f->now = 1070;
    f->clickNext();
    QCOMPARE(f->stack()->currentIndex(), 3);
    QCOMPARE(f->nextButton()->text(), QStringLiteral("Fertig!"));
    StudyFixture::type(boxes.at(2), QStringLiteral("12"));

    f->now = 1100;
    f->clickNext();
    QVERIFY(dialog.finished);
    QVERIFY(!dialog.isVisible());

    f->now = 1200;
    dialog.writeToLog(QStringLiteral("fileOpened"), QStringLiteral("/A.java"));

    QCOMPARE(f->readFile("anna_bernd_answers.txt"),
             QByteArray("Client und Server$\xc3\xa4\xc3\xb6\xc3\xbc$12$\n"));
    QCOMPARE(f->readFile("anna_bernd_log.txt"),
             QByteArray("code$$code$($)$1000$1000$0\r\n\n"
                        "task1$$taskCompleted$($)$1000$1070$70\r\n\n"
                        "task2$$taskCompleted$($)$1070$1100$30\r\n\n"));
    QVERIFY(!QFile::exists(f->path("_bernd_log.txt")));
    QVERIFY(!QFile::exists(f->path("_bernd_answers.txt")));
}

void TestQuestionDialog::previousPageGoesBackWithoutLogging()
{
    QVERIFY(f->writeFile("questions.txt", "a|1;b|1;"));
    QuestionDialog &dialog = f->make();
    f->signIn(QStringLiteral("anna"));
    f->clickNext();
    QCOMPARE(f->stack()->currentIndex(), 2);
    QCOMPARE(f->nextButton()->text(), QStringLiteral("Fertig!"));
    const QByteArray log = f->readFile("anna_bernd_log.txt");
    StudyFixture::type(f->answerBoxes().at(1), QStringLiteral("zurück"));

    dialog.previousStackedPage();
    QCOMPARE(f->stack()->currentIndex(), 1);
    QCOMPARE(f->nextButton()->text(), QStringLiteral("Weiter"));
    QVERIFY(f->find<QPushButton>("pushButton_back")->isEnabled());
    QCOMPARE(f->readFile("anna_bernd_log.txt"), log);
    QCOMPARE(f->readFile("anna_bernd_answers.txt"), QByteArray("$zur\xc3\xbc" "ck$\n"));

    dialog.previousStackedPage();
    QCOMPARE(f->stack()->currentIndex(), 0);
    QVERIFY(!f->find<QPushButton>("pushButton_back")->isEnabled());
    QVERIFY(!dialog.finished);
}

void TestQuestionDialog::closeIsRefusedUntilFinished_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("window closed") << false;
    QTest::newRow("escape pressed") << true;
}

void TestQuestionDialog::closeIsRefusedUntilFinished()
{
    QFETCH(bool, escape);
    QuestionDialog &dialog = f->make();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const auto tryToClose = [&] {
        if (escape)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            dialog.close();
    };
    tryToClose();
    QVERIFY(dialog.isVisible());
    dialog.finished = true;
    tryToClose();
    QVERIFY(!dialog.isVisible());
}

void TestQuestionDialog::closingKeepsTheAnswersOfTheCurrentPage_data()
{
    QTest::addColumn<bool>("signIn");
    QTest::addColumn<QByteArray>("answers");
    QTest::newRow("signed in: typed answer saved") << true << QByteArray("noch offen$$\n");
    QTest::newRow("not signed in: no answers file") << false << QByteArray("<missing>");
}

// When the main window ends the session it sets finished and closes the
// questionnaire; what was typed since the last page change is kept.
void TestQuestionDialog::closingKeepsTheAnswersOfTheCurrentPage()
{
    QFETCH(bool, signIn);
    QFETCH(QByteArray, answers);

    QVERIFY(f->writeFile("questions.txt", "a|1;b|1;"));
    QuestionDialog &dialog = f->make();
    if (signIn) {
        f->signIn(QStringLiteral("anna"));
        StudyFixture::type(f->answerBoxes().at(0), QStringLiteral("noch offen"));
    }
    dialog.finished = true;
    dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(f->readFile("anna_bernd_answers.txt"), answers);
    QVERIFY(!QFile::exists(f->path("_bernd_answers.txt")));
}

void TestQuestionDialog::answersAreFinalAfterFertig_data()
{
    QTest::addColumn<QString>("then");
    QTest::newRow("typed into and pressed again") << "type";
    QTest::newRow("closed as the viewer ends") << "close";
    QTest::newRow("a page back and forth") << "pages";
    QTest::newRow("asked to write its answers") << "write";
}

// The next person at the machine brought the questionnaire back from the
// menu and typed: the answers of the participant before were rewritten.
void TestQuestionDialog::answersAreFinalAfterFertig()
{
    QFETCH(QString, then);

    QVERIFY(f->writeFile("questions.txt", "a|1;b|1;c|1;"));
    QuestionDialog &dialog = f->make();
    f->now = 100;
    f->signIn(QStringLiteral("p12"));
    StudyFixture::type(f->answerBoxes().at(0), QStringLiteral("eins"));
    f->clickNext();
    f->now = 110;
    f->clickNext();
    StudyFixture::type(f->answerBoxes().at(2), QStringLiteral("drei"));
    f->now = 120;
    f->clickNext(); // "Fertig!"
    QVERIFY(dialog.answersFinal());
    QVERIFY(!dialog.isVisible());
    const QByteArray answers = f->readFile(QStringLiteral("p12_bernd_answers.txt"));
    const QByteArray log = f->readFile(QStringLiteral("p12_bernd_log.txt"));
    QCOMPARE(answers, QByteArray("eins$$drei$\n"));
    QVERIFY(log.endsWith("task2$$taskCompleted$($)$110$120$10\r\n\n"));
    QVERIFY(dateBack(f->path(QStringLiteral("p12_bernd_answers.txt"))));
    QVERIFY(dateBack(f->path(QStringLiteral("p12_bernd_log.txt"))));

    // "show Questions Dialog": the last page, read-only, and it says so.
    dialog.bringToFront();
    QVERIFY(dialog.isVisible());
    QCOMPARE(f->stack()->currentIndex(), 3);
    auto *note = f->find<QLabel>("label_answersFinal");
    QVERIFY(note && note->isVisible());
    QVERIFY(!f->nextButton()->isVisible());
    const QList<QTextEdit *> boxes = f->answerBoxes();
    QCOMPARE(boxes.size(), 3);
    for (const QTextEdit *box : boxes)
        QVERIFY(box->isReadOnly());

    if (then == QLatin1String("type")) {
        StudyFixture::type(boxes.at(2), QStringLiteral("fremd"));
        QCOMPARE(boxes.at(2)->toPlainText(), QStringLiteral("drei"));
        dialog.nextStackedPage();
    } else if (then == QLatin1String("close")) {
        dialog.finished = true;
        dialog.close();
        QVERIFY(!dialog.isVisible());
    } else if (then == QLatin1String("pages")) {
        dialog.previousStackedPage();
        dialog.nextStackedPage();
        QCOMPARE(f->stack()->currentIndex(), 3);
    } else {
        dialog.writeAnswerFile();
    }
    dialog.writeToLog(QStringLiteral("fileOpened"), QStringLiteral("/A.java"));

    QVERIFY(!writtenSinceDatedBack(f->path(QStringLiteral("p12_bernd_answers.txt"))));
    QVERIFY(!writtenSinceDatedBack(f->path(QStringLiteral("p12_bernd_log.txt"))));
    QCOMPARE(f->readFile(QStringLiteral("p12_bernd_answers.txt")), answers);
    QCOMPARE(f->readFile(QStringLiteral("p12_bernd_log.txt")), log);
}

void TestQuestionDialog::otherDialogsLieAboveIt_data()
{
    QTest::addColumn<bool>("modal");
    QTest::newRow("a dialog beside the window (custom colours)") << false;
    QTest::newRow("a modal dialog (open a saved assignment, a message)") << true;
}

// Staying on top, the questionnaire hid the file name field of the dialog
// that opens a saved colour assignment and the colour dialog's slots.
void TestQuestionDialog::otherDialogsLieAboveIt()
{
    QFETCH(bool, modal);

    QuestionDialog &dialog = f->make();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QWindow *window = dialog.windowHandle();
    QVERIFY(window);
    QVERIFY(window->flags() & Qt::WindowStaysOnTopHint);

    QDialog other;
    other.setWindowTitle(QStringLiteral("other"));
    bool onTopWhileShown = true;
    if (modal) {
        QTimer::singleShot(0, &other, [&] {
            onTopWhileShown = window->flags().testFlag(Qt::WindowStaysOnTopHint);
            other.reject();
        });
        other.exec();
    } else {
        other.show();
        onTopWhileShown = window->flags().testFlag(Qt::WindowStaysOnTopHint);
        other.hide();
    }
    QVERIFY(!onTopWhileShown);
    // Back on top once the other dialog is gone; the widget's own flags
    // never changed, so a resume or the reminder still decide as before.
    QTRY_VERIFY(window->flags() & Qt::WindowStaysOnTopHint);
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
}

void TestQuestionDialog::languageChangeRetranslates()
{
    QVERIFY(f->writeFile("questions.txt", "a|1;"));
    QuestionDialog &dialog = f->make();
    EnglishTranslator english;
    QVERIFY(QCoreApplication::installTranslator(&english));
    QTRY_COMPARE(dialog.windowTitle(), QStringLiteral("Questionnaire"));
    QCOMPARE(f->find<QLabel>("label")->text(), QStringLiteral("User name:"));
    QCOMPARE(f->nextButton()->text(), QStringLiteral("Next"));
    QCOMPARE(f->find<QPushButton>("pushButton_back")->text(), QStringLiteral("Back"));

    f->signIn(QStringLiteral("anna"));
    QCOMPARE(f->nextButton()->text(), QStringLiteral("Done!"));

    QVERIFY(QCoreApplication::removeTranslator(&english));
    // The last page keeps its finishing button in the other language too.
    QTRY_COMPARE(f->nextButton()->text(), QStringLiteral("Fertig!"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Fragebogen"));
    f->clickNext();
    QVERIFY(dialog.finished);
}

// The question reads like a label on the dialog's background, the answer box
// is a white field; the pictures go to FEATUREHUE_RENDER_DIR when it is set.
void TestQuestionDialog::renderedPages()
{
    QVERIFY(f->writeFile("questions.txt",
                         "<b>Aufgabe 1</b>: Lesen Sie die Klasse <i>Server</i> und alle "
                         "Klassen, die sie benutzt, und achten Sie auf die Farben der Features.$"
                         "Welche Methoden senden Nachrichten?|3$Wie sicher sind Sie?|1;"));
    QuestionDialog &dialog = f->make();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QString renderDir = qEnvironmentVariable("FEATUREHUE_RENDER_DIR");

    f->typeAccount(QStringLiteral("anna"));
    const QImage accountPage = dialog.grab().toImage();
    QVERIFY(!accountPage.isNull());
    if (!renderDir.isEmpty())
        accountPage.save(renderDir + QLatin1String("/questiondialog_account.png"));

    f->clickNext();
    const QImage taskPage = dialog.grab().toImage();
    if (!renderDir.isEmpty())
        taskPage.save(renderDir + QLatin1String("/questiondialog_task.png"));

    QWidget *page = f->stack()->widget(1);
    auto *question = qobject_cast<QTextEdit *>(page->layout()->itemAt(0)->widget());
    auto *answer = qobject_cast<QTextEdit *>(page->layout()->itemAt(2)->widget());
    QVERIFY(question && answer);
    QVERIFY(question->isVisible() && answer->isVisible());
    const qreal ratio = taskPage.devicePixelRatio();
    const auto pixelAt = [&](QWidget *widget, QPoint point) {
        const QPoint inDialog = widget->mapTo(&dialog, point);
        return taskPage.pixelColor(qRound(inDialog.x() * ratio), qRound(inDialog.y() * ratio));
    };
    // Right end of the question box: past the text, so only background.
    QCOMPARE(pixelAt(question, QPoint(question->width() - 3, question->height() / 2)),
             dialog.palette().color(QPalette::Window));
    QCOMPARE(pixelAt(answer, QPoint(answer->width() / 2, answer->height() / 2)),
             answer->palette().color(QPalette::Base));
    // Every box lies inside the dialog.
    for (QWidget *widget : {static_cast<QWidget *>(question), static_cast<QWidget *>(answer)}) {
        const QRect inDialog(widget->mapTo(&dialog, QPoint(0, 0)), widget->size());
        QVERIFY(dialog.rect().contains(inDialog));
    }
}

QTEST_MAIN(TestQuestionDialog)
#include "tst_questiondialog.moc"
