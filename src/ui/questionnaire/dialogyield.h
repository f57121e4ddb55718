#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

// Keeps a window that stays on top of the others (the questionnaire) from
// covering the program's other dialogs: while one of them is shown, or a
// modal one blocks the window, the window gives up its place on top, and it
// takes it back when the last one goes. Only the window system's flags
// change; the widget keeps its own, so whoever sets them later decides as
// before.
class DialogYield : public QObject
{
public:
    // Watches every dialog of the program; a child of window.
    explicit DialogYield(QWidget *window);
    ~DialogYield() override;

    // True while the window lets a dialog lie above it.
    bool isYielding() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();

    QWidget *m_window = nullptr;
    QList<QPointer<QWidget>> m_dialogs; // shown dialogs other than the window
    bool m_blocked = false;             // a modal window blocks the window
};
