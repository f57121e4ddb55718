#pragma once

#include "model/feature.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <memory>

class BarColors;
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
    ~ProjectReader();

    bool readProjectFile(const QString &path);
    void computeLineCounts(const QString &folderPath);
    void completeTrees(MainWindow *window);
    void recolorFeature(Feature *feature);
    // The same for many features at once, in one walk over the rows.
    void recolorFeatures(const QList<Feature *> &features);

    Feature *featureByName(const QString &name) const;
    QList<Feature *> featuresInExpression(const QString &expression) const;

    static int countFileLines(const QString &path);

private:
    // The three patterns a feature name is looked for with in expressions.
    struct NamePatterns
    {
        QRegularExpression inside; // \W name \W
        QRegularExpression leading; // name \W
        QRegularExpression trailing; // \W name
    };

    void readProject(const QDomElement &element, QTreeWidgetItem *parent);
    void readFolder(const QDomElement &element, QTreeWidgetItem *parent);
    void readFile(const QDomElement &element, QTreeWidgetItem *parent);
    void readFragment(const QDomElement &element, STNode *fileRow);
    void addRecords(const QString &text, const QDomElement &fragment, STNode *fileRow);
    void readFeature(const QDomElement &element, STNode *parent);
    void readChildren(const QDomElement &element, STNode *row);
    static void pruneTree(QTreeWidgetItem *root);
    void pruneFeatureCopy(QTreeWidgetItem *row);
    void buildFeatureView();
    const NamePatterns &patternsFor(const QString &name) const;
    int featureIndex(const Feature *feature) const;

    SMVTreeWidget *m_packageView;
    SMVTreeWidget *m_featureView;
    FeatureList *m_features;
    std::shared_ptr<BarColors> m_packageColors;
    std::shared_ptr<BarColors> m_featureColors;
    mutable QHash<QString, NamePatterns> m_patterns;
    mutable QHash<QString, Feature *> m_featuresByName;
};
