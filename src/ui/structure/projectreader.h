#pragma once

#include "core/model/feature.h"
#include "core/model/featurematcher.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class BarColors;
class ProjectModel;
struct ProjectNode;
class QTreeWidgetItem;
class SMVTreeWidget;
class STNode;

// Reads annotations.xml into a project model and shows it in the package
// view, counts the lines of the project's files and builds the row textures
// and the feature view.
class ProjectReader
{
public:
    ProjectReader(SMVTreeWidget *packageView, SMVTreeWidget *featureView, FeatureList *features);
    ~ProjectReader();

    bool readProjectFile(const QString &path);
    void computeLineCounts(const QString &folderPath);
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
    void addRows(QTreeWidgetItem *parent, ProjectNode *node);
    void pruneFeatureCopy(QTreeWidgetItem *row);
    void buildFeatureView();
    int featureIndex(const Feature *feature) const;

    SMVTreeWidget *m_packageView;
    SMVTreeWidget *m_featureView;
    FeatureList *m_features;
    std::shared_ptr<BarColors> m_packageColors;
    std::shared_ptr<BarColors> m_featureColors;
    std::shared_ptr<ProjectModel> m_model;
    // Whether the package view shows the model's nodes (and no rows made
    // elsewhere), so totals can be computed on the model.
    bool m_rowsFromModel = false;
    FeatureMatcher m_matcher;
};
