#include "projectreader.h"

#include "ui/colors/palettecolor.h"
#include "core/formats/annotationsreader.h"
#include "ui/structure/barcolors.h"
#include "core/model/projectmodel.h"
#include "ui/structure/rowtexture.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"
#include "ui/structure/treepaths.h"

#include <algorithm>
#include <vector>

namespace {

// Pre-order list of a tree's rows below (and including) the given items.
QList<QTreeWidgetItem *> preOrder(const QList<QTreeWidgetItem *> &roots)
{
    QList<QTreeWidgetItem *> rows;
    std::vector<QTreeWidgetItem *> stack(roots.rbegin(), roots.rend());
    while (!stack.empty()) {
        QTreeWidgetItem *item = stack.back();
        stack.pop_back();
        rows.append(item);
        for (int i = item->childCount() - 1; i >= 0; --i)
            stack.push_back(item->child(i));
    }
    return rows;
}

QList<QTreeWidgetItem *> topLevelRows(const SMVTreeWidget *tree)
{
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        rows.append(tree->topLevelItem(i));
    return rows;
}

QColor colorOfPalette(const PaletteColor *color)
{
    return color ? color->color() : QColor();
}

} // namespace

ProjectReader::ProjectReader(SMVTreeWidget *packageView, SMVTreeWidget *featureView,
                             FeatureList *features)
    : m_packageView(packageView), m_featureView(featureView), m_features(features),
      m_packageColors(std::make_shared<BarColors>()),
      m_featureColors(std::make_shared<BarColors>()),
      m_model(std::make_shared<ProjectModel>()), m_matcher(features)
{
}

ProjectReader::~ProjectReader() = default;

bool ProjectReader::readProjectFile(const QString &path)
{
    // The feature list may have changed since an earlier read.
    m_matcher = FeatureMatcher(m_features);
    auto model = std::make_shared<ProjectModel>();
    AnnotationsReader reader(model.get(), m_features);
    if (!reader.readProjectFile(path))
        return false;
    m_model = std::move(model);

    // The rows are built away from the view and handed over in one step, so
    // the view is not told about every row.
    QTreeWidgetItem holder;
    for (ProjectNode *node : m_model->topLevelNodes())
        addRows(&holder, node);
    m_rowsFromModel = m_packageView->topLevelItemCount() == 0;
    m_packageView->addTopLevelItems(holder.takeChildren());
    return true;
}

void ProjectReader::addRows(QTreeWidgetItem *parent, ProjectNode *node)
{
    struct Work
    {
        QTreeWidgetItem *parent;
        ProjectNode *node;
    };
    std::vector<Work> stack{{parent, node}};
    while (!stack.empty()) {
        const Work work = stack.back();
        stack.pop_back();
        // The row shares the model's lifetime through the node it shows.
        auto *row = new STNode(work.parent, std::shared_ptr<ProjectNode>(m_model, work.node),
                               m_features);
        for (auto it = work.node->children.crbegin(); it != work.node->children.crend(); ++it)
            stack.push_back({row, *it});
    }
}

Feature *ProjectReader::featureByName(const QString &name) const
{
    return m_matcher.featureByName(name);
}

QList<Feature *> ProjectReader::featuresInExpression(const QString &expression) const
{
    return m_matcher.featuresInExpression(expression);
}

void ProjectReader::computeLineCounts(const QString &folderPath)
{
    m_model->computeLineCounts(folderPath);
}

int ProjectReader::countFileLines(const QString &path)
{
    return ProjectModel::countFileLines(path);
}

