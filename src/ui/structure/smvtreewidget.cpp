#include "smvtreewidget.h"

#include "ui/colors/colordragpayload.h"
#include "ui/colors/itemdelegate.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/rowtexture.h"
#include "ui/structure/stnode.h"

#include <QDropEvent>
#include <QQueue>
#include <QResizeEvent>

#include <memory>

namespace {
// Enough for the rows of a few screens at any width (cost in kilobytes).
constexpr int BackgroundCacheKilobytes = 24 * 1024;
} // namespace

SMVTreeWidget::SMVTreeWidget(QWidget *parent)
    : QTreeWidget(parent), m_backgrounds(BackgroundCacheKilobytes)
{
    connect(this, &QTreeWidget::itemPressed, this, &SMVTreeWidget::rowPressed);
    // Expanding a row rescales the tree like updateTexture(); when the rest
    // of the tree is scaled already, only the rows it uncovers need it.
    connect(this, &QTreeWidget::itemExpanded, this, &SMVTreeWidget::rowExpanded);
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this] { m_allScaled = false; });
    setItemDelegate(new ItemDelegate(this, 1)); // a child of this tree
}

SMVTreeWidget::~SMVTreeWidget() = default;

int SMVTreeWidget::displayHeight(int height) const
{
    return height == 0 || m_isFeatureView ? RowTexture::DisplayHeight : height;
}

void SMVTreeWidget::scaleTextures(int width, int height)
{
    height = displayHeight(height);
    // Rows below a collapsed row keep what they show; they are scaled when
    // their parent is expanded.
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QQueue<QTreeWidgetItem *> queue;
        queue.enqueue(topLevelItem(i));
        while (!queue.isEmpty()) {
            QTreeWidgetItem *item = queue.dequeue();
            if (auto *row = dynamic_cast<STNode *>(item))
                row->showScaledBackground(width, height);
            // Asking a row without children whether it is expanded costs
            // more than the rest (the view looks it up by a persistent
            // index); the feature view's rows have none until unfolded.
            if (item->childCount() > 0 && item->isExpanded())
                for (int c = 0; c < item->childCount(); ++c)
                    queue.enqueue(item->child(c));
        }
    }
    m_allScaled = true;
    m_scaledWidth = width;
    m_scaledHeight = height;
    viewport()->update();
}

void SMVTreeWidget::rowExpanded(QTreeWidgetItem *item)
{
    // Rows the maker unfolds are scaled below, with the row it works for.
    if (m_makingRows)
        return;
    if (m_rowMaker && item->childCount() == 0
        && item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator) {
        const bool allScaled = m_allScaled;
        m_makingRows = true;
        // Unfolding the new rows then only records them for the next layout.
        scheduleDelayedItemsLayout();
        m_rowMaker(item);
        m_makingRows = false;
        // The new rows all lie below the row, which is scaled next.
        m_allScaled = allScaled;
    }
    scaleExpandedRow(item);
}

void SMVTreeWidget::setBarsShown(bool shown)
{
    m_barsShown = shown;
    viewport()->update();
}

void SMVTreeWidget::scaleExpandedRow(QTreeWidgetItem *item)
{
    const int width = this->width();
    const int height = displayHeight(0);
    if (!m_allScaled || m_scaledWidth != width || m_scaledHeight != height) {
        updateTexture();
        return;
    }
    // The whole walk would change only the rows below the expanded one, and
    // only if the expanded row itself is reachable.
    for (QTreeWidgetItem *ancestor = item->parent(); ancestor; ancestor = ancestor->parent())
        if (!ancestor->isExpanded())
            return;
    QQueue<QTreeWidgetItem *> queue;
    queue.enqueue(item);
    while (!queue.isEmpty()) {
        QTreeWidgetItem *next = queue.dequeue();
        if (auto *row = dynamic_cast<STNode *>(next))
            row->showScaledBackground(width, height);
        if (next->isExpanded())
            for (int c = 0; c < next->childCount(); ++c)
                queue.enqueue(next->child(c));
    }
    viewport()->update();
}

QPixmap SMVTreeWidget::cachedBackground(const STNode *row, quint64 stamp, int width,
                                        int height) const
{
    if (CachedBackground *cached = m_backgrounds.object(row); cached && cached->stamp == stamp)
        return cached->picture;
    const QPixmap texture = row->texture();
    QPixmap picture = width == 0 ? texture
                                 : RowTexture::scaledBackground(texture, width, height);
    auto entry = std::make_unique<CachedBackground>();
    entry->stamp = stamp;
    entry->picture = picture;
    const qint64 bytes = qint64(picture.width()) * picture.height() * 4;
    m_backgrounds.insert(row, entry.release(), int(std::max<qint64>(1, bytes / 1024)));
    return picture;
}

void SMVTreeWidget::rowPressed(QTreeWidgetItem *, int)
{
    // Files open on a double click, which the main window handles.
}

void SMVTreeWidget::openFile(QTreeWidgetItem *item, int column)
{
    rowPressed(item, column);
}

void SMVTreeWidget::updateTexture()
{
    scaleTextures(width(), 0);
}

void SMVTreeWidget::resizeEvent(QResizeEvent *event)
{
    scaleTextures(event->size().width(), 0);
    QTreeWidget::resizeEvent(event);
}

QString SMVTreeWidget::featureNameAt(const QPoint &position) const
{
    const QTreeWidgetItem *row = itemAt(position);
    if (!row)
        return QString();
    while (row->parent())
        row = row->parent();
    return row->text(0);
}

void SMVTreeWidget::dropEvent(QDropEvent *event)
{
    // The payload (a picture and a point) is read but not used: the colour
    // that is given is the palette's selected one.
    readColorDragPayload(event->mimeData(), kStructureTreeDragType);

    // In the feature view every row belongs to a feature row, so a drop
    // anywhere in a feature's block colours that feature.
    if (itemAt(event->position().toPoint()) && m_featureTree)
        m_featureTree->assignSelectedColor(featureNameAt(event->position().toPoint()));
    event->setAccepted(false);
    // The base class's drop, which is not called, ends the drag state; left
    // in it, the view keeps drawing the drop indicator around the row.
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}

void SMVTreeWidget::leaveEvent(QEvent *event)
{
    QTreeWidget::leaveEvent(event);
}
