// Placeholder so the whole tree links while this class is being written.
#include "projectreader.h"
ProjectReader::ProjectReader(SMVTreeWidget *packageView, SMVTreeWidget *featureView,
                             FeatureList *features)
    : m_packageView(packageView), m_featureView(featureView), m_features(features) {}
bool ProjectReader::readProjectFile(const QString &) { return false; }
void ProjectReader::computeLineCounts(const QString &) {}
void ProjectReader::completeTrees(MainWindow *) {}
void ProjectReader::recolorFeature(Feature *) {}
Feature *ProjectReader::featureByName(const QString &) const { return nullptr; }
QList<Feature *> ProjectReader::featuresInExpression(const QString &) const { return {}; }
int ProjectReader::countFileLines(const QString &) { return 0; }
void ProjectReader::readProject(const QDomElement &, QTreeWidgetItem *) {}
void ProjectReader::readFolder(const QDomElement &, QTreeWidgetItem *) {}
void ProjectReader::readFile(const QDomElement &, QTreeWidgetItem *) {}
void ProjectReader::readFragment(const QDomElement &, STNode *) {}
void ProjectReader::readFeature(const QDomElement &, const QDomElement &, STNode *) {}
void ProjectReader::pruneTree() {}
void ProjectReader::pruneFeatureCopy(QTreeWidgetItem *) {}
