#include "stnode.h"

#include "ui/colors/palettecolor.h"
#include "ui/structure/barcolors.h"
#include "ui/structure/rowtexture.h"
#include "ui/structure/smvtreewidget.h"

#include <QBrush>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

// Every change of what a row shows gets a new stamp, so cached backgrounds
// of an earlier state (or of a deleted row at the same address) never match.
quint64 nextStamp()
{
    static quint64 stamp = 0;
    return ++stamp;
}

int clampToInt(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

// Converts a bar width to int without overflowing on absurd line numbers;
// nothing wider than the picture can be seen anyway.
int toPixels(double width, int limit)
{
    return int(std::clamp(width, -double(limit), double(limit)));
}

} // namespace

STNode::STNode(QTreeWidgetItem *parent, int type)
    : QTreeWidgetItem(parent, type), m_shared(std::make_shared<SharedData>())
{
    m_shared->node = std::make_shared<ProjectNode>();
}

STNode::STNode(QTreeWidgetItem *parent, std::shared_ptr<ProjectNode> node, FeatureList *features)
    : QTreeWidgetItem(parent, 0), m_shared(std::make_shared<SharedData>()),
      m_kind(node->kind), m_featureList(features)
{
    setText(0, node->name);
    m_shared->node = std::move(node);
}

STNode::STNode(const STNode &source, CopyTag)
    : QTreeWidgetItem(source),
      m_texture(source.m_texture ? std::make_unique<QPixmap>(*source.m_texture) : nullptr),
      m_hasBar(source.m_hasBar),
      m_shared(source.m_shared),
      m_kind(source.m_kind),
      m_featureList(source.m_featureList),
      m_filePath(source.m_filePath),
      m_textureSource(source.m_textureSource),
      m_background(source.m_background),
      m_recolored(source.m_recolored),
      m_textureArea(source.m_textureArea),
      m_block(source.m_block),
      m_colors(source.m_colors),
      m_backgroundWidth(source.m_backgroundWidth),
      m_backgroundHeight(source.m_backgroundHeight),
      m_backgroundStamp(nextStamp()),
      m_toolTipFromCounts(source.m_toolTipFromCounts)
{
}

STNode::~STNode() = default;

STNode *STNode::parentRow() const
{
    return dynamic_cast<STNode *>(parent());
}

STNode *STNode::cloneRow() const
{
    return new STNode(*this, CopyTag{});
}

QTreeWidgetItem *STNode::clone() const
{
    // Depth-first without recursion, so deep trees cannot exhaust the stack.
    // Children are pushed in order and every copy is inserted in front of
    // its new siblings, which restores the original order.
    struct Work
    {
        const QTreeWidgetItem *source;
        QTreeWidgetItem *newParent;
    };
    std::vector<Work> work{{this, nullptr}};
    QTreeWidgetItem *result = nullptr;
    while (!work.empty()) {
        const Work next = work.back();
        work.pop_back();
        const auto *row = dynamic_cast<const STNode *>(next.source);
        // Foreign items below a row are copied whole by their own clone().
        QTreeWidgetItem *copy = row ? row->cloneRow() : next.source->clone();
        if (!result)
            result = copy;
        if (next.newParent)
            next.newParent->insertChild(0, copy);
        if (!row)
            continue;
        for (int i = 0; i < row->childCount(); ++i)
            work.push_back({row->child(i), copy});
    }
    return result;
}

