#include "studyfixture.h"

#include "testfiles.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>

namespace TestSupport {

StudyFixture::StudyFixture()
{
    qputenv("USERNAME", "bernd");
}

bool StudyFixture::writeFile(const QString &name, const QByteArray &bytes) const
{
    return TestSupport::writeFile(path(name), bytes);
}

QByteArray StudyFixture::readFile(const QString &name) const
{
    return TestSupport::readFile(path(name));
}

QuestionDialog &StudyFixture::make()
{
    dialog = std::make_unique<QuestionDialog>(dir.path(), &viewer);
    dialog->setClock([this] { return now; });
    dialog->show();
    return *dialog;
}

QPushButton *StudyFixture::nextButton() const
{
    return find<QPushButton>("pushButton_next");
}

QStackedWidget *StudyFixture::stack() const
{
    return find<QStackedWidget>("stackedWidget");
}

void StudyFixture::type(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
    }
}

void StudyFixture::typeAccount(const QString &name) const
{
    type(find<QLineEdit>("lineEdit_account"), name);
}

void StudyFixture::clickNext() const
{
    QTest::mouseClick(nextButton(), Qt::LeftButton);
}

void StudyFixture::signIn(const QString &name) const
{
    typeAccount(name);
    clickNext();
}

QList<QTextEdit *> StudyFixture::answerBoxes() const
{
    QList<QTextEdit *> boxes;
    for (int i = 1; i < stack()->count(); ++i) {
        const QList<QTextEdit *> edits = stack()->widget(i)->findChildren<QTextEdit *>();
        for (QTextEdit *edit : edits) {
            // Question boxes take no interaction at all; answer boxes stay
            // selectable once they are final and read-only.
            if (edit->textInteractionFlags() != Qt::NoTextInteraction)
                boxes << edit;
        }
    }
    return boxes;
}

} // namespace TestSupport
