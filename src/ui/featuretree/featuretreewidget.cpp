#include "featuretreewidget.h"

#include "ui/colors/colordragpayload.h"
#include "ui/colors/colormanager.h"
#include "ui/colors/itemdelegate.h"
#include "ui/colors/mylistwidgetitem.h"
#include "ui/colors/mytreewidgetitem.h"
#include "core/model/featuremodel.h"

#include <QCursor>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QListWidget>
#include <QSet>
#include <QToolButton>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <cstdlib>

QColor rowBackgroundColor(const QTreeWidgetItem *item)
{
    const QVariant background = item->data(0, Qt::BackgroundRole);
    if (background.typeId() == QMetaType::QColor)
        return background.value<QColor>();
    if (background.typeId() == QMetaType::QBrush) {
        const QBrush brush = background.value<QBrush>();
        if (brush.style() == Qt::SolidPattern)
            return brush.color();
    }
    return QColor();
}

FeatureTreeWidget::FeatureTreeWidget(QWidget *parent, QFile *modelFile,
                                     QListWidget *paletteList, ColorManager *colorManager)
    : QTreeWidget(parent), m_paletteList(paletteList), m_colorManager(colorManager)
{
    setItemDelegate(new ItemDelegate(this, 0));

    setColumnCount(2);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);

    buildTree(FeatureModelFile::read(modelFile).statements);

    expandAll();
    setIndentation(12);
    setMinimumSize(200, 200);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAcceptDrops(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDefaultDropAction(Qt::TargetMoveAction);
    setAutoFillBackground(true);
    setHeaderHidden(true);

    // Selected rows get no highlight colour of their own; the delegate draws
    // them with their feature's colour.
    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Highlight, QBrush(Qt::white));
    setPalette(pal);
}

FeatureTreeWidget::~FeatureTreeWidget() = default;

void FeatureTreeWidget::buildTree(const QList<FeatureStatement> &statements)
{
    const Qt::ItemFlags childFlags =
        Qt::ItemIsSelectable | Qt::ItemIsDropEnabled | Qt::ItemIsEnabled;

    // A statement's head is the first row of its name in pre-order; child
    // names are never looked up, so a name under two heads is two rows.
    const FeatureTree tree = buildFeatureTree(statements);
    m_leafNames = tree.leafNames();
    const QSet<int> heads(tree.heads.cbegin(), tree.heads.cend());
    QList<MyTreeWidgetItem *> rows;
    rows.reserve(tree.items.size());
    for (int i = 0; i < int(tree.items.size()); ++i) {
        const FeatureTree::Item &item = tree.items.at(i);
        auto *row = new MyTreeWidgetItem({item.name});
        row->setFlags(heads.contains(i) ? Qt::ItemIsEnabled : childFlags);
        if (item.parent < 0)
            addTopLevelItem(row);
        else
            rows.at(item.parent)->addChild(row);
        rows.append(row);
    }

    if (topLevelItemCount() == 0)
        addTopLevelItem(new MyTreeWidgetItem({QStringLiteral("empty")}));
    m_rootItem = topLevelItem(0);
}

void FeatureTreeWidget::buildFeatureList()
{
    if (m_featureListBuilt)
        return;
    m_featureListBuilt = true;
    // The leaves of the rows, in the order the rows list them.
    m_features.reserve(m_leafNames.size());
    for (const QString &name : std::as_const(m_leafNames))
        m_features.append(Feature(qint32(m_features.size()), name));
}

Feature *FeatureTreeWidget::findFeature(const QString &name)
{
    for (Feature &feature : m_features) {
        if (feature.name() == name)
            return &feature;
    }
    return nullptr;
}

QTreeWidgetItem *FeatureTreeWidget::findLeafItem(const QString &name) const
{
    for (QTreeWidgetItemIterator it(const_cast<FeatureTreeWidget *>(this)); *it; ++it) {
        if ((*it)->childCount() == 0 && (*it)->text(0) == name)
            return *it;
    }
    return nullptr;
}

QList<QTreeWidgetItem *> FeatureTreeWidget::leafRows() const
{
    QList<QTreeWidgetItem *> rows;
    for (QTreeWidgetItemIterator it(const_cast<FeatureTreeWidget *>(this)); *it; ++it) {
        if ((*it)->childCount() == 0)
            rows.append(*it);
    }
    return rows;
}

void FeatureTreeWidget::refreshPalette()
{
    if (!m_paletteList)
        return;
    m_paletteList->clear();
    if (!m_colorManager)
        return;
    const QIcon icon(QStringLiteral(":/images/leer.png"));
    for (PaletteColor *color : std::as_const(m_colorManager->ColorArray)) {
        if (!color->isFree())
            continue;
        auto *entry = new MyListWidgetItem(QString());
        entry->setPaletteColor(color);
        entry->setIcon(icon);
        m_paletteList->addItem(entry);
    }
}