QPixmap STNode::texture() const
{
    switch (m_textureSource) {
    case TextureSource::None:
        break;
    case TextureSource::Stored:
        return *m_texture;
    case TextureSource::Package:
        return RowTexture::paintPackage(
            stripes(), m_textureArea,
            [this](int id) {
                return RowTexture::BarPaint{m_colors->initial(id), m_colors->current(id)};
            },
            m_recolored);
    case TextureSource::FeatureCopy: {
        const StripeList &list = featureStripes();
        const int width = m_block < list.size() ? list.at(m_block).width : 0;
        return RowTexture::paintFeatureCopy(width, m_textureArea, m_colors->initial(m_block),
                                            m_colors->current(m_block),
                                            m_colors->isRecolored(m_block));
    }
    case TextureSource::FeatureRow:
        return RowTexture::paintFeatureRow(m_textureArea, m_colors->initial(m_block),
                                           m_colors->current(m_block),
                                           m_colors->isRecolored(m_block));
    }
    return QPixmap();
}

void STNode::setTexture(const QPixmap &texture)
{
    m_texture = std::make_unique<QPixmap>(texture);
    m_textureSource = TextureSource::Stored;
    m_colors.reset();
    m_backgroundStamp = nextStamp();
}

void STNode::usePackageTexture(std::shared_ptr<BarColors> colors, int width)
{
    m_texture.reset();
    m_textureSource = TextureSource::Package;
    m_colors = std::move(colors);
    m_textureArea = width;
    m_block = -1;
    m_backgroundStamp = nextStamp();
}

void STNode::useFeatureCopyTexture(std::shared_ptr<BarColors> colors, int block, int width)
{
    m_texture.reset();
    m_textureSource = TextureSource::FeatureCopy;
    m_colors = std::move(colors);
    m_textureArea = width;
    m_block = block;
    m_backgroundStamp = nextStamp();
}

void STNode::useFeatureRowTexture(std::shared_ptr<BarColors> colors, int block, int width)
{
    m_texture.reset();
    m_textureSource = TextureSource::FeatureRow;
    m_colors = std::move(colors);
    m_textureArea = width;
    m_block = block;
    m_backgroundStamp = nextStamp();
}

void STNode::showFullSizeBackground()
{
    m_background = Background::FullSize;
    m_backgroundStamp = nextStamp();
    if (auto *tree = qobject_cast<SMVTreeWidget *>(treeWidget()))
        tree->rowLostScaling();
}

void STNode::showScaledBackground(int width, int height)
{
    if (hasScaledBackground(width, height))
        return;
    m_background = Background::Scaled;
    m_backgroundWidth = width;
    m_backgroundHeight = height;
    m_backgroundStamp = nextStamp();
}

bool STNode::hasScaledBackground(int width, int height) const
{
    return m_background == Background::Scaled && m_backgroundWidth == width
        && m_backgroundHeight == height;
}

QBrush STNode::currentBackground() const
{
    const bool scaled = m_background == Background::Scaled;
    const int width = scaled ? m_backgroundWidth : 0;
    const int height = scaled ? m_backgroundHeight : 0;
    QPixmap picture;
    if (const auto *tree = qobject_cast<const SMVTreeWidget *>(treeWidget()))
        picture = tree->cachedBackground(this, m_backgroundStamp, width, height);
    else
        picture = scaled ? RowTexture::scaledBackground(texture(), width, height) : texture();
    return picture.isNull() ? QBrush() : QBrush(picture);
}

QString STNode::countsToolTip() const
{
    QString toolTip;
    int names = 0;
    bool cut = false;
    featureLineCounts().forEachNonZero([&](int k, int value) {
        if (cut || value <= 0 || !m_featureList || k >= m_featureList->size())
            return;
        toolTip += m_featureList->at(k).name() + QLatin1Char('\n');
        if (++names > 50) {
            toolTip += QStringLiteral("...\n");
            cut = true;
        }
    });
    if (!toolTip.isEmpty())
        toolTip.chop(1);
    return toolTip;
}

QVariant STNode::data(int column, int role) const
{
    if (column == 0 && role == Qt::ToolTipRole && m_toolTipFromCounts)
        return countsToolTip();
    if (column == 0 && role == Qt::BackgroundRole) {
        const auto *tree = qobject_cast<const SMVTreeWidget *>(treeWidget());
        if (tree && !tree->barsShown())
            return QVariant();
    }
    if (column == 0 && role == Qt::BackgroundRole
        && (m_background == Background::FullSize || m_background == Background::Scaled)) {
        const QBrush brush = currentBackground();
        return brush.style() == Qt::NoBrush ? QVariant() : QVariant::fromValue(brush);
    }
    return QTreeWidgetItem::data(column, role);
}

