#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

class QWidget;

namespace TestSupport {

// Closes the modal windows that come up while it lives, also those run with
// exec(): a timer polls QApplication::activeModalWidget() from inside their
// event loops. Each window goes once to the handler, which may read it and
// press a button or close it; a window the handler leaves open is rejected
// (closed when it is no dialog), and one still up after the time limit is
// hidden, which ends its exec(). So no modal window can hang a test.
class ModalCloser : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(QWidget *modal)>;

    explicit ModalCloser(Handler handler = {}, int timeLimitMs = 10000, int pollMs = 0);

    // Modal windows seen so far.
    int handled() const { return m_texts.size(); }
    // What each of them said: a message box its text, any other its title.
    const QStringList &texts() const { return m_texts; }
    // Windows that would not close and were hidden after the time limit.
    int forced() const { return m_forced; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Seen
    {
        QPointer<QWidget> window;
        QElapsedTimer since;
    };

    void poll();

    Handler m_handler;
    int m_timeLimitMs;
    QTimer m_timer;
    QList<Seen> m_open;
    QStringList m_texts;
    int m_forced = 0;
};

} // namespace TestSupport
