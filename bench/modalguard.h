#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

// Closes every modal window that opens while it lives (a message box would
// otherwise wait for a click that never comes) and remembers what they said.
// Time spent in such a window is lost from the measurement it fell into, so
// the benchmark reports each one.
class ModalGuard : public QObject
{
public:
    explicit ModalGuard(int intervalMs = 50);

    const QStringList &closed() const { return m_closed; }

private:
    void closeModal();

    QTimer m_timer;
    QStringList m_closed;
};