void STNode::setData(int column, int role, const QVariant &value)
{
    // A background or tool tip set from outside wins over the painted one.
    if (column == 0 && role == Qt::BackgroundRole)
        m_background = Background::Explicit;
    if (column == 0 && role == Qt::ToolTipRole)
        m_toolTipFromCounts = false;
    QTreeWidgetItem::setData(column, role, value);
}

void STNode::initFeatureLines(FeatureList *features)
{
    m_featureList = features;
    if (features)
        node()->featureLines.grow(int(features->size()));
}

void STNode::addFragment(Feature *feature, int lineSpan, int startLine, int featureCount)
{
    if (!feature)
        return;
    Fragment fragment;
    fragment.startLine = startLine;
    fragment.lineSpan = lineSpan;
    fragment.feature = feature;
    fragment.featureCount = featureCount;
    for (STNode *row = this; row; row = row->parentRow()) {
        row->gatheredNode()->fragments.append(fragment);
        row->gatheredNode()->sortedFragments.append(fragment);
    }
}

void STNode::computeUnannotatedLines(int fileLength)
{
    if (m_kind == File)
        node()->computeUnannotatedLines(fileLength);
}

void STNode::sortFragments()
{
    gatheredNode()->sortFragments();
}

void STNode::addToAncestors(int lines)
{
    for (STNode *row = parentRow(); row; row = row->parentRow())
        row->node()->unannotatedLines += lines;
}

void STNode::sumChildLineCounts()
{
    qint64 sum = 0;
    for (int i = 0; i < childCount(); ++i)
        if (const auto *row = dynamic_cast<const STNode *>(child(i)))
            sum += row->lineCount();
    node()->lineCount = clampToInt(sum);
}

STNode::FeatureIndices STNode::featureIndicesByName(const FeatureList &features)
{
    FeatureIndices byName;
    byName.reserve(features.size());
    for (int k = 0; k < features.size(); ++k)
        byName[features.at(k).name()].append(k);
    return byName;
}

void STNode::computeFeatureLines(const FeatureIndices *byName)
{
    if (childCount() > 0 || !m_featureList)
        return;
    FeatureIndices own;
    if (!byName) {
        own = featureIndicesByName(*m_featureList);
        byName = &own;
    }
    // Records of a same-named feature count too. Summed wide, record by
    // record: a file has a few records, a model may have thousands of
    // features.
    QHash<int, qint64> sums;
    for (const Fragment &record : fragments()) {
        if (!record.feature)
            continue;
        const auto named = byName->constFind(record.feature->name());
        if (named == byName->constEnd())
            continue;
        for (int k : *named)
            sums[k] += record.coveredLines();
    }

    FeatureLineCounts &counts = node()->featureLines;
    counts.clear();
    for (auto it = sums.cbegin(); it != sums.cend(); ++it) {
        const int k = it.key();
        const int lines = clampToInt(it.value());
        // Rows without feature lines (feature or fragment rows that survived
        // pruning because of their label) have nothing to add to: set() and
        // add() ignore ids beyond the entries.
        counts.set(k, lines);
        if (lines == 0)
            continue;
        for (STNode *row = parentRow(); row; row = row->parentRow())
            row->node()->featureLines.add(k, lines);
    }
}

