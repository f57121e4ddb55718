#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

class ReplayTimeline;

// Where a replay stands in the sitting, and its playing: the time runs on at
// 1x to 32x the speed of the sitting, over the gaps between runs of the
// viewer, and stops at the end.
class ReplayPlayer : public QObject
{
    Q_OBJECT

public:
    explicit ReplayPlayer(const ReplayTimeline *timeline, QObject *parent = nullptr);

    static const QList<int> &speeds(); // 1, 2, 4, 8, 16, 32
    // How often the time moves on while playing.
    static constexpr int FrameMs = 40;

    qint64 position() const { return m_position; }
    bool isPlaying() const { return m_timer.isActive(); }
    int speed() const { return m_speed; }

public Q_SLOTS:
    void play();
    void pause();
    void togglePlaying();
    // Moves to ms, kept within the sitting.
    void seek(qint64 ms);
    // To the next or the previous record; playing stops.
    void stepForward();
    void stepBack();
    // To the moment the task was first shown.
    void jumpToTask(int task);
    // One of speeds(); others are ignored.
    void setSpeed(int speed);

Q_SIGNALS:
    void positionChanged(qint64 ms);
    void playingChanged(bool playing);

private:
    void advance();
    qint64 start() const;

    const ReplayTimeline *m_timeline = nullptr;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_position = 0;
    int m_speed = 1;
};