void FeatureTreeWidget::collectItemsWithColor(const QColor &color, QTreeWidgetItem *start,
                                              QList<QTreeWidgetItem *> &items) const
{
    if (!start)
        return;
    // Pre-order below start with an explicit stack: children are pushed in
    // reverse so that they come off in order.
    QList<QTreeWidgetItem *> stack;
    for (int i = start->childCount() - 1; i >= 0; --i)
        stack.append(start->child(i));
    while (!stack.isEmpty()) {
        QTreeWidgetItem *item = stack.takeLast();
        if (rowBackgroundColor(item) == color)
            items.append(item);
        for (int i = item->childCount() - 1; i >= 0; --i)
            stack.append(item->child(i));
    }
}

void FeatureTreeWidget::updateEditorGeometries()
{
    QTreeWidget::updateEditorGeometries();
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if ((*it)->childCount() != 0)
            continue;
        QWidget *button = itemWidget(*it, 1);
        auto *row = dynamic_cast<MyTreeWidgetItem *>(*it);
        if (button && row && (m_colorsLocked || !row->paletteColor()->color().isValid()))
            button->hide();
    }
}

void FeatureTreeWidget::setColorsShown(bool shown)
{
    m_colorsShown = shown;
    viewport()->update();
}

void FeatureTreeWidget::setColorsLocked(bool locked)
{
    m_colorsLocked = locked;
    setAcceptDrops(!locked);
    for (QTreeWidgetItem *row : leafRows()) {
        auto *featureRow = dynamic_cast<MyTreeWidgetItem *>(row);
        QWidget *button = itemWidget(row, 1);
        if (button && featureRow)
            button->setVisible(!locked && featureRow->paletteColor()->color().isValid());
    }
}

QList<int> pickPaletteEntries(const QList<PaletteColor *> &entries, int selectedCount,
                              const std::function<int()> &random)
{
    QList<int> chosen;
    const qsizetype count = entries.size();
    const qsizetype n = std::min<qsizetype>(count, std::max(selectedCount, 0));
    if (count == 0)
        return chosen;

    QSet<PaletteColor *> taken;
    // The first entry from position start on (wrapping round) whose colour
    // has not been chosen yet; -1 when there is none, so a list that repeats
    // a colour can never make the search go round for ever.
    auto firstUntaken = [&](qint64 start) -> int {
        for (qsizetype k = 0; k < count; ++k) {
            const int position = int((start + k) % count);
            PaletteColor *color = entries.at(position);
            if (color && !taken.contains(color))
                return position;
        }
        return -1;
    };
    auto take = [&](int position) {
        chosen.append(position);
        taken.insert(entries.at(position));
    };

    if (n < 2) {
        // Drawn even when nothing is chosen, so the sequence of picks only
        // depends on how often automatic assignment ran.
        const qint64 r = qAbs(qint64(random()));
        if (n == 1) {
            const int position = firstUntaken(r % count);
            if (position >= 0)
                take(position);
        }
        return chosen;
    }

    // Spread the picks over the palette, but with many rows at least one
    // step per fifteen rows, so that neighbouring features differ more.
    qint64 step = (count - 1) / (n - 1);
    if (step < selectedCount / 15)
        step = selectedCount / 15;
    qint64 start = 0;
    for (qsizetype k = 0; k < n; ++k) {
        const int position = firstUntaken(start);
        if (position < 0)
            break;
        take(position);
        // The next search starts one step after this one started, not after
        // the entry it ended up taking.
        start += step;
    }
    return chosen;
}

void FeatureTreeWidget::logAction(const QString &action)
{
    Q_EMIT actionLogged(action);
}

void FeatureTreeWidget::refreshViewsOf(Feature *feature)
{
    if (feature)
        Q_EMIT featureColorChanged(feature);
}

PaletteColor *FeatureTreeWidget::selectedPaletteColor() const
{
    if (!m_paletteList)
        return nullptr;
    const QList<QListWidgetItem *> selected = m_paletteList->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    // Only entries made by this program hold a colour; anything else dropped
    // into the list counts as no colour.
    auto *entry = dynamic_cast<MyListWidgetItem *>(selected.first());
    return entry ? entry->paletteColor() : nullptr;
}

