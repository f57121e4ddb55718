#include "projectreader.h"

#include "ui/colors/palettecolor.h"
#include "core/formats/annotationsfile.h"
#include "core/formats/annotationsreader.h"
#include "ui/structure/barcolors.h"
#include "core/model/projectmodel.h"
#include "ui/structure/rowtexture.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"
#include "ui/structure/treepaths.h"

#include <algorithm>
#include <future>
#include <vector>

namespace {

// Pre-order list of a tree's rows below (and including) the given items.
// Visits the rows below and including the roots in pre-order, without
// listing them first.
template <typename Visit>
void forEachRow(const QList<QTreeWidgetItem *> &roots, Visit visit)
{
    std::vector<QTreeWidgetItem *> stack(roots.rbegin(), roots.rend());
    while (!stack.empty()) {
        QTreeWidgetItem *item = stack.back();
        stack.pop_back();
        visit(item);
        for (int i = item->childCount() - 1; i >= 0; --i)
            stack.push_back(item->child(i));
    }
}

QList<QTreeWidgetItem *> preOrder(const QList<QTreeWidgetItem *> &roots)
{
    QList<QTreeWidgetItem *> rows;
    forEachRow(roots, [&rows](QTreeWidgetItem *item) { rows.append(item); });
    return rows;
}

QList<QTreeWidgetItem *> topLevelRows(const SMVTreeWidget *tree)
{
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        rows.append(tree->topLevelItem(i));
    return rows;
}

// The files of a project file whose lines the views show.
QStringList sourcePaths(const AnnotationsFile &file)
{
    QStringList paths;
    for (int i = 0; i < file.elements.size(); ++i) {
        const AnnotationsFile::Element &element = file.elements.at(i);
        if (element.kind == AnnotationsFile::Kind::File && ProjectModel::isSourceName(element.name))
            paths.append(file.relativePath(i));
    }
    return paths;
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

ProjectReader::~ProjectReader()
{
    // The view may outlive the reader; unfolding must not reach it then.
    if (m_unfoldingView)
        m_unfoldingView->setRowMaker(nullptr);
}

bool ProjectReader::readProjectFile(const QString &path)
{
    // The feature list may have changed since an earlier read.
    m_matcher = FeatureMatcher(m_features);
    auto model = std::make_shared<ProjectModel>();
    AnnotationsReader reader(model.get(), m_features);
    // The views read the records of the files; the copies above them (the
    // subtree's records again at every level) are gathered only if asked for.
    reader.setCopyRecordsUp(false);
    // The files' lines are counted while the trees are built: the folder
    // computeLineCounts() is given holds the project file.
    if (m_countLinesAhead) {
        reader.setWhenRead([&model, &path](const AnnotationsFile &file) {
            if (file.isRead())
                model->countLinesAhead(path.left(path.lastIndexOf(QLatin1Char('/'))),
                                       sourcePaths(file));
        });
    }
    if (!reader.readProjectFile(path))
        return false;
    m_model = std::move(model);

    // The rows are built away from the view and handed over in one step, so
    // the view is not told about every row.
    QTreeWidgetItem holder;
    for (ProjectNode *node : m_model->topLevelNodes())
        addRows(&holder, node);
    m_rowsFromModel = m_packageView->topLevelItemCount() == 0;
    m_modelTotalsComputed = false;
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
    // The model's totals need no line counts: they are worked out while the
    // lines counted ahead are still being counted.
    computeModelTotals();
    m_model->computeLineCounts(folderPath);
}

void ProjectReader::computeModelTotals()
{
    if (!m_rowsFromModel || m_modelTotalsComputed)
        return;
    m_model->computeTotals(m_features ? *m_features : FeatureList());
    m_modelTotalsComputed = true;
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
        computeModelTotals();
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

    // The lines of every feature's block come from the model alone: they are
    // indexed on another core while the package bars are laid out.
    std::future<void> indexing;
    if (m_rowsFromModel && featureCount > 0)
        indexing = std::async(std::launch::async, [this] { indexBlockLines({}); });

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

    const bool blockLinesIndexed = indexing.valid();
    if (blockLinesIndexed)
        indexing.get();
    buildFeatureView(blockLinesIndexed);
}

int ProjectReader::featureIndex(const Feature *feature) const
{
    return m_features ? ::featureIndex(*m_features, feature) : -1;
}

void ProjectReader::buildFeatureView(bool blockLinesIndexed)
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
    // code of that feature. Each row has a feature-view stripe for every
    // feature; a block gives the rows it copies their bar.
    const QList<QTreeWidgetItem *> sourceRows =
        topSourceRow() ? preOrder({topSourceRow()}) : QList<QTreeWidgetItem *>();
    for (QTreeWidgetItem *item : sourceRows)
        if (auto *row = dynamic_cast<STNode *>(item))
            row->featureStripes().fill(featureCount, 2);
    if (!blockLinesIndexed)
        indexBlockLines(sourceRows);

    m_blocksOnUnfolding = qint64(sourceRows.size()) * featureCount > m_eagerRowLimit;
    if (!m_blocksOnUnfolding) {
        for (QTreeWidgetItem *row : featureRows)
            makeBlock(row);
    } else {
        for (int i = 0; i < featureCount; ++i)
            if (blockHasRows(i))
                featureRows.at(i)->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        m_unfoldingView = m_featureView;
        m_featureView->setRowMaker([this](QTreeWidgetItem *row) { makeBlock(row); });
    }
    m_featureView->addTopLevelItems(featureRows);
}

STNode *ProjectReader::topSourceRow() const
{
    return m_packageView->topLevelItemCount() > 0
        ? dynamic_cast<STNode *>(m_packageView->topLevelItem(0))
        : nullptr;
}

void ProjectReader::indexBlockLines(const QList<QTreeWidgetItem *> &sourceRows)
{
    const int featureCount = m_features ? int(m_features->size()) : 0;
    m_blockLines.assign(std::size_t(featureCount), {});
    // The model's files hold every record; the rows above them add them up.
    // Rows made elsewhere each count the records they hold themselves.
    m_blockLinesAddUp = m_rowsFromModel;

    // Lines of each feature present in a row; a fragment shared by several
    // features counts for each in equal parts.
    std::vector<qint64> lines(static_cast<std::size_t>(featureCount));
    std::vector<char> isPresent(static_cast<std::size_t>(featureCount));
    std::vector<int> present;
    const auto index = [&](const ProjectNode *node, const QList<Fragment> &records) {
        present.clear();
        for (const Fragment &record : records) {
            const int i = featureIndex(record.feature);
            if (i < 0)
                continue;
            if (!isPresent[i]) {
                isPresent[i] = true;
                present.push_back(i);
            }
            lines[i] += record.coveredLines() / std::max(1, record.featureCount);
        }
        for (int i : present) {
            m_blockLines[i].emplace_back(node, lines[i]);
            lines[i] = 0;
            isPresent[i] = false;
        }
    };
    if (m_blockLinesAddUp) {
        for (const ProjectNode *node : m_model->preOrder())
            if (node->kind == ProjectNode::File || node->children.isEmpty())
                index(node, node->fragments);
        return;
    }
    for (QTreeWidgetItem *item : sourceRows)
        if (const auto *row = dynamic_cast<const STNode *>(item))
            index(row->node(), row->fragments());
}

QHash<const ProjectNode *, qint64> ProjectReader::blockLines(int feature) const
{
    QHash<const ProjectNode *, qint64> lines;
    if (feature < 0 || std::size_t(feature) >= m_blockLines.size())
        return lines;
    for (const RowLines &entry : m_blockLines[std::size_t(feature)]) {
        if (!m_blockLinesAddUp) {
            lines[entry.first] += entry.second;
            continue;
        }
        for (const ProjectNode *node = entry.first; node; node = node->parent)
            lines[node] += entry.second;
    }
    return lines;
}

bool ProjectReader::blockHasRows(int feature) const
{
    const STNode *top = topSourceRow();
    if (!top || feature < 0 || std::size_t(feature) >= m_blockLines.size())
        return false;
    for (const RowLines &entry : m_blockLines[std::size_t(feature)]) {
        if (entry.second <= 0)
            continue;
        if (!m_blockLinesAddUp) {
            if (entry.first == top->node())
                return true;
            continue;
        }
        const ProjectNode *root = entry.first;
        while (root->parent)
            root = root->parent;
        if (root == top->node())
            return true;
    }
    return false;
}

void ProjectReader::walkBlock(int feature, QTreeWidgetItem *featureRow,
                              const BlockRowMaker &make) const
{
    STNode *top = topSourceRow();
    if (!top)
        return;
    const QHash<const ProjectNode *, qint64> lines = blockLines(feature);
    struct Work
    {
        STNode *source;
        QTreeWidgetItem *parentCopy; // null: this row's parent got no copy
    };
    std::vector<Work> stack{{top, featureRow}};
    while (!stack.empty()) {
        const Work work = stack.back();
        stack.pop_back();
        const qint64 rowLines = lines.value(work.source->node(), 0);
        // Added-up lines never grow below a row without them.
        if (rowLines <= 0 && m_blockLinesAddUp)
            continue;
        const int width = STNode::featureBarWidth(rowLines, work.source->lineCount(),
                                                  RowTexture::FeatureCopyArea);
        QTreeWidgetItem *copy = width > 0 ? make(work.source, width, work.parentCopy) : nullptr;
        // Without a copy, nothing below this row is copied either.
        for (int c = work.source->childCount() - 1; c >= 0; --c)
            if (auto *child = dynamic_cast<STNode *>(work.source->child(c)))
                stack.push_back({child, copy});
    }
}

void ProjectReader::makeBlock(QTreeWidgetItem *item)
{
    auto *featureRow = dynamic_cast<STNode *>(item);
    if (!featureRow)
        return;
    featureRow->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    const int feature = featureRow->featureBlock();
    if (feature < 0 || feature >= int(m_blockLines.size()))
        return;

    // Made away from the view and handed over in one step.
    QTreeWidgetItem holder;
    QList<QTreeWidgetItem *> made;
    walkBlock(feature, &holder,
              [&](STNode *source, int width, QTreeWidgetItem *parentCopy) -> QTreeWidgetItem * {
                  source->featureStripes().place(feature, 2, width);
                  if (!parentCopy)
                      return nullptr;
                  STNode *copy = source->cloneRow();
                  copy->setToolTip(0, QString());
                  copy->setHasBar(true);
                  copy->useFeatureCopyTexture(m_featureColors, feature,
                                              RowTexture::FeatureCopyArea);
                  copy->showFullSizeBackground();
                  parentCopy->addChild(copy);
                  made.append(copy);
                  return copy;
              });
    featureRow->addChildren(holder.takeChildren());
    pruneFeatureCopy(featureRow);
    // Blocks made at once are unfolded by the window with the whole view
    // (files too); one made on unfolding is unfolded the same way.
    if (m_blocksOnUnfolding)
        for (QTreeWidgetItem *row : std::as_const(made))
            row->setExpanded(true);
}

qint64 ProjectReader::blockRowCount() const
{
    qint64 rows = 0;
    for (int i = 0; i < int(m_blockLines.size()); ++i) {
        QTreeWidgetItem counted;
        walkBlock(i, &counted,
                  [&rows](STNode *, int, QTreeWidgetItem *parentCopy) -> QTreeWidgetItem * {
                      if (parentCopy)
                          ++rows;
                      return parentCopy;
                  });
    }
    return rows;
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
            forEachRow({m_featureView->topLevelItem(id)}, [](QTreeWidgetItem *item) {
                if (auto *row = dynamic_cast<STNode *>(item))
                    row->showFullSizeBackground();
            });
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
    // walk over the rows for all of them. A few features are looked up in
    // each row's stripes; for many, each row's stripes are gone through.
    const auto isRecolored = [&recolored](int id) {
        return std::size_t(id) < recolored.size() && recolored[std::size_t(id)];
    };
    std::vector<int> ids;
    for (std::size_t id = 0; id < recolored.size() && ids.size() <= 16; ++id)
        if (recolored[id])
            ids.push_back(int(id));
    const auto hasBar = [&](const StripeList &stripes) {
        if (ids.size() > 16)
            return stripes.anyBar(isRecolored);
        return std::any_of(ids.cbegin(), ids.cend(), [&stripes](int id) {
            return id < stripes.size() && stripes.at(id).width > 0;
        });
    };
    forEachRow(topLevelRows(m_packageView), [&hasBar](QTreeWidgetItem *item) {
        auto *row = dynamic_cast<STNode *>(item);
        if (!row || !hasBar(std::as_const(*row).stripes()))
            return;
        row->markRecolored();
        row->showFullSizeBackground();
    });
    m_packageView->viewport()->update();
}
