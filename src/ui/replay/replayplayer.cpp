#include "replayplayer.h"

#include "replay/replaytimeline.h"

ReplayPlayer::ReplayPlayer(const ReplayTimeline *timeline, QObject *parent)
    : QObject(parent), m_timeline(timeline)
{
    m_timer.setInterval(FrameMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ReplayPlayer::advance);
    m_position = start();
}

const QList<int> &ReplayPlayer::speeds()
{
    static const QList<int> all{1, 2, 4, 8, 16, 32};
    return all;
}

qint64 ReplayPlayer::start() const
{
    const QList<ReplayTimeline::Segment> &segments = m_timeline->segments();
    return segments.isEmpty() ? 0 : qMin<qint64>(0, segments.first().start);
}

void ReplayPlayer::play()
{
    if (isPlaying())
        return;
    // From the end, playing starts again at the beginning.
    if (m_position >= m_timeline->durationMs())
        seek(start());
    m_clock.start();
    m_timer.start();
    emit playingChanged(true);
}

void ReplayPlayer::pause()
{
    if (!isPlaying())
        return;
    m_timer.stop();
    emit playingChanged(false);
}

void ReplayPlayer::togglePlaying()
{
    if (isPlaying())
        pause();
    else
        play();
}

void ReplayPlayer::seek(qint64 ms)
{
    const qint64 bounded = qBound(start(), ms, m_timeline->durationMs());
    if (bounded == m_position)
        return;
    m_position = bounded;
    emit positionChanged(m_position);
}

void ReplayPlayer::advance()
{
    qint64 next = m_position + m_clock.restart() * m_speed;
    // Nobody worked while the viewer was not running.
    for (const ReplayTimeline::Gap &gap : m_timeline->gaps()) {
        if (gap.start < next && next < gap.end)
            next = gap.end;
    }
    seek(next);
    if (m_position >= m_timeline->durationMs())
        pause();
}

void ReplayPlayer::stepForward()
{
    pause();
    const int tick = m_timeline->nextTick(m_position);
    if (tick >= 0)
        seek(m_timeline->ticks().at(tick).ms);
}

void ReplayPlayer::stepBack()
{
    pause();
    const int tick = m_timeline->previousTick(m_position);
    if (tick >= 0)
        seek(m_timeline->ticks().at(tick).ms);
}

void ReplayPlayer::jumpToTask(int task)
{
    if (const std::optional<qint64> at = m_timeline->taskStart(task))
        seek(*at);
}

void ReplayPlayer::setSpeed(int speed)
{
    if (speeds().contains(speed))
        m_speed = speed;
}
