#include "modalcloser.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>

#include <algorithm>

namespace TestSupport {
namespace {

void closeWindow(QWidget *window)
{
    if (auto *dialog = qobject_cast<QDialog *>(window))
        dialog->reject();
    else
        window->close();
}

} // namespace

ModalCloser::ModalCloser(Handler handler, int timeLimitMs, int pollMs)
    : m_handler(std::move(handler)), m_timeLimitMs(timeLimitMs)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalCloser::poll);
    m_timer.start(pollMs);
}

bool ModalCloser::eventFilter(QObject *watched, QEvent *event)
{
    // A hidden window is done with; shown again, it is a new one.
    if (event->type() == QEvent::Hide) {
        m_open.removeIf([watched](const Seen &seen) { return seen.window == watched; });
        watched->removeEventFilter(this);
    }
    return false;
}

void ModalCloser::poll()
{
    m_open.removeIf([](const Seen &seen) { return seen.window.isNull(); });
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    const auto known = std::find_if(m_open.cbegin(), m_open.cend(),
                                    [modal](const Seen &seen) { return seen.window == modal; });
    if (known != m_open.cend()) {
        // Still up after the handler and a rejection: it refuses to close.
        if (known->since.elapsed() < m_timeLimitMs) {
            closeWindow(modal);
        } else {
            ++m_forced;
            modal->hide();
        }
        return;
    }

    Seen seen{modal, {}};
    seen.since.start();
    m_open.append(seen);
    modal->installEventFilter(this);
    const auto *box = qobject_cast<QMessageBox *>(modal);
    m_texts.append(box ? box->text() : modal->windowTitle());
    if (m_handler)
        m_handler(modal);
    if (seen.window && seen.window->isVisible() && QApplication::activeModalWidget() == modal)
        closeWindow(modal);
}

} // namespace TestSupport
