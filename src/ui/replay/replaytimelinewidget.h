#pragma once

#include <QWidget>

class ReplayTimeline;

// The whole sitting in one strip: the tasks as coloured segments, a tick per
// record, the interruptions as gaps, and a line where the replay stands.
// A click or a drag moves the replay there.
class ReplayTimelineWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ReplayTimelineWidget(const ReplayTimeline *timeline, QWidget *parent = nullptr);

    void setPosition(qint64 ms);
    qint64 position() const { return m_position; }

    // The time at x and the x of a time, in widget coordinates.
    qint64 timeAt(int x) const;
    int xOf(qint64 ms) const;

    // The colour of a task's segments (-1: before sign-in).
    static QColor taskColour(int task);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void seekRequested(qint64 ms);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QRect strip() const;
    qint64 start() const;

    const ReplayTimeline *m_timeline = nullptr;
    qint64 m_position = 0;
};
