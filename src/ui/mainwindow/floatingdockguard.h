#pragma once

#include <QObject>

class QDockWidget;

// Keeps a floating dock (the finder) floating when its title is double-
// clicked: the dock would otherwise drop into the window's dock area, widen
// it, and open there from then on. Dragging it onto an area still docks it;
// docked, a double-click floats it as usual.
class FloatingDockGuard : public QObject
{
public:
    // A child of dock.
    explicit FloatingDockGuard(QDockWidget *dock);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QDockWidget *m_dock = nullptr;
};
