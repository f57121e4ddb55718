#include "paintcounter.h"

#include <QAbstractEventDispatcher>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

PaintCounter::PaintCounter(QWidget *watched) : m_watched(watched)
{
    if (m_watched)
        m_watched->installEventFilter(this);
}

PaintCounter::~PaintCounter()
{
    if (m_watched)
        m_watched->removeEventFilter(this);
}

bool PaintCounter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint)
        ++m_paints;
    return QObject::eventFilter(watched, event);
}

bool runUntilIdle(const std::function<bool()> &ready, int timeoutMs)
{
    QEventLoop loop;
    bool idle = false;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     &loop, [&] {
                         if (!idle && ready()) {
                             idle = true;
                             loop.quit();
                         }
                     });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return idle;
}
