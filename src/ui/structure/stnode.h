#pragma once

#include "core/model/feature.h"
#include "core/model/fragment.h"
#include "core/model/projectnode.h"
#include "ui/structure/stripelist.h"

#include <QHash>
#include <QPixmap>
#include <QTreeWidgetItem>

#include <memory>

class BarColors;

// A row of either structure tree: a project, folder, file or feature row that
// shows the project data of its subtree. The data are those of a node of the
// project model (rows made on their own get a node of their own). A row and
// its copies in the feature view share the node and the stripe lists.
//
// Rows keep no pictures of their own: a texture is fully determined by the
// row's stripes and the colours its tree painted them with (BarColors), so
// texture() paints it when asked, and the background shown in the tree is
// painted from it on demand as well (full size, or scaled to the width the
// tree last gave the row).
class STNode : public QTreeWidgetItem
{
public:
    enum Kind { None = 0, Project = 1, Folder = 2, File = 3, FeatureElement = 4,
                FragmentElement = 5, FeatureRow = 6 };

    explicit STNode(QTreeWidgetItem *parent, int type = 0);
    // A row showing `node`, whose feature line counts are indexed by `features`.
    STNode(QTreeWidgetItem *parent, std::shared_ptr<ProjectNode> node, FeatureList *features);
    ~STNode() override;

    QTreeWidgetItem *clone() const override;
    // A copy of this row alone (no children), sharing its containers.
    STNode *cloneRow() const;

    int kind() const { return m_kind; }
    void setKind(int kind) { m_kind = kind; }

    // The row's full-size texture. It may be painted on demand from the
    // stripes and colours instead of being stored.
    QPixmap texture() const;
    void setTexture(const QPixmap &texture);

    bool hasBar() const { return m_hasBar; }
    void setHasBar(bool hasBar) { m_hasBar = hasBar; }
    int lineCount() const { return node()->lineCount; }
    void setLineCount(int lineCount) { node()->lineCount = lineCount; }
    int unannotatedLines() const { return node()->unannotatedLines; }
    void setUnannotatedLines(int lines) { node()->unannotatedLines = lines; }
    QString filePath() const { return m_filePath; }
    void setFilePath(const QString &filePath) { m_filePath = filePath; }
    FeatureList *featureList() const { return m_featureList; }

    ProjectNode *node() const { return m_shared->node.get(); }
    ProjectNode *gatheredNode() const
    {
        ProjectNode *shown = node();
        if (shown->recordsPending)
            shown->gatherRecords();
        return shown;
    }
    // The records of the row's subtree; rows above the files gather them
    // when first asked.
    QList<Fragment> &fragments() { return gatheredNode()->fragments; }
    const QList<Fragment> &fragments() const { return gatheredNode()->fragments; }
    QList<Fragment> &sortedFragments() { return gatheredNode()->sortedFragments; }
    // The lines of each feature as a list with one entry per feature id. The
    // node keeps them sparse until this is asked for.
    QList<int> &featureLines() { return node()->featureLines.dense(); }
    const FeatureLineCounts &featureLineCounts() const { return node()->featureLines; }
    StripeList &stripes() { return m_shared->stripes; }
    StripeList &featureStripes() { return m_shared->featureStripes; }
    const StripeList &stripes() const { return m_shared->stripes; }
    const StripeList &featureStripes() const { return m_shared->featureStripes; }

    void initFeatureLines(FeatureList *features);
    void addFragment(Feature *feature, int lineSpan, int startLine, int featureCount);
    void computeUnannotatedLines(int fileLength);
    void sortFragments();
    void addToAncestors(int lines);
    void sumChildLineCounts();

    // Features are matched by name: the indices of the features of each name.
    using FeatureIndices = QHash<QString, QList<int>>;
    static FeatureIndices featureIndicesByName(const FeatureList &features);
    // Counts a file's lines per feature and adds them to its ancestors. The
    // index, when given, is that of the row's feature list (a project's
    // files share one instead of each making its own).
    void computeFeatureLines(const FeatureIndices *byName = nullptr);
    QPixmap packageTexture(int width);
    QPixmap featureTexture(Feature *feature, int width, int id);
    QPixmap featureRowTexture(Feature *feature, int width, int id);

    // The layout parts of the three texture operations above: tool tip,
    // stripes and hasBar, without painting.
    void layOutPackageBars(int width);
    int layOutFeatureBar(Feature *feature, int width, int id);
    void layOutFeatureRow(int width, int id);
    // Width of a feature-view bar for `lines` lines of the feature in a row
    // of `lineCount` lines, with a bar area `width` wide.
    static int featureBarWidth(qint64 lines, int lineCount, int width);

    // Which picture texture() paints: a package-view row with the given bar
    // area, or row `block` of the feature view (the feature row itself or a
    // copy below it), in the colours of `colors`.
    void usePackageTexture(std::shared_ptr<BarColors> colors, int width);
    void useFeatureCopyTexture(std::shared_ptr<BarColors> colors, int block, int width);
    void useFeatureRowTexture(std::shared_ptr<BarColors> colors, int block, int width);
    // A package-view row whose bars were repainted in a new colour.
    void markRecolored() { m_recolored = true; }
    // The feature-view block (top-level row number) this row belongs to, -1
    // for package-view rows.
    int featureBlock() const { return m_block; }

    // The tree shows the texture itself as the row's background ...
    void showFullSizeBackground();
    // ... or the texture scaled to a tree `width` wide with rows `height`
    // high. Neither repaints the tree; the caller updates its viewport.
    void showScaledBackground(int width, int height);
    bool hasScaledBackground(int width, int height) const;

    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant &value) override;

private:
    struct SharedData
    {
        std::shared_ptr<ProjectNode> node;
        StripeList stripes;
        StripeList featureStripes;
    };
    enum class TextureSource : quint8 { None, Stored, Package, FeatureCopy, FeatureRow };
    enum class Background : quint8 { None, FullSize, Scaled, Explicit };

    struct CopyTag {};
    STNode(const STNode &source, CopyTag);
    STNode *parentRow() const;
    QBrush currentBackground() const;
    // The names of the features with lines below the row, one a line, at
    // most 51 and then "...".
    QString countsToolTip() const;

    std::unique_ptr<QPixmap> m_texture; // only for textures set from outside
    bool m_hasBar = false;
    std::shared_ptr<SharedData> m_shared;
    int m_kind = None;
    FeatureList *m_featureList = nullptr;
    QString m_filePath;

    TextureSource m_textureSource = TextureSource::None;
    Background m_background = Background::None;
    bool m_recolored = false;
    int m_textureArea = 0;
    int m_block = -1;
    std::shared_ptr<BarColors> m_colors;
    int m_backgroundWidth = 0;
    int m_backgroundHeight = 0;
    quint64 m_backgroundStamp = 0;
    // The tool tip is the counts' one, made when asked for (package rows).
    bool m_toolTipFromCounts = false;
};
