#pragma once

#include "core/formats/featuremodelfile.h"
#include "core/model/feature.h"

#include <QTreeWidget>

#include <functional>

class ColorManager;
class MyTreeWidgetItem;
class PaletteColor;
class QFile;
class QListWidget;
class QToolButton;

// The "Feature Model" tree. Reads model.m when it is constructed, owns the
// feature list (one Feature per leaf) and gives colours to features and takes
// them away again. It tells the window what it did through actionLogged() and
// featureColorChanged(); nothing is refreshed when nobody listens.
class FeatureTreeWidget : public QTreeWidget
{
    Q_OBJECT

public:
    // modelFile is opened, read and closed here; a null, missing or unreadable
    // file reads as an empty model.
    FeatureTreeWidget(QWidget *parent, QFile *modelFile, QListWidget *paletteList,
                      ColorManager *colorManager);
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
    // The leaf rows in pre-order: the j-th belongs to the j-th feature.
    QList<QTreeWidgetItem *> leafRows() const;
    // Rebuilds the palette list from the free colours of the colour manager.
    void refreshPalette();
    // Appends every row below start (start itself excluded), in pre-order,
    // whose column-0 background colour equals color.
    void collectItemsWithColor(const QColor &color, QTreeWidgetItem *start,
                               QList<QTreeWidgetItem *> &items) const;

    // Gives the palette's selected colour to the leaf feature called name.
    void assignSelectedColor(const QString &name);

    // Appends an entry for the row's colour to the palette list (the next
    // refreshPalette() rebuilds the list anyway). Rows without a colour add
    // nothing.
    void giveColorBack(QTreeWidgetItem *row);
    // Takes a feature row's colour away: gives it back to the palette, puts
    // the row's feature back to grey, clears the row and hides its remove
    // button. Returns the row's feature (null for rows that are no feature
    // rows of this tree, which are left alone). Neither the palette list nor
    // any view is refreshed here.
    Feature *clearRow(QTreeWidgetItem *row);
    // Takes a feature row's colour away as the user's "remove" does: logs
    // it, clears the row, rebuilds the palette list and announces the change.
    void removeRowColor(QTreeWidgetItem *row);
    // Shows the row's remove button, creating it on the first assignment.
    void showRemoveButton(QTreeWidgetItem *row);
    QToolButton *removeButton(QTreeWidgetItem *row) const;
    // Makes row the only selected row (none when row is null or cannot be
    // selected).
    void selectOnly(QTreeWidgetItem *row);

    // While locked (a study's condition fixes the colours) drops, removals
    // and automatic assignment change nothing and log nothing, and the rows'
    // remove buttons are hidden.
    void setColorsLocked(bool locked);
    bool colorsLocked() const { return m_colorsLocked; }
    // Whether rows show their feature's colour (a study's group without
    // colours sees none; the rows keep theirs).
    void setColorsShown(bool shown);
    bool colorsShown() const { return m_colorsShown; }

Q_SIGNALS:
    // A user action to be written to the study log.
    void actionLogged(const QString &action);
    // A feature's colour changed (or fell back to grey): its views repaint.
    void featureColorChanged(Feature *feature);

public Q_SLOTS:
    void removeColorAssignment();
    // Does nothing, and nothing is connected to it: the rows have no check
    // boxes. It stays among the tree's slots, where it has always been.
    void updateCheckboxes(QTreeWidgetItem *item);
    void assignAutomatically();
    void removeColorAssignmentFromSelection();

protected:
    void updateEditorGeometries() override;
    void dropEvent(QDropEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;

private:
    // The colour of the palette list's first selected entry, or null.
    PaletteColor *selectedPaletteColor() const;
    // Gives color to the leaf row, taking it from every row that shows the
    // same colour first; see the implementation for the order of the steps.
    bool giveRowColor(QTreeWidgetItem *row, PaletteColor *color);
    // Assigns the palette's selected colour to a leaf row (drops).
    void assignSelectedColorToRow(QTreeWidgetItem *row);
    void logAction(const QString &action);
    void refreshViewsOf(Feature *feature);
    void buildTree(const QList<FeatureStatement> &statements);

    QTreeWidgetItem *m_rootItem = nullptr;
    QListWidget *m_paletteList = nullptr;
    ColorManager *m_colorManager = nullptr;
    FeatureList m_features;
    QStringList m_leafNames; // the names of the feature list, as the rows list them
    bool m_featureListBuilt = false;
    bool m_colorsLocked = false;
    bool m_colorsShown = true;
};

// Chooses the palette entries for automatic assignment to selectedCount
// rows: positions into entries (which may repeat a colour record; null
// entries are never chosen), at most one per distinct colour record. With
// two or more to choose, they are spread over the list by a fixed step; with
// one, random() picks it; random() is drawn once, and not used, also when
// there is nothing to choose for a list that is not empty.
QList<int> pickPaletteEntries(const QList<PaletteColor *> &entries, int selectedCount,
                              const std::function<int()> &random);

// The column-0 background of a row read as a colour: a colour value or a solid
// brush gives its colour, anything else an invalid colour.
QColor rowBackgroundColor(const QTreeWidgetItem *item);
