#pragma once

#include "model/feature.h"
#include "model/fragment.h"
#include "model/stripelist.h"

#include <QPixmap>
#include <QTreeWidgetItem>

#include <memory>

// A row of either structure tree: a project, folder, file or feature row with
// the project data of its subtree. A row and its copies in the feature view
// share their fragment, line and stripe containers.
class STNode : public QTreeWidgetItem
{
public:
    enum Kind { None = 0, Project = 1, Folder = 2, File = 3, FeatureElement = 4,
                FragmentElement = 5, FeatureRow = 6 };

    explicit STNode(QTreeWidgetItem *parent, int type = 0);
    ~STNode() override;

    QTreeWidgetItem *clone() const override;

    int kind() const { return m_kind; }
    void setKind(int kind) { m_kind = kind; }

    // The row's full-size texture. It may be painted on demand from the
    // stripes and colours instead of being stored.
    QPixmap texture() const;
    void setTexture(const QPixmap &texture);

    bool hasBar() const { return m_hasBar; }
    void setHasBar(bool hasBar) { m_hasBar = hasBar; }
    int lineCount() const { return m_lineCount; }
    void setLineCount(int lineCount) { m_lineCount = lineCount; }
    int unannotatedLines() const { return m_unannotatedLines; }
    void setUnannotatedLines(int lines) { m_unannotatedLines = lines; }
    QString filePath() const { return m_filePath; }
    void setFilePath(const QString &filePath) { m_filePath = filePath; }
    FeatureList *featureList() const { return m_featureList; }

    QList<Fragment> &fragments() { return *m_fragments; }
    const QList<Fragment> &fragments() const { return *m_fragments; }
    QList<Fragment> &sortedFragments() { return *m_sortedFragments; }
    QList<int> &featureLines() { return *m_featureLines; }
    StripeList &stripes() { return *m_stripes; }
    StripeList &featureStripes() { return *m_featureStripes; }

    void initFeatureLines(FeatureList *features);
    void addFragment(Feature *feature, int lineSpan, int startLine, int featureCount);
    void computeUnannotatedLines(int fileLength);
    void sortFragments();
    void addToAncestors(int lines);
    void sumChildLineCounts();

    void computeFeatureLines();
    QPixmap packageTexture(int width);
    QPixmap featureTexture(Feature *feature, int width, int id);
    QPixmap featureRowTexture(Feature *feature, int width, int id);

private:
    int m_unannotatedLines = 0;
    QPixmap m_texture;
    bool m_hasBar = false;
    std::shared_ptr<QList<Fragment>> m_fragments;
    std::shared_ptr<QList<int>> m_featureLines;
    std::shared_ptr<QList<Fragment>> m_sortedFragments;
    std::shared_ptr<StripeList> m_stripes;
    std::shared_ptr<StripeList> m_featureStripes;
    int m_kind = None;
    int m_lineCount = 0;
    FeatureList *m_featureList = nullptr;
    QString m_filePath;
};