void FeatureTreeWidget::giveColorBack(QTreeWidgetItem *row)
{
    auto *featureRow = dynamic_cast<MyTreeWidgetItem *>(row);
    if (!m_paletteList || !featureRow || !featureRow->paletteColor()
        || !featureRow->paletteColor()->color().isValid())
        return;
    auto *entry = new MyListWidgetItem(QString());
    entry->setPaletteColor(featureRow->paletteColor());
    entry->setIcon(QIcon(QStringLiteral(":/images/leer.png")));
    m_paletteList->addItem(entry);
}

Feature *FeatureTreeWidget::clearRow(QTreeWidgetItem *row)
{
    auto *featureRow = dynamic_cast<MyTreeWidgetItem *>(row);
    if (!featureRow || featureRow->treeWidget() != this)
        return nullptr;
    giveColorBack(featureRow);
    Feature *feature = findFeature(featureRow->text(0));
    if (m_colorManager)
        m_colorManager->resetFeatureColor(feature);
    featureRow->removeColor();
    if (QWidget *button = itemWidget(featureRow, 1))
        button->hide();
    return feature;
}

void FeatureTreeWidget::removeRowColor(QTreeWidgetItem *row)
{
    if (m_colorsLocked || !dynamic_cast<MyTreeWidgetItem *>(row) || row->treeWidget() != this)
        return;
    logAction(QStringLiteral("deleteColor<1>"));
    Feature *feature = clearRow(row);
    refreshPalette();
    refreshViewsOf(feature);
}

QToolButton *FeatureTreeWidget::removeButton(QTreeWidgetItem *row) const
{
    return row ? qobject_cast<QToolButton *>(itemWidget(row, 1)) : nullptr;
}

void FeatureTreeWidget::showRemoveButton(QTreeWidgetItem *row)
{
    if (!row)
        return;
    if (QWidget *existing = itemWidget(row, 1)) {
        existing->setVisible(!m_colorsLocked);
        return;
    }
    auto *button = new QToolButton(this);
    QFont font(QStringLiteral("MS Shell Dlg 2"), 9);
    // Weight 10 on the old 0..99 scale, converted by Qt's own table.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    font.setLegacyWeight(10);
    QT_WARNING_POP
    font.setItalic(false);
    button->setFont(font);
    button->setFixedWidth(16);
    QIcon icon;
    icon.addFile(QStringLiteral(":/images/cross.png"), QSize(), QIcon::Normal, QIcon::Off);
    button->setIcon(icon);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // The button finds its row under the mouse pointer; taking no keyboard
    // focus keeps it from being pressed while the pointer is elsewhere.
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, &FeatureTreeWidget::removeColorAssignment);
    setItemWidget(row, 1, button);
    button->setVisible(!m_colorsLocked);
}

void FeatureTreeWidget::selectOnly(QTreeWidgetItem *row)
{
    clearSelection();
    if (row && row->treeWidget() == this && (row->flags() & Qt::ItemIsSelectable))
        row->setSelected(true);
}

// Gives color to a leaf row whose own colour has already been taken away.
//
// First every other row below rootItem that shows the same colour value
// loses it, and its feature falls back to grey. Sweeping before the colour
// manager is asked means that a colour another row still holds is free again
// by then, and that nothing in the sweep can undo the assignment: the target
// row is skipped, and so is its feature (pairs are found by name, so a row of
// the same name stands for the same pair). Returns false, leaving the row
// without colour, when the row has no feature or the colour is still taken
// by a row the sweep does not reach.
bool FeatureTreeWidget::giveRowColor(QTreeWidgetItem *row, PaletteColor *color)
{
    auto *featureRow = dynamic_cast<MyTreeWidgetItem *>(row);
    Feature *feature = featureRow ? findFeature(featureRow->text(0)) : nullptr;
    if (!feature || !color || !m_colorManager)
        return false;

    QList<Feature *> swept;
    QList<QTreeWidgetItem *> showing;
    collectItemsWithColor(color->color(), m_rootItem, showing);
    for (QTreeWidgetItem *item : std::as_const(showing)) {
        auto *other = dynamic_cast<MyTreeWidgetItem *>(item);
        if (!other || other == featureRow)
            continue;
        other->removeColor();
        if (QWidget *button = itemWidget(other, 1))
            button->hide();
        Feature *otherFeature = findFeature(other->text(0));
        // Pairs are found by name: a row with the target's name stands for
        // the target's feature, which is about to get the colour.
        if (otherFeature && otherFeature->name() != feature->name()) {
            m_colorManager->resetFeatureColor(otherFeature);
            if (!swept.contains(otherFeature))
                swept.append(otherFeature);
        }
    }

    bool given = false;
    if (color->isFree() && m_colorManager->assignColor(feature, color)) {
        featureRow->setPaletteColor(color);
        showRemoveButton(featureRow);
        given = true;
    }
    if (given)
        refreshViewsOf(feature);
    for (Feature *other : std::as_const(swept))
        refreshViewsOf(other);
    return given;
}

