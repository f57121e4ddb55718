#include "replaycontroller.h"

#include "ui/mainwindow/mainwindow.h"
#include "ui/replay/replaybar.h"
#include "ui/replay/replayplayer.h"
#include "ui/replay/replayquestionnaire.h"
#include "ui/replay/replayscreen.h"

#include <QDockWidget>
#include <QSignalBlocker>
#include <QSlider>

namespace {

QDockWidget *addDock(MainWindow *window, const char *name, const QString &title,
                     QWidget *content, Qt::DockWidgetArea area)
{
    auto *dock = new QDockWidget(title, window);
    dock->setObjectName(QLatin1String(name));
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    dock->setWidget(content);
    window->addDockWidget(area, dock);
    return dock;
}

bool showsColours(const ReplaySources &sources)
{
    return !sources.condition || sources.condition->colours;
}

} // namespace

ReplayController::ReplayController(MainWindow *window, const ReplaySources &sources,
                                   QObject *parent)
    : QObject(parent),
      m_window(window),
      m_sources(sources),
      m_timeline(sources.records, sources.rows, sources.settings())
{
    m_player = new ReplayPlayer(&m_timeline, this);
    ReplayScreen::Options options;
    options.colours = showsColours(sources);
    m_screen = std::make_unique<ReplayScreen>(window, sources.folder, options);

    // The bar right under the code, between the docks at the sides.
    window->setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    window->setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
    m_bar = new ReplayBar(&m_timeline, m_player);
    addDock(window, "dockWidget_replay", QStringLiteral("Replay"), m_bar,
            Qt::BottomDockWidgetArea);
    m_questionnaire = new ReplayQuestionnaire(m_sources);
    // Below the explorer, whose trees leave most of its height free.
    addDock(window, "dockWidget_questionnaire", QStringLiteral("Questionnaire"), m_questionnaire,
            Qt::LeftDockWidgetArea);
    applyCondition();
    window->setWindowTitle(QStringLiteral("featurehue replay: %1 (%2)")
                               .arg(sources.account, sources.user.isEmpty()
                                                         ? QStringLiteral("no user")
                                                         : sources.user));

    connect(m_player, &ReplayPlayer::positionChanged, this, &ReplayController::showAt);
    showAt(m_player->position());
}

ReplayController::~ReplayController() = default;

QSlider *ReplayController::slider() const
{
    return m_window->findChild<QSlider *>(QStringLiteral("horizontalSlider"));
}

void ReplayController::applyCondition()
{
    if (!m_sources.condition)
        return;
    const StudyCondition &condition = *m_sources.condition;
    if (!condition.colours || condition.locked) {
        // Colours could not be given or taken in this condition.
        for (const char *name : {"dockWidget_colors", "dockWidget_colorAssignments"}) {
            if (auto *dock = m_window->findChild<QDockWidget *>(QLatin1String(name)))
                dock->hide();
        }
    }
    slider()->setEnabled(condition.colours && !condition.locked);
    QString note = QStringLiteral("Condition \"%1\"").arg(condition.name);
    if (!condition.colours)
        note += QStringLiteral(": without colours");
    else if (condition.locked)
        note += QStringLiteral(": colours locked");
    m_conditionNotes.append(note + QLatin1Char('.'));
}

void ReplayController::showAt(qint64 ms)
{
    m_shown = m_timeline.stateAt(ms);
    m_screen->show(m_shown);
    if (slider()->value() != m_shown.opacity) {
        // The slider only shows where it stood; the tabs have their own opacity.
        const QSignalBlocker blocker(slider());
        slider()->setValue(m_shown.opacity);
    }
    m_questionnaire->showTask(m_shown.task, m_shown.finished);
    m_bar->showState(m_shown, notesFor(m_shown));
}

QStringList ReplayController::notesFor(const ReplayState &state) const
{
    // What holds for this moment first, then what holds for the whole replay.
    QStringList notes;
    if (!m_screen->note().isEmpty())
        notes.append(m_screen->note());
    if (state.interrupted)
        notes.append(QStringLiteral("Interrupted: the viewer was not running."));
    else if (state.closed)
        notes.append(QStringLiteral("The viewer was closed."));
    else if (!state.focus)
        notes.append(QStringLiteral("The participant was in another program."));
    return notes + m_conditionNotes + m_sources.notes;
}
