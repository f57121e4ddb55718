#pragma once

#include <QStringList>
#include <QStyle>
#include <QWidget>

class QComboBox;
class QLabel;
class QToolButton;
class ReplayPlayer;
class ReplayTimeline;
class ReplayTimelineWidget;
struct ReplayState;

// The replay's controls under the code: the timeline, play and pause, the
// speed, a step to the next or the previous record, a jump to a task's
// start, the time and the current record as text, and what the replay cannot
// show (a missing view file, an interruption, a file not in the folder).
class ReplayBar : public QWidget
{
    Q_OBJECT

public:
    ReplayBar(const ReplayTimeline *timeline, ReplayPlayer *player, QWidget *parent = nullptr);

    // Shows the moment and the notes that go with it.
    void showState(const ReplayState &state, const QStringList &notes);

    ReplayTimelineWidget *timelineWidget() const { return m_timelineWidget; }

private:
    QToolButton *button(const char *name, const QString &toolTip, QStyle::StandardPixmap icon);
    void showPlaying(bool playing);

    const ReplayTimeline *m_timeline = nullptr;
    ReplayPlayer *m_player = nullptr;
    ReplayTimelineWidget *m_timelineWidget = nullptr;
    QToolButton *m_play = nullptr;
    QComboBox *m_speed = nullptr;
    QComboBox *m_task = nullptr;
    QLabel *m_time = nullptr;
    QLabel *m_record = nullptr;
    QLabel *m_notes = nullptr;
};
