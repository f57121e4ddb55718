// The window's share of a study design: the check of study.json and
// participants.csv at start, the participant's condition and task order at
// sign-in, the session file and the view file.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "core/formats/diagnostics.h"
#include "core/model/projectfolder.h"
#include "core/study/studyinputs.h"
#include "core/study/studymaterials.h"
#include "core/study/studysession.h"
#include "ui/colors/colormanager.h"
#include "ui/colorsaves/colorassignmentfile.h"
#include "ui/mainwindow/conditionlook.h"
#include "ui/mainwindow/filetabs.h"
#include "ui/mainwindow/viewrecorder.h"
#include "ui/questionnaire/questiondialog.h"
#include "ui/structure/projectreader.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

namespace {

// At most this many problems in a message box; the rest are on standard error.
constexpr int shownProblems = 12;

QString problemList(const QStringList &problems)
{
    QStringList shown = problems.mid(0, shownProblems);
    if (problems.size() > shownProblems)
        shown << QStringLiteral("... (%1 more)").arg(problems.size() - shownProblems);
    return shown.join(QLatin1Char('\n'));
}

void reportWriteFailure(const QString &path, const QString &error)
{
    writeConsoleLine(stderr, QStringLiteral("featurehue: cannot write %1: %2; the sitting goes "
                                            "on without it")
                                 .arg(path, error));
}

} // namespace

bool MainWindow::admitStudyDesign(const QString &folder)
{
    m_studyInputs = std::make_unique<StudyInputs>(StudyInputs::load(folder));
    QStringList errors;
    for (const Diagnostic &problem : std::as_const(m_studyInputs->problems)) {
        writeConsoleLine(stderr, formatDiagnostic(problem));
        if (problem.severity == Diagnostic::Severity::Error)
            errors << formatDiagnostic(problem);
    }
    if (errors.isEmpty())
        return true;
    // Nothing is written: no participant has signed in, no window is shown.
    m_studyRefused = true;
    QMessageBox::critical(nullptr, QStringLiteral("featurehue"),
                          QStringLiteral("The study in %1 cannot start until these problems are "
                                         "fixed (\"featurehue check\" lists them too):\n\n%2")
                              .arg(folder, problemList(errors)));
    return false;
}

void MainWindow::setUpStudy()
{
    const QString folder = ProjectFolder::path();
    m_conditionLook = std::make_unique<ConditionLook>(m_form, m_featureTree.get(), m_tabs.get());
    if (!m_studyInputs->design.conditions.isEmpty())
        m_conditionLook->showNothingYet();
    // Ordered and hashed away from the window.
    const QStringList listed = StudyMaterials::listedSources(m_projectReader->model());
    m_studySession = std::make_unique<StudySession>(
        folder, *m_studyInputs,
        [design = m_studyInputs->design, listed] { return StudyMaterials::files(design, listed); });
    m_viewRecorder = std::make_unique<ViewRecorder>(m_questionDialog, m_form->tabWidget,
                                                    m_form->horizontalSlider,
                                                    m_colorManager.get());

    m_questionDialog->setSignInCheck(
        [this](const QString &account, const QString &user) { return checkSignIn(account, user); });
    connect(m_questionDialog, &QuestionDialog::pageShown, m_viewRecorder.get(),
            &ViewRecorder::page);
    connect(m_questionDialog, &QuestionDialog::participantSignedIn, this,
            &MainWindow::beginSitting);
    // "Fertig!" ends the sitting; so does closing the window before it.
    connect(m_questionDialog, &QDialog::finished, this, [this] { endSitting(false); });
    connect(qApp, &QGuiApplication::applicationStateChanged, m_viewRecorder.get(),
            &ViewRecorder::applicationStateChanged);
}

bool MainWindow::checkSignIn(const QString &account, const QString &user)
{
    // What waits for its stillness still belongs to the time before.
    m_viewRecorder->flush();
    QStringList problems;
    bool ready = m_studySession->prepare(account, user, &problems);
    const StudyCondition *condition = ready ? m_studySession->condition() : nullptr;
    // A condition without colours shows none, whatever it names.
    if (condition && condition->colours && !condition->assignment.isEmpty()) {
        // Applied now, shown once the participant has signed in; a file that
        // cannot be applied changes nothing and keeps them out.
        const QString path = ProjectFolder::path() + QLatin1Char('/') + condition->assignment;
        m_presetPending = ColorAssignmentFile::apply(path, m_colorManager.get())
                          == ColorAssignmentFile::ApplyResult::Applied;
        if (!m_presetPending) {
            problems << QStringLiteral("%1: error: the colour assignment of condition \"%2\" "
                                       "cannot be applied")
                            .arg(condition->assignment, condition->name);
            ready = false;
        }
    }
    if (!ready) {
        for (const QString &problem : std::as_const(problems))
            writeConsoleLine(stderr, problem);
        QMessageBox::warning(m_questionDialog, QStringLiteral("Fragebogen"),
                             QStringLiteral("Die Anmeldung ist nicht möglich, weil die "
                                            "Studiendateien Fehler enthalten. Bitte wenden Sie "
                                            "sich an die Versuchsleitung.\n\n%1")
                                 .arg(problemList(problems)));
        return false;
    }
    m_questionDialog->setTaskOrder(m_studySession->plan().taskOrder);
    return true;
}

void MainWindow::beginSitting()
{
    const QSize size = screen() ? screen()->size() : QSize();
    QString error;
    if (!m_studySession->begin(size.width(), size.height(), &error))
        reportWriteFailure(m_studySession->path(), error);
    if (const StudyCondition *condition = m_studySession->condition()) {
        m_conditionLook->apply(*condition);
        // The palette may have come back: the docks share the height anew.
        splitRightDocksSoon();
    }
    // The participant's view file starts with what the screen shows; the
    // condition's colours then follow as changes.
    m_viewRecorder->signedIn();
    if (m_presetPending) {
        m_presetPending = false;
        updateAllColors();
    }
}

void MainWindow::endSitting(bool closing)
{
    if (closing && m_viewRecorder)
        m_viewRecorder->close();
    QString error;
    if (m_studySession && !m_studySession->end(&error) && !error.isEmpty())
        reportWriteFailure(m_studySession->path(), error);
}
