#pragma once

#include <QCache>
#include <QPixmap>
#include <QTreeWidget>

#include <functional>

class ColorManager;
class FeatureTreeWidget;
class STNode;

// The file-structure tree: the package view and, with isFeatureView set, the
// feature view. Rows are STNodes whose textures are scaled to the tree's width.
class SMVTreeWidget : public QTreeWidget
{
    Q_OBJECT

public:
    explicit SMVTreeWidget(QWidget *parent = nullptr);
    ~SMVTreeWidget() override;

    void setColorManager(ColorManager *colorManager) { m_colorManager = colorManager; }
    ColorManager *colorManager() const { return m_colorManager; }
    void setFeatureTree(FeatureTreeWidget *featureTree) { m_featureTree = featureTree; }
    FeatureTreeWidget *featureTree() const { return m_featureTree; }
    void setFeatureView(bool isFeatureView) { m_isFeatureView = isFeatureView; }
    bool isFeatureView() const { return m_isFeatureView; }

    void scaleTextures(int width, int height);

    // Makes the rows below a row that shows an unfolding control without
    // having children yet, when it is unfolded for the first time. Rows it
    // unfolds meanwhile are scaled with the rest once it is done.
    using RowMaker = std::function<void(QTreeWidgetItem *row)>;
    void setRowMaker(RowMaker maker) { m_rowMaker = std::move(maker); }

    // Whether rows show their feature bars (a study's group without colours
    // sees none).
    void setBarsShown(bool shown);
    bool barsShown() const { return m_barsShown; }

    // The background a row shows in this tree: its texture (width 0) or the
    // texture scaled to width x height. Painted on demand; the pictures of
    // recently shown rows are kept while the row's stamp is unchanged.
    QPixmap cachedBackground(const STNode *row, quint64 stamp, int width, int height) const;
    // Called by rows that show their full-size texture again: the next
    // expansion has to rescale the whole tree.
    void rowLostScaling() { m_allScaled = false; }

    // The feature a colour dropped at `position` (viewport coordinates) is
    // meant for: the label of the top-level row above the row there; empty
    // when there is no row.
    QString featureNameAt(const QPoint &position) const;

public Q_SLOTS:
    // Pressing a row opens nothing and does nothing of its own: files open
    // on a double click, which the window connects to its own openFile().
    void rowPressed(QTreeWidgetItem *item, int column);
    // The old name of rowPressed(), under which the trees' slot has always
    // been known; it opens no file.
    void openFile(QTreeWidgetItem *item, int column);
    void updateTexture();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void rowExpanded(QTreeWidgetItem *item);
    void scaleExpandedRow(QTreeWidgetItem *item);
    int displayHeight(int height) const;

    struct CachedBackground
    {
        quint64 stamp = 0;
        QPixmap picture;
    };

    ColorManager *m_colorManager = nullptr;
    bool m_isFeatureView = false;
    bool m_barsShown = true;
    FeatureTreeWidget *m_featureTree = nullptr;
    mutable QCache<const STNode *, CachedBackground> m_backgrounds;
    // Every row reachable through expanded rows shows its texture scaled to
    // m_scaledWidth x m_scaledHeight.
    bool m_allScaled = false;
    int m_scaledWidth = 0;
    int m_scaledHeight = 0;
    RowMaker m_rowMaker;
    bool m_makingRows = false;
};