void FeatureTreeWidget::assignSelectedColorToRow(QTreeWidgetItem *row)
{
    logAction(QStringLiteral("assignColor<1>"));
    PaletteColor *color = selectedPaletteColor();
    if (!color || !row)
        return;
    if (rowBackgroundColor(row).isValid())
        removeRowColor(row);
    giveRowColor(row, color);
    refreshPalette();
}

void FeatureTreeWidget::assignSelectedColor(const QString &name)
{
    if (m_colorsLocked)
        return;
    QTreeWidgetItem *row = findLeafItem(name);
    if (!row)
        return;
    assignSelectedColorToRow(row);
}

void FeatureTreeWidget::dropEvent(QDropEvent *event)
{
    // The payload (a picture and a point) is read but not used: the colour
    // that is given is the palette's selected one.
    readColorDragPayload(event->mimeData(), kFeatureTreeDragType);

    QTreeWidgetItem *row = itemAt(event->position().toPoint());
    if (row) {
        if (row->childCount() == 0 && !m_colorsLocked)
            assignSelectedColorToRow(row);
        // Never accepted: the palette entry must stay where it is, whatever
        // action the drag proposed.
        event->ignore();
    }
    // What the base class does at the end of every drop: the view leaves
    // its dragging state, so the next press and move select rows again.
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
}

void FeatureTreeWidget::dragMoveEvent(QDragMoveEvent *event)
{
    // No drop indicator per row: the answer given when the drag entered
    // stands for the whole tree.
    QWidget::dragMoveEvent(event);
}

void FeatureTreeWidget::removeColorAssignment()
{
    if (m_colorsLocked)
        return;
    logAction(QStringLiteral("deleteColor<1>"));
    // The clicked button sits in the row under the pointer.
    QTreeWidgetItem *row = itemAt(viewport()->mapFromGlobal(QCursor::pos()));
    auto *featureRow = dynamic_cast<MyTreeWidgetItem *>(row);
    if (!featureRow || !featureRow->paletteColor()->color().isValid())
        return;
    Feature *feature = clearRow(featureRow);
    refreshPalette();
    refreshViewsOf(feature);
}

void FeatureTreeWidget::removeColorAssignmentFromSelection()
{
    if (m_colorsLocked)
        return;
    const QList<QTreeWidgetItem *> selected = selectedItems();
    logAction(QStringLiteral("deleteColor<") + QString::number(selected.size())
              + QLatin1Char('>'));
    for (QTreeWidgetItem *row : selected) {
        auto *featureRow = dynamic_cast<MyTreeWidgetItem *>(row);
        if (!featureRow || !featureRow->paletteColor()->color().isValid())
            continue;
        refreshViewsOf(clearRow(featureRow));
    }
    refreshPalette();
}

void FeatureTreeWidget::assignAutomatically()
{
    if (m_colorsLocked)
        return;
    const QList<QTreeWidgetItem *> selected = selectedItems();
    const int s = int(selected.size());
    logAction(QStringLiteral("assignColor<") + QString::number(s) + QLatin1Char('>'));

    // Selected rows give their colours back first; those colours now stand
    // at the end of the palette list and may be chosen again.
    QList<Feature *> cleared;
    for (QTreeWidgetItem *row : selected) {
        if (!rowBackgroundColor(row).isValid())
            continue;
        if (Feature *feature = clearRow(row))
            cleared.append(feature);
    }

    QList<PaletteColor *> entries;
    if (m_paletteList) {
        for (int i = 0; i < m_paletteList->count(); ++i) {
            auto *entry = dynamic_cast<MyListWidgetItem *>(m_paletteList->item(i));
            entries.append(entry ? entry->paletteColor() : nullptr);
        }
    }
    // The generator is never seeded: the same picks repeat from run to run.
    const QList<int> chosen = pickPaletteEntries(entries, s, [] { return std::rand(); });

    for (qsizetype i = 0; i < chosen.size(); ++i) {
        QTreeWidgetItem *row = selected.at(i);
        if (giveRowColor(row, entries.at(chosen.at(i)))) {
            if (Feature *feature = findFeature(row->text(0)))
                cleared.removeAll(feature);
        }
        refreshPalette();
    }
    // Rows that lost their colour and got none back show grey everywhere.
    for (Feature *feature : std::as_const(cleared))
        refreshViewsOf(feature);
    if (chosen.isEmpty() && !cleared.isEmpty())
        refreshPalette();
}

void FeatureTreeWidget::updateCheckboxes(QTreeWidgetItem *) {}
