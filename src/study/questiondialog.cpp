// Placeholder so the whole tree links while this class is being written.
#include "questiondialog.h"
QuestionDialog::QuestionDialog(const QString &projectDir, QTabWidget *, QWidget *, QWidget *,
                               QWidget *, QWidget *, QWidget *parent)
    : QDialog(parent), projectDir(projectDir) {}
QuestionDialog::~QuestionDialog() = default;
QString QuestionDialog::logFilePath() const { return {}; }
QString QuestionDialog::answerFilePath() const { return {}; }
void QuestionDialog::setClock(std::function<qint64()> c) { clock = std::move(c); }
void QuestionDialog::nextStackedPage() {}
void QuestionDialog::previousStackedPage() {}
void QuestionDialog::firstPageNextEnabled() {}
void QuestionDialog::writeAnswerFile() {}
void QuestionDialog::writeToLog(QString, QString) {}
void QuestionDialog::writeToLog(QString) {}
void QuestionDialog::setCurrentFile(QString) {}
void QuestionDialog::setStartAndEndLine(int, int) {}
void QuestionDialog::closeEvent(QCloseEvent *e) { QDialog::closeEvent(e); }
void QuestionDialog::changeEvent(QEvent *e) { QDialog::changeEvent(e); }
