#pragma once

#include "model/feature.h"

#include <QList>
#include <QString>

class MainWindow;
class QDomElement;
class QTreeWidgetItem;
class SMVTreeWidget;
class STNode;

// Reads annotations.xml into the package view, counts the lines of the
// project's files and builds the row textures and the feature view.
class ProjectReader
{
public:
    ProjectReader(SMVTreeWidget *packageView, SMVTreeWidget *featureView, FeatureList *features);

    bool readProjectFile(const QString &path);
    void computeLineCounts(const QString &folderPath);
    void completeTrees(MainWindow *window);
    void recolorFeature(Feature *feature);

    Feature *featureByName(const QString &name) const;
    QList<Feature *> featuresInExpression(const QString &expression) const;

    static int countFileLines(const QString &path);

private:
    void readProject(const QDomElement &element, QTreeWidgetItem *parent);
    void readFolder(const QDomElement &element, QTreeWidgetItem *parent);
    void readFile(const QDomElement &element, QTreeWidgetItem *parent);
    void readFragment(const QDomElement &element, STNode *fileRow);
    void readFeature(const QDomElement &container, const QDomElement &element, STNode *parent);
    void pruneTree();
    void pruneFeatureCopy(QTreeWidgetItem *row);

    SMVTreeWidget *m_packageView;
    SMVTreeWidget *m_featureView;
    FeatureList *m_features;
};