void ProjectReader::completeTrees(const std::function<void()> &fillFilePaths)
{
    const QList<QTreeWidgetItem *> packageRows = preOrder(topLevelRows(m_packageView));

    // Totals of unannotated and per-feature lines, from the leaves upwards:
    // on the model when the rows show it, otherwise row by row.
    if (m_rowsFromModel) {
        m_model->computeTotals(m_features ? *m_features : FeatureList());
    } else {
        const STNode::FeatureIndices byName =
            STNode::featureIndicesByName(m_features ? *m_features : FeatureList());
        for (QTreeWidgetItem *item : packageRows) {
            auto *row = dynamic_cast<STNode *>(item);
            if (!row || row->childCount() > 0)
                continue;
            row->addToAncestors(row->unannotatedLines());
            row->computeFeatureLines(&byName);
        }
    }

    const int featureCount = m_features ? int(m_features->size()) : 0;
    if (featureCount == 0)
        m_featureView->setEnabled(false);

    // Package textures: the bars are laid out now and painted when shown,
    // in the colours the features have now.
    for (int k = 0; k < featureCount; ++k)
        m_packageColors->setInitial(k, colorOfPalette((*m_features)[k].color()));
    for (QTreeWidgetItem *item : packageRows) {
        if (auto *row = dynamic_cast<STNode *>(item)) {
            row->layOutPackageBars(RowTexture::PackageArea);
            row->usePackageTexture(m_packageColors, RowTexture::PackageArea);
            row->showFullSizeBackground();
        }
    }
    m_packageView->viewport()->update();

    // File paths come before the copies, so the feature view's file rows
    // carry them too.
    if (fillFilePaths)
        fillFilePaths();

    buildFeatureView();
}

int ProjectReader::featureIndex(const Feature *feature) const
{
    if (!m_features || m_features->isEmpty() || !feature)
        return -1;
    const auto first = reinterpret_cast<quintptr>(m_features->constData());
    const auto address = reinterpret_cast<quintptr>(feature);
    if (address < first)
        return -1;
    const quintptr offset = address - first;
    if (offset % sizeof(Feature) != 0)
        return -1;
    const quintptr index = offset / sizeof(Feature);
    return index < quintptr(m_features->size()) ? int(index) : -1;
}

void ProjectReader::buildFeatureView()
{
    const int featureCount = m_features ? int(m_features->size()) : 0;
    if (featureCount == 0)
        return;

    QList<QTreeWidgetItem *> featureRows;
    for (int i = 0; i < featureCount; ++i) {
        Feature &feature = (*m_features)[i];
        m_featureColors->setInitial(i, RowTexture::colorOf(m_featureView->colorManager(),
                                                           &feature));
        auto *row = new STNode(nullptr);
        row->setKind(STNode::FeatureRow);
        row->setText(0, feature.name());
        row->layOutFeatureRow(RowTexture::FeatureRowArea, i);
        row->useFeatureRowTexture(m_featureColors, i, RowTexture::FeatureRowArea);
        row->showFullSizeBackground();
        featureRows.append(row);
    }

    // Every feature gets a copy of the project restricted to the rows with
    // code of that feature. Rows without it would be pruned at once, so they
    // are never copied: walking the project once, each row is copied under
    // its parent's copy for exactly the features it has a bar for.
    auto *top = m_packageView->topLevelItemCount() > 0
        ? dynamic_cast<STNode *>(m_packageView->topLevelItem(0))
        : nullptr;
    if (top) {
        // A row's copies, by feature index, in index order.
        using Copies = std::vector<std::pair<int, QTreeWidgetItem *>>;
        struct Work
        {
            STNode *source;
            std::shared_ptr<Copies> parentCopies;
        };
        auto featureParents = std::make_shared<Copies>();
        for (int i = 0; i < featureCount; ++i)
            featureParents->emplace_back(i, featureRows.at(i));
        std::vector<Work> stack{{top, featureParents}};
        // Lines of each feature present in a row, by feature index; a
        // fragment shared by several features counts for each in equal parts.
        std::vector<qint64> lines(featureCount);
        std::vector<char> isPresent(featureCount);
        std::vector<int> present;
        while (!stack.empty()) {
            const Work work = stack.back();
            stack.pop_back();
            STNode *source = work.source;

            present.clear();
            for (const Fragment &record : source->fragments()) {
                const int index = featureIndex(record.feature);
                if (index < 0)
                    continue;
                if (!isPresent[index]) {
                    isPresent[index] = true;
                    present.push_back(index);
                }
                lines[index] += record.coveredLines() / std::max(1, record.featureCount);
            }
            std::sort(present.begin(), present.end());

            std::shared_ptr<Copies> copies;
            // A stripe for every feature, stored only where there is a bar;
            // features without lines in the row have none.
            StripeList &stripes = source->featureStripes();
            stripes.fill(featureCount, 2);
            for (int i : present) {
                const int width = STNode::featureBarWidth(lines[i], source->lineCount(),
                                                          RowTexture::FeatureCopyArea);
                lines[i] = 0;
                isPresent[i] = false;
                if (width != 0)
                    stripes.place(i, 2, width);
                QTreeWidgetItem *parentCopy = nullptr;
                if (work.parentCopies) {
                    const Copies &parents = *work.parentCopies;
                    const auto found = std::lower_bound(
                        parents.begin(), parents.end(), i,
                        [](const std::pair<int, QTreeWidgetItem *> &entry, int key) {
                            return entry.first < key;
                        });
                    if (found != parents.end() && found->first == i)
                        parentCopy = found->second;
                }
                if (width <= 0 || !parentCopy)
                    continue;
                STNode *copy = source->cloneRow();
                copy->setToolTip(0, QString());
                copy->setHasBar(true);
                copy->useFeatureCopyTexture(m_featureColors, i, RowTexture::FeatureCopyArea);
                copy->showFullSizeBackground();
                parentCopy->addChild(copy);
                if (!copies)
                    copies = std::make_shared<Copies>();
                copies->emplace_back(i, copy);
            }
            // Without copies, nothing below this row is copied either.

            for (int c = source->childCount() - 1; c >= 0; --c) {
                auto *child = dynamic_cast<STNode *>(source->child(c));
                if (child)
                    stack.push_back({child, copies});
            }
        }
    }

    for (QTreeWidgetItem *row : featureRows)
        pruneFeatureCopy(row);
    m_featureView->addTopLevelItems(featureRows);
}

