#include "dialogyield.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QWindow>

DialogYield::DialogYield(QWidget *window) : QObject(window), m_window(window)
{
    QCoreApplication::instance()->installEventFilter(this);
}

DialogYield::~DialogYield()
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool DialogYield::isYielding() const
{
    if (m_blocked)
        return true;
    for (const QPointer<QWidget> &dialog : m_dialogs) {
        if (dialog && dialog->isVisible())
            return true;
    }
    return false;
}

bool DialogYield::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide && type != QEvent::WindowBlocked
        && type != QEvent::WindowUnblocked)
        return false;
    if (watched == m_window) {
        if (type == QEvent::WindowBlocked || type == QEvent::WindowUnblocked)
            m_blocked = type == QEvent::WindowBlocked;
        // A window made anew (its flags changed) starts on top again.
        update();
        return false;
    }
    auto *dialog = qobject_cast<QDialog *>(watched);
    if (!dialog || !dialog->isWindow() || (type != QEvent::Show && type != QEvent::Hide))
        return false;
    m_dialogs.removeAll(nullptr);
    m_dialogs.removeAll(QPointer<QWidget>(dialog));
    if (type == QEvent::Show)
        m_dialogs.append(dialog);
    update();
    return false;
}

void DialogYield::update()
{
    QWindow *handle = m_window->windowHandle();
    if (!handle)
        return;
    const bool onTop = m_window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && !isYielding();
    if (handle->flags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    handle->setFlag(Qt::WindowStaysOnTopHint, onTop);
    // Among the ordinary windows it stays above the main window; the dialog
    // that is coming is mapped after this, above both.
    if (!onTop && handle->isVisible())
        handle->raise();
}
