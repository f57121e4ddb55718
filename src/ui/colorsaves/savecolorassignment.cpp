#include "savecolorassignment.h"

#include "ui/colors/colormanager.h"
#include "ui/colorsaves/colorassignmentfile.h"
#include "ui/colorsaves/loadbutton.h"

#include <QLayout>

SaveColorAssignment::SaveColorAssignment(QWidget *parent, const std::function<void()> &refresh,
                                         const QIcon &icon, QWidget *loadButtonFrame,
                                         QList<PaletteColor *> *colorArray,
                                         QList<FeatureColorPair> *pairs,
                                         ColorManager *colorManager, const QString &projectFolder)
    : QWidget(parent),
      m_colorArray(colorArray),
      m_pairs(pairs),
      m_loadButtonFrame(loadButtonFrame),
      m_colorManager(colorManager)
{
    m_fileName = ColorAssignmentFile::nextFileName(projectFolder);
    // A button is only offered for a file that really was written.
    if (!ColorAssignmentFile::write(m_fileName, *m_colorArray, *m_pairs, *m_colorManager))
        return;

    m_loadButton = new LoadButton(parent, m_colorManager);
    if (m_loadButtonFrame && m_loadButtonFrame->layout())
        m_loadButtonFrame->layout()->addWidget(m_loadButton);
    m_loadButton->show();

    // The file is applied before the views are refreshed from it.
    connect(m_loadButton, &QToolButton::pressed, m_loadButton, &LoadButton::load);
    if (refresh)
        connect(m_loadButton, &QToolButton::pressed, m_loadButton, refresh);

    m_loadButton->setIcon(icon);
    m_loadButton->setIconSize(QSize(30, 30));
    m_loadButton->setAutoRaise(true);
    m_loadButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_loadButton->setFileName(m_fileName);
}

void SaveColorAssignment::loadC()
{
    hideLoadButton();
}

void SaveColorAssignment::hideLoadButton()
{
    if (!m_loadButton)
        return;
    m_loadButton->hide();
    m_loadButton->setIconSize(QSize(50, 50));
}

void SaveColorAssignment::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
}
