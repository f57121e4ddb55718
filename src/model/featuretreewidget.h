#pragma once

#include "model/feature.h"

#include <QTreeWidget>

class ColorManager;
class MainWindow;
class MyTreeWidgetItem;
class QFile;
class QListWidget;

// The "Feature Model" tree. Reads model.m when it is constructed, owns the
// feature list (one Feature per leaf) and gives colours to features and takes
// them away again.
class FeatureTreeWidget : public QTreeWidget
{
    Q_OBJECT

public:
    // modelFile is opened, read and closed here; a null, missing or unreadable
    // file reads as an empty model.
    FeatureTreeWidget(QWidget *parent, QFile *modelFile, QListWidget *paletteList,
                      ColorManager *colorManager, MainWindow *mainWindow);
    ~FeatureTreeWidget() override;

    // Fills the feature list from the leaves, once: other objects keep
    // pointers into it, so later calls leave it alone.
    void buildFeatureList();
    FeatureList *features() { return &m_features; }

    void setColorManager(ColorManager *colorManager) { m_colorManager = colorManager; }
    ColorManager *colorManager() const { return m_colorManager; }
    QTreeWidgetItem *rootItem() const { return m_rootItem; }
    QListWidget *paletteList() const { return m_paletteList; }

    Feature *findFeature(const QString &name);
    QTreeWidgetItem *findLeafItem(const QString &name) const;
    // Rebuilds the palette list from the free colours of the colour manager.
    void refreshPalette();
    // Appends every row below start (start itself excluded), in pre-order,
    // whose column-0 background colour equals color.
    void collectItemsWithColor(const QColor &color, QTreeWidgetItem *start,
                               QList<QTreeWidgetItem *> &items) const;

    // Gives the palette's selected colour to the leaf feature called name.
    void assignSelectedColor(const QString &name);

public Q_SLOTS:
    void removeColorAssignment();
    void updateCheckboxes(QTreeWidgetItem *item);
    void assignAutomatically();
    void removeColorAssignmentFromSelection();

protected:
    void updateEditorGeometries() override;
    void dropEvent(QDropEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;

private:
    void buildTree(const QString &modelText);
    MyTreeWidgetItem *findItem(const QString &text) const;

    QTreeWidgetItem *m_rootItem = nullptr;
    QListWidget *m_paletteList = nullptr;
    ColorManager *m_colorManager = nullptr;
    MainWindow *m_mainWindow = nullptr;
    FeatureList m_features;
    bool m_featureListBuilt = false;
};

// The column-0 background of a row read as a colour: a colour value or a solid
// brush gives its colour, anything else an invalid colour.
QColor rowBackgroundColor(const QTreeWidgetItem *item);
