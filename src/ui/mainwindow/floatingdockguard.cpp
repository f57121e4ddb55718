#include "floatingdockguard.h"

#include <QDockWidget>
#include <QEvent>

FloatingDockGuard::FloatingDockGuard(QDockWidget *dock) : QObject(dock), m_dock(dock)
{
    dock->installEventFilter(this);
}

bool FloatingDockGuard::eventFilter(QObject *watched, QEvent *event)
{
    // The title is drawn by Qt (X11) or by the window manager (elsewhere);
    // a double-click on either reaches the dock itself, as does one that no
    // child of the dock took.
    // The type first: other events reach the filter also while the dock is
    // being destroyed, when it is no dock any more.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonDblClick && type != QEvent::NonClientAreaMouseButtonDblClick)
        return false;
    return watched == m_dock && m_dock->isFloating();
}