void STNode::layOutPackageBars(int width)
{
    const FeatureLineCounts &lines = featureLineCounts();
    const int featureCount = lines.size();
    const int lineCount = this->lineCount();

    // The tool tip names the features present below the row; it is written
    // out only when asked for.
    m_toolTipFromCounts = true;

    // White on the right stands for the unannotated lines; the bars share
    // the rest. A negative count (from a malformed length) counts as none.
    double unannotatedWidth = 0;
    if (lineCount >= 1)
        unannotatedWidth = std::max(0.0, double(unannotatedLines()) / lineCount * width);
    if (unannotatedWidth > 0 && unannotatedWidth < 1)
        unannotatedWidth = 1;
    int available = unannotatedWidth <= width ? width - int(unannotatedWidth) : width;

    qint64 sum = 0;
    lines.forEachNonZero([&sum](int, int value) { sum += value; });

    stripes().fill(featureCount);
    featureStripes().fill(featureCount);

    // Negative spans can leave nothing (or less than nothing) to share out.
    if (sum < 1)
        return;
    if (available == 0)
        available = 2;

    // Every present feature gets at least one pixel; those that would get
    // less take their pixel from the shared width.
    int thin = 0;
    int bars = 0;
    lines.forEachNonZero([&](int, int value) {
        if (value <= 0)
            return;
        ++bars;
        const double share = double(value) / sum * available;
        if (share >= 0 && share < 1)
            ++thin;
    });
    stripes().reserve(bars);
    available -= thin;
    if (available < 1)
        available = 1;

    const int limit = width + 101;
    int x = 1;
    lines.forEachNonZero([&](int k, int value) {
        if (value <= 0)
            return;
        double share = double(value) / sum * available;
        if (share >= 0 && share < 1)
            share = 1;
        const int pixels = toPixels(share + 0.5, limit);
        stripes().setStripe(k, x, pixels);
        x += pixels;
        if (pixels >= 1)
            m_hasBar = true;
    });
}

QPixmap STNode::packageTexture(int width)
{
    layOutPackageBars(width);
    FeatureList *features = m_featureList;
    return RowTexture::paintPackage(
        stripes(), width,
        [features](int id) {
            QColor color;
            if (features && id < features->size())
                if (const PaletteColor *palette = (*features)[id].color())
                    color = palette->color();
            return RowTexture::BarPaint{color, color};
        },
        false);
}

int STNode::featureBarWidth(qint64 lines, int lineCount, int width)
{
    const double share = lineCount >= 1 ? double(lines) / lineCount : 0.0;
    int pixels = toPixels(share * width, width + 100);
    if (lines > 0 && pixels < 1)
        pixels = 1;
    return pixels;
}

int STNode::layOutFeatureBar(Feature *feature, int width, int id)
{
    setToolTip(0, QString());
    // A fragment shared by several features counts for each in equal parts.
    qint64 lines = 0;
    for (const Fragment &record : fragments())
        if (record.feature == feature)
            lines += record.coveredLines() / std::max(1, record.featureCount);
    const int pixels = featureBarWidth(lines, lineCount(), width);
    featureStripes().setStripe(id, 2, pixels);
    m_hasBar = pixels > 0;
    return pixels;
}

void STNode::layOutFeatureRow(int width, int id)
{
    setToolTip(0, QString());
    featureStripes().setStripe(id, 1, width);
    m_hasBar = true;
}

QPixmap STNode::featureTexture(Feature *feature, int width, int id)
{
    const int pixels = layOutFeatureBar(feature, width, id);
    const auto *tree = qobject_cast<const SMVTreeWidget *>(treeWidget());
    const QColor color = RowTexture::colorOf(tree ? tree->colorManager() : nullptr, feature);
    return RowTexture::paintFeatureCopy(pixels, width, color, color, false);
}

QPixmap STNode::featureRowTexture(Feature *feature, int width, int id)
{
    layOutFeatureRow(width, id);
    const auto *tree = qobject_cast<const SMVTreeWidget *>(treeWidget());
    const QColor color = RowTexture::colorOf(tree ? tree->colorManager() : nullptr, feature);
    return RowTexture::paintFeatureRow(width, color, color, false);
}