void ProjectReader::pruneFeatureCopy(QTreeWidgetItem *item)
{
    auto *row = dynamic_cast<STNode *>(item);
    if (row && !row->hasBar()) {
        delete row; // also detaches it from its parent
        return;
    }
    for (int i = 0; i < item->childCount();) {
        QTreeWidgetItem *child = item->child(i);
        pruneFeatureCopy(child);
        if (i < item->childCount() && item->child(i) == child)
            ++i;
    }
}

void ProjectReader::recolorFeature(Feature *feature)
{
    recolorFeatures({feature});
}

void ProjectReader::recolorFeatures(const QList<Feature *> &features)
{
    std::vector<bool> recolored;
    bool featureViewChanged = false;
    for (Feature *feature : features) {
        if (!feature || feature->id < 0)
            continue;
        const int id = feature->id;
        const QColor color = colorOfPalette(feature->color());

        // The feature's block of the feature view is painted in one colour.
        if (id < m_featureView->topLevelItemCount()) {
            m_featureColors->recolor(id, color);
            for (QTreeWidgetItem *item : preOrder({m_featureView->topLevelItem(id)}))
                if (auto *row = dynamic_cast<STNode *>(item))
                    row->showFullSizeBackground();
            featureViewChanged = true;
        }
        m_packageColors->recolor(id, color);
        if (std::size_t(id) >= recolored.size())
            recolored.resize(std::size_t(id) + 1, false);
        recolored[std::size_t(id)] = true;
    }
    if (featureViewChanged)
        m_featureView->viewport()->update();
    if (recolored.empty())
        return;

    // Package rows repaint where they have a bar of one of the features; one
    // walk over the rows for all of them.
    const auto isRecolored = [&recolored](int id) {
        return std::size_t(id) < recolored.size() && recolored[std::size_t(id)];
    };
    for (QTreeWidgetItem *item : preOrder(topLevelRows(m_packageView))) {
        auto *row = dynamic_cast<STNode *>(item);
        if (!row || !row->stripes().anyBar(isRecolored))
            continue;
        row->markRecolored();
        row->showFullSizeBackground();
    }
    m_packageView->viewport()->update();
}
