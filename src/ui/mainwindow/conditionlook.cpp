#include "conditionlook.h"
#include "ui_mainwindow.h"

#include "core/formats/studydesign.h"
#include "ui/codeview/codeview.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/mainwindow/filetabs.h"

ConditionLook::ConditionLook(Ui::MainWindowForm *form, FeatureTreeWidget *featureTree,
                             FileTabs *tabs)
    : m_form(form), m_featureTree(featureTree), m_tabs(tabs),
      m_packageDrops(form->treeWidget_packageView->acceptDrops()),
      m_featureViewDrops(form->treeWidget_featureView->acceptDrops())
{
}

void ConditionLook::showEverything()
{
    update(true, false);
}

void ConditionLook::showNothingYet()
{
    update(false, true);
}

void ConditionLook::apply(const StudyCondition &condition)
{
    // Without colours nothing can be coloured either.
    update(condition.colours, condition.locked || !condition.colours);
    if (condition.opacity < 0)
        return;
    m_form->horizontalSlider->setValue(condition.opacity);
    // Every open tab starts the condition with its opacity, not only the
    // current one that the slider moves.
    QTabWidget *tabs = m_form->tabWidget;
    for (int i = 0; i < tabs->count(); ++i) {
        if (CodeView *view = m_tabs->viewAt(i))
            view->setOpacity(condition.opacity);
    }
}

void ConditionLook::prepare(CodeView *view) const
{
    if (view)
        view->setColoursShown(m_colours);
}

void ConditionLook::update(bool colours, bool locked)
{
    m_colours = colours;
    m_locked = locked;
    const bool palette = colours && !locked;
    Ui::MainWindowForm *f = m_form;
    // The palette and the saved assignments, their entries in the "Show"
    // menu (which would bring them back) and loading from the "Load" menu.
    f->dockWidget_colors->setVisible(palette);
    f->dockWidget_colorAssignments->setVisible(palette);
    f->actionColorPicker->setVisible(palette);
    f->actionSave_Load->setVisible(palette);
    f->actionColorSaves->setEnabled(palette);
    f->horizontalSlider->setVisible(colours);
    f->toolButton_light->setVisible(colours);
    f->toolButton_dark->setVisible(colours);
    f->horizontalSlider->setEnabled(!locked);

    m_featureTree->setColorsLocked(locked);
    m_featureTree->setColorsShown(colours);
    m_featureTree->setContextMenuPolicy(locked ? Qt::NoContextMenu : Qt::CustomContextMenu);
    f->treeWidget_packageView->setBarsShown(colours);
    f->treeWidget_featureView->setBarsShown(colours);
    f->treeWidget_packageView->setAcceptDrops(m_packageDrops && !locked);
    f->treeWidget_featureView->setAcceptDrops(m_featureViewDrops && !locked);

    QTabWidget *tabs = f->tabWidget;
    for (int i = 0; i < tabs->count(); ++i) {
        if (CodeView *view = m_tabs->viewAt(i))
            view->setColoursShown(colours);
    }
}
