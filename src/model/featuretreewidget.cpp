// Placeholder so the whole tree links while this class is being written.
#include "featuretreewidget.h"
FeatureTreeWidget::FeatureTreeWidget(QWidget *parent, QFile *, QListWidget *paletteList,
                                     ColorManager *colorManager, MainWindow *mainWindow)
    : QTreeWidget(parent), m_paletteList(paletteList), m_colorManager(colorManager),
      m_mainWindow(mainWindow) {}
FeatureTreeWidget::~FeatureTreeWidget() = default;
void FeatureTreeWidget::buildFeatureList() {}
Feature *FeatureTreeWidget::findFeature(const QString &) { return nullptr; }
QTreeWidgetItem *FeatureTreeWidget::findLeafItem(const QString &) const { return nullptr; }
void FeatureTreeWidget::refreshPalette() {}
void FeatureTreeWidget::collectItemsWithColor(const QColor &, QTreeWidgetItem *,
                                              QList<QTreeWidgetItem *> &) const {}
void FeatureTreeWidget::assignSelectedColor(const QString &) {}
void FeatureTreeWidget::removeColorAssignment() {}
void FeatureTreeWidget::updateCheckboxes(QTreeWidgetItem *) {}
void FeatureTreeWidget::assignAutomatically() {}
void FeatureTreeWidget::removeColorAssignmentFromSelection() {}
void FeatureTreeWidget::updateEditorGeometries() { QTreeWidget::updateEditorGeometries(); }
void FeatureTreeWidget::dropEvent(QDropEvent *) {}
void FeatureTreeWidget::dragMoveEvent(QDragMoveEvent *) {}
