#include "featuretreewidget.h"

#include "colors/colormanager.h"
#include "colors/itemdelegate.h"
#include "colors/mylistwidgetitem.h"
#include "colors/mytreewidgetitem.h"
#include "images/resources.h"
#include "model/featuremodel.h"
#include "model/textdecoding.h"

#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QTreeWidgetItemIterator>

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
                                     QListWidget *paletteList, ColorManager *colorManager,
                                     MainWindow *mainWindow)
    : QTreeWidget(parent), m_paletteList(paletteList), m_colorManager(colorManager),
      m_mainWindow(mainWindow)
{
    setItemDelegate(new ItemDelegate(this, 0));

    setColumnCount(2);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);

    QString modelText;
    if (modelFile) {
        if (modelFile->open(QIODevice::ReadOnly)) {
            modelText = decodeText(modelFile->readAll());
            modelFile->close();
        }
    }
    buildTree(modelText);

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

void FeatureTreeWidget::buildTree(const QString &modelText)
{
    const Qt::ItemFlags childFlags =
        Qt::ItemIsSelectable | Qt::ItemIsDropEnabled | Qt::ItemIsEnabled;

    const QList<FeatureStatement> statements = parseFeatureModel(modelText);
    for (const FeatureStatement &statement : statements) {
        MyTreeWidgetItem *head = findItem(statement.head);
        if (!head) {
            head = new MyTreeWidgetItem({statement.head});
            addTopLevelItem(head);
        }
        head->setFlags(Qt::ItemIsEnabled);
        // Child names are never looked up: a name under two heads is two rows.
        for (const QString &name : statement.children) {
            auto *child = new MyTreeWidgetItem({name});
            child->setFlags(childFlags);
            head->addChild(child);
        }
    }

    if (topLevelItemCount() == 0)
        addTopLevelItem(new MyTreeWidgetItem({QStringLiteral("empty")}));
    m_rootItem = topLevelItem(0);
}

// First row in pre-order whose text is text. Walks iteratively, so that very
// deep models cannot exhaust the stack.
MyTreeWidgetItem *FeatureTreeWidget::findItem(const QString &text) const
{
    for (QTreeWidgetItemIterator it(const_cast<FeatureTreeWidget *>(this)); *it; ++it) {
        if ((*it)->text(0) == text)
            return static_cast<MyTreeWidgetItem *>(*it);
    }
    return nullptr;
}

void FeatureTreeWidget::buildFeatureList()
{
    if (m_featureListBuilt)
        return;
    m_featureListBuilt = true;
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if ((*it)->childCount() == 0)
            m_features.append(Feature(qint32(m_features.size()), (*it)->text(0)));
    }
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

void FeatureTreeWidget::refreshPalette()
{
    if (!m_paletteList)
        return;
    m_paletteList->clear();
    if (!m_colorManager)
        return;
    initImageResources();
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
        if (button && row && !row->paletteColor()->color().isValid())
            button->hide();
    }
}

// Colour assignment through the tree (drops, automatic assignment, removal)
// is added on top of this; until then these do nothing.
void FeatureTreeWidget::assignSelectedColor(const QString &) {}
void FeatureTreeWidget::removeColorAssignment() {}
void FeatureTreeWidget::assignAutomatically() {}
void FeatureTreeWidget::removeColorAssignmentFromSelection() {}
void FeatureTreeWidget::dropEvent(QDropEvent *) {}
void FeatureTreeWidget::dragMoveEvent(QDragMoveEvent *) {}

// Rows have no check boxes; kept as a slot for the connections that name it.
void FeatureTreeWidget::updateCheckboxes(QTreeWidgetItem *) {}
