#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

// Counts the paint events one widget receives while it watches it.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *watched = nullptr);
    ~PaintCounter() override;

    int paints() const { return m_paints; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_watched; // the view may be closed while watched
    int m_paints = 0;
};

// Runs the event loop until ready() holds at a moment the loop has nothing
// left to do (the dispatcher is about to wait), or until the time-out; true
// in the first case.
bool runUntilIdle(const std::function<bool()> &ready, int timeoutMs);
