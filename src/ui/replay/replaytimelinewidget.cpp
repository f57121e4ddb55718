#include "replaytimelinewidget.h"

#include "replay/replaytimeline.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int Margin = 4;
constexpr int TickHeight = 7;

// Light colours that keep black text readable, one per task, repeated.
const QColor taskColours[] = {
    QColor(0x8d, 0xc6, 0xf0), QColor(0xf6, 0xc1, 0x7a), QColor(0xa8, 0xdb, 0x9a),
    QColor(0xe7, 0xa6, 0xc8), QColor(0xc9, 0xb8, 0xef), QColor(0xf0, 0xe2, 0x7e),
};

} // namespace

ReplayTimelineWidget::ReplayTimelineWidget(const ReplayTimeline *timeline, QWidget *parent)
    : QWidget(parent), m_timeline(timeline)
{
    setObjectName(QStringLiteral("replayTimeline"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMouseTracking(false);
    setCursor(Qt::PointingHandCursor);
}

QColor ReplayTimelineWidget::taskColour(int task)
{
    if (task < 0)
        return QColor(0xdd, 0xdd, 0xdd);
    return taskColours[task % int(std::size(taskColours))];
}

QSize ReplayTimelineWidget::sizeHint() const
{
    return QSize(600, fontMetrics().height() + TickHeight + 3 * Margin);
}

QSize ReplayTimelineWidget::minimumSizeHint() const
{
    return QSize(100, sizeHint().height());
}

void ReplayTimelineWidget::setPosition(qint64 ms)
{
    if (ms == m_position)
        return;
    const int before = xOf(m_position);
    m_position = ms;
    const int after = xOf(m_position);
    // Only the old and the new line are painted again.
    update(QRect(before - 2, 0, 5, height()));
    update(QRect(after - 2, 0, 5, height()));
}

QRect ReplayTimelineWidget::strip() const
{
    return rect().adjusted(Margin, Margin, -Margin, -Margin);
}

qint64 ReplayTimelineWidget::start() const
{
    const QList<ReplayTimeline::Segment> &segments = m_timeline->segments();
    return segments.isEmpty() ? 0 : qMin<qint64>(0, segments.first().start);
}

int ReplayTimelineWidget::xOf(qint64 ms) const
{
    const QRect area = strip();
    const qint64 span = qMax<qint64>(1, m_timeline->durationMs() - start());
    const qint64 at = qBound<qint64>(0, ms - start(), span);
    return area.left() + int(at * area.width() / span);
}

qint64 ReplayTimelineWidget::timeAt(int x) const
{
    const QRect area = strip();
    const qint64 span = qMax<qint64>(1, m_timeline->durationMs() - start());
    const int offset = qBound(0, x - area.left(), qMax(1, area.width()));
    return start() + qint64(offset) * span / qMax(1, area.width());
}

void ReplayTimelineWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const QRect area = strip();
    const int segmentBottom = area.top() + fontMetrics().height() + 2;

    for (const ReplayTimeline::Segment &segment : m_timeline->segments()) {
        const QRect box(QPoint(xOf(segment.start), area.top()),
                        QPoint(xOf(segment.end), segmentBottom));
        painter.fillRect(box, taskColour(segment.task));
        const QString label = segment.task < 0 ? QStringLiteral("code")
                                               : QStringLiteral("task%1").arg(segment.task);
        if (box.width() > fontMetrics().horizontalAdvance(label) + 4) {
            painter.setPen(Qt::black);
            painter.drawText(box, Qt::AlignCenter, label);
        }
    }
    for (const ReplayTimeline::Gap &gap : m_timeline->gaps()) {
        const QRect box(QPoint(xOf(gap.start), area.top()), QPoint(xOf(gap.end), area.bottom()));
        painter.fillRect(box, QBrush(QColor(0x99, 0x99, 0x99), Qt::BDiagPattern));
    }
    painter.setPen(QColor(0x44, 0x44, 0x44));
    for (const ReplayTimeline::Tick &tick : m_timeline->ticks()) {
        const int x = xOf(tick.ms);
        painter.drawLine(x, segmentBottom + 2, x, area.bottom());
    }
    const int x = xOf(m_position);
    painter.setPen(QPen(QColor(0xd0, 0x10, 0x10), 2));
    painter.drawLine(x, rect().top(), x, rect().bottom());
}

void ReplayTimelineWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit seekRequested(timeAt(event->position().toPoint().x()));
}

void ReplayTimelineWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        emit seekRequested(timeAt(event->position().toPoint().x()));
}
