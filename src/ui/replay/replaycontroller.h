#pragma once

#include "replay/replaysources.h"
#include "replay/replaytimeline.h"

#include <QObject>
#include <QStringList>

#include <memory>

class MainWindow;
class ReplayBar;
class ReplayPlayer;
class ReplayQuestionnaire;
class ReplayScreen;
class QSlider;

// A replay on a window built for one (MainWindow::Purpose::Replay): the
// participant's condition, the replay bar docked under the code, the
// questionnaire beside it, and every move of the replay put on the screen.
class ReplayController : public QObject
{
    Q_OBJECT

public:
    ReplayController(MainWindow *window, const ReplaySources &sources, QObject *parent = nullptr);
    ~ReplayController() override;

    const ReplayTimeline &timeline() const { return m_timeline; }
    ReplayPlayer *player() const { return m_player; }
    ReplayBar *bar() const { return m_bar; }
    ReplayQuestionnaire *questionnaire() const { return m_questionnaire; }
    ReplayScreen *screen() const { return m_screen.get(); }
    // The moment on the screen.
    const ReplayState &shown() const { return m_shown; }

    // Puts the moment at ms on the screen, as a step of the replay does.
    void showAt(qint64 ms);

private:
    void applyCondition();
    // The window's opacity slider.
    QSlider *slider() const;
    QStringList notesFor(const ReplayState &state) const;

    MainWindow *m_window = nullptr;
    ReplaySources m_sources;
    ReplayTimeline m_timeline;
    ReplayPlayer *m_player = nullptr; // a child
    std::unique_ptr<ReplayScreen> m_screen;
    ReplayBar *m_bar = nullptr;                     // in its dock
    ReplayQuestionnaire *m_questionnaire = nullptr; // in its dock
    QStringList m_conditionNotes;
    ReplayState m_shown;
};
