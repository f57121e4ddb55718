#pragma once

#include "core/model/feature.h"
#include "core/model/featurematcher.h"

#include <QList>
#include <QString>

#include <QHash>
#include <QPointer>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class BarColors;
class ProjectModel;
struct ProjectNode;
class QTreeWidgetItem;
class SMVTreeWidget;
class STNode;

// Reads annotations.xml into a project model and shows it in the package
// view, counts the lines of the project's files and builds the row textures
// and the feature view.
//
// The feature view has a row per feature at once; the rows below a feature
// row (its block: the copy of the project rows with that feature's code) are
// made when the feature row is unfolded for the first time, so the cost
// follows what is looked at. Blocks of a small project, where all of them
// together can have only a few rows, are made at once.
class ProjectReader
{
public:
    // Blocks are made at once when the package rows times the features are
    // at most this many (an upper bound of the rows all blocks can have).
    static constexpr qint64 DefaultEagerRowLimit = 10000;

    ProjectReader(SMVTreeWidget *packageView, SMVTreeWidget *featureView, FeatureList *features);
    ~ProjectReader();

    // Before completeTrees(): the bound below which every block is made at
    // once (0: always on unfolding).
    void setEagerRowLimit(qint64 rows) { m_eagerRowLimit = rows; }
    // After completeTrees(): whether blocks wait until their feature row is
    // unfolded (they are then unfolded themselves, as the window shows
    // blocks made at once).
    bool makesBlocksOnUnfolding() const { return m_blocksOnUnfolding; }
    // Rows below the feature rows once every block is made.
    qint64 blockRowCount() const;

    bool readProjectFile(const QString &path);
    void computeLineCounts(const QString &folderPath);
    // Whether readProjectFile() starts counting the lines of the listed
    // files at once, on a thread of its own, for computeLineCounts() to take
    // (off by default: the counts are then those of the files as they were
    // when the project file was read).
    void setCountLinesAhead(bool ahead) { m_countLinesAhead = ahead; }
    // Builds the row textures and the feature view. fillFilePaths (may be
    // empty) is the window's step that gives every file row its file path;
    // it runs before the feature view copies the rows.
    void completeTrees(const std::function<void()> &fillFilePaths);
    void recolorFeature(Feature *feature);
    // The same for many features at once, in one walk over the rows.
    void recolorFeatures(const QList<Feature *> &features);

    Feature *featureByName(const QString &name) const;
    QList<Feature *> featuresInExpression(const QString &expression) const;

    static int countFileLines(const QString &path);

    // The project read last (empty before a successful read).
    const ProjectModel &model() const { return *m_model; }

private:
    // Lines of one feature in one source row, as its feature-view bar
    // counts them.
    using RowLines = std::pair<const ProjectNode *, qint64>;

    void addRows(QTreeWidgetItem *parent, ProjectNode *node);
    // Unannotated and per-feature lines of the model's nodes, once.
    void computeModelTotals();
    void pruneFeatureCopy(QTreeWidgetItem *row);
    // blockLinesIndexed: the block lines were indexed from the model already.
    void buildFeatureView(bool blockLinesIndexed);
    STNode *topSourceRow() const;
    void indexBlockLines(const QList<QTreeWidgetItem *> &sourceRows);
    // The lines of the feature in every row that has some.
    QHash<const ProjectNode *, qint64> blockLines(int feature) const;
    bool blockHasRows(int feature) const;
    // Walks the source rows of a block in pre-order; make() is called for
    // every row with a bar of the feature, with the copy of its parent (null
    // when that got none), and returns the row's own copy (or null).
    using BlockRowMaker = std::function<QTreeWidgetItem *(STNode *source, int width,
                                                          QTreeWidgetItem *parentCopy)>;
    void walkBlock(int feature, QTreeWidgetItem *featureRow, const BlockRowMaker &make) const;
    // Makes the block below a feature row: copies of the package rows with
    // code of its feature, each under the copy of its parent.
    void makeBlock(QTreeWidgetItem *featureRow);
    int featureIndex(const Feature *feature) const;

    SMVTreeWidget *m_packageView;
    SMVTreeWidget *m_featureView;
    QPointer<SMVTreeWidget> m_unfoldingView; // the view that calls makeBlock()
    FeatureList *m_features;
    std::shared_ptr<BarColors> m_packageColors;
    std::shared_ptr<BarColors> m_featureColors;
    std::shared_ptr<ProjectModel> m_model;
    // Whether the package view shows the model's nodes (and no rows made
    // elsewhere), so totals can be computed on the model.
    bool m_rowsFromModel = false;
    bool m_modelTotalsComputed = false; // once per model: they add up
    bool m_countLinesAhead = false;
    FeatureMatcher m_matcher;
    qint64 m_eagerRowLimit = DefaultEagerRowLimit;
    bool m_blocksOnUnfolding = false;
    // By feature index, the rows whose own records hold lines of the
    // feature: the files of the model (their ancestors add them up), or every
    // package row when the rows were made elsewhere (each counts its own).
    std::vector<std::vector<RowLines>> m_blockLines;
    bool m_blockLinesAddUp = false;
};
