#pragma once

#include <QToolButton>

class ColorManager;

// A button of the "ColorAssignments" dock that applies one saved colour
// assignment. It works once: after applying it removes itself.
class LoadButton : public QToolButton
{
    Q_OBJECT

public:
    LoadButton(QWidget *parent, ColorManager *colorManager);

    QString fileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

public Q_SLOTS:
    // The old name of load(), under which the button's slot has always been
    // known; it applies the file, it hides nothing.
    void testHide();
    // Applies the file to the colour manager, whether or not that succeeds
    // schedules the button's deletion, and does nothing on later calls. A
    // press of the button runs it.
    void load();

private:
    ColorManager *m_colorManager = nullptr;
    QString m_fileName;
    bool m_used = false;
};
