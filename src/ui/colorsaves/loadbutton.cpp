#include "loadbutton.h"

#include "ui/colorsaves/colorassignmentfile.h"

LoadButton::LoadButton(QWidget *parent, ColorManager *colorManager)
    : QToolButton(parent), m_colorManager(colorManager)
{
    setToolTip(QStringLiteral("load ColorAssignment"));
}

void LoadButton::testHide()
{
    load();
}

void LoadButton::load()
{
    // Deletion is deferred, so a second press can still arrive in the same
    // turn of the event loop; the file is applied only once.
    if (m_used)
        return;
    m_used = true;
    if (m_colorManager)
        ColorAssignmentFile::apply(m_fileName, m_colorManager);
    deleteLater();
}
