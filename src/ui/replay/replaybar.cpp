#include "replaybar.h"

#include "replay/replaytimeline.h"
#include "ui/replay/replayplayer.h"
#include "ui/replay/replaytimelinewidget.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

ReplayBar::ReplayBar(const ReplayTimeline *timeline, ReplayPlayer *player, QWidget *parent)
    : QWidget(parent), m_timeline(timeline), m_player(player)
{
    setObjectName(QStringLiteral("replayBar"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(3);
    auto *controls = new QHBoxLayout;
    layout->addLayout(controls);

    QToolButton *back = button("toolButton_previous", QStringLiteral("previous record"),
                               QStyle::SP_MediaSkipBackward);
    m_play = button("toolButton_play", QStringLiteral("play"), QStyle::SP_MediaPlay);
    QToolButton *next = button("toolButton_next", QStringLiteral("next record"),
                               QStyle::SP_MediaSkipForward);
    m_speed = new QComboBox(this);
    m_speed->setObjectName(QStringLiteral("comboBox_speed"));
    m_speed->setToolTip(QStringLiteral("speed"));
    for (int speed : ReplayPlayer::speeds())
        m_speed->addItem(QStringLiteral("%1x").arg(speed), speed);
    m_task = new QComboBox(this);
    m_task->setObjectName(QStringLiteral("comboBox_task"));
    m_task->setToolTip(QStringLiteral("jump to the start of a task"));
    m_task->addItem(QStringLiteral("go to task\u2026"), -1);
    for (int task : timeline->tasks())
        m_task->addItem(QStringLiteral("task%1").arg(task), task);
    m_time = new QLabel(this);
    m_time->setObjectName(QStringLiteral("label_time"));
    m_record = new QLabel(this);
    m_record->setObjectName(QStringLiteral("label_record"));
    m_record->setTextFormat(Qt::PlainText);
    m_record->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    for (QWidget *widget : {static_cast<QWidget *>(back), static_cast<QWidget *>(m_play),
                            static_cast<QWidget *>(next), static_cast<QWidget *>(m_speed),
                            static_cast<QWidget *>(m_task), static_cast<QWidget *>(m_time)})
        controls->addWidget(widget);
    controls->addSpacing(8);
    controls->addWidget(m_record, 1);

    m_timelineWidget = new ReplayTimelineWidget(timeline, this);
    layout->addWidget(m_timelineWidget);
    m_notes = new QLabel(this);
    m_notes->setObjectName(QStringLiteral("label_notes"));
    m_notes->setTextFormat(Qt::PlainText);
    // Always there, one line high: a note coming or going must not change
    // the height of the code above, and with it the lines it shows.
    m_notes->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    QPalette warning = m_notes->palette();
    warning.setColor(QPalette::WindowText, QColor(140, 60, 0));
    m_notes->setPalette(warning);
    layout->addWidget(m_notes);

    connect(back, &QToolButton::clicked, player, &ReplayPlayer::stepBack);
    connect(next, &QToolButton::clicked, player, &ReplayPlayer::stepForward);
    connect(m_play, &QToolButton::clicked, player, &ReplayPlayer::togglePlaying);
    connect(player, &ReplayPlayer::playingChanged, this, &ReplayBar::showPlaying);
    connect(m_speed, &QComboBox::activated, this,
            [this] { m_player->setSpeed(m_speed->currentData().toInt()); });
    connect(m_task, &QComboBox::activated, this, [this] {
        const int task = m_task->currentData().toInt();
        m_task->setCurrentIndex(0);
        if (task >= 0)
            m_player->jumpToTask(task);
    });
    connect(m_timelineWidget, &ReplayTimelineWidget::seekRequested, player, &ReplayPlayer::seek);
}

QToolButton *ReplayBar::button(const char *name, const QString &toolTip,
                               QStyle::StandardPixmap icon)
{
    auto *button = new QToolButton(this);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(toolTip);
    button->setIcon(style()->standardIcon(icon));
    button->setAutoRaise(true);
    return button;
}

void ReplayBar::showPlaying(bool playing)
{
    m_play->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause
                                                  : QStyle::SP_MediaPlay));
    m_play->setToolTip(playing ? QStringLiteral("pause") : QStringLiteral("play"));
}

void ReplayBar::showState(const ReplayState &state, const QStringList &notes)
{
    m_timelineWidget->setPosition(state.ms);
    m_time->setText(ReplayTimeline::clock(state.ms) + QStringLiteral(" / ")
                    + ReplayTimeline::clock(m_timeline->durationMs()));
    const QList<ReplayTimeline::Tick> &ticks = m_timeline->ticks();
    if (state.record >= 0 && state.record < ticks.size()) {
        const ReplayTimeline::Tick &tick = ticks.at(state.record);
        m_record->setText(ReplayTimeline::clock(tick.ms) + QStringLiteral("  ") + tick.text);
    } else {
        m_record->setText(QStringLiteral("before the first record"));
    }
    m_record->setToolTip(m_record->text());
    const QString joined = notes.join(QStringLiteral("  \u00b7  "));
    if (m_notes->text() != joined) {
        m_notes->setText(joined);
        m_notes->setToolTip(joined);
    }
}
