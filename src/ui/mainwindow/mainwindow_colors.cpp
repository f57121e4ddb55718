// The window's colour actions: keeping every view in step after colours
// change, removing and resetting colours, custom colours, the two context
// menus, the opacity slider and the explorer switch.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "ui/colors/colorsync.h"
#include "ui/codeview/codeview.h"
#include "ui/colors/colormanager.h"
#include "ui/colors/mylistwidgetitem.h"
#include "ui/colors/mytreewidgetitem.h"
#include "ui/colors/palettecolor.h"
#include "ui/featuretree/featuretreewidget.h"
#include "core/model/projectfolder.h"

#include <QAction>
#include <QColorDialog>
#include <QIcon>
#include <QMenu>

namespace {

// A custom-colour slot that still holds this was not filled by the user.
constexpr QRgb unfilledCustomSlot = 0xFFFFFFFF;

// The background of a list entry as a colour; invalid when it has none.
QColor entryBackground(const QListWidgetItem *item)
{
    const QVariant background = item->data(Qt::BackgroundRole);
    if (background.typeId() == QMetaType::QColor)
        return background.value<QColor>();
    if (background.typeId() == QMetaType::QBrush) {
        const QBrush brush = background.value<QBrush>();
        if (brush.style() != Qt::NoBrush)
            return brush.color();
    }
    return QColor();
}

} // namespace

void MainWindow::refreshFeature(Feature *feature)
{
    if (m_colorSync)
        m_colorSync->refreshFeature(feature);
}

void MainWindow::updateAllColors()
{
    if (m_colorSync)
        m_colorSync->refreshAll();
}

void MainWindow::removeRowColor(QTreeWidgetItem *row)
{
    if (m_featureTree)
        m_featureTree->removeRowColor(row);
}

void MainWindow::removeColorAssignment()
{
    removeRowColor(m_featureItemUnderMenu);
}

void MainWindow::resetListWidget()
{
    FeatureTreeWidget *tree = m_featureTree.get();
    ColorManager *manager = m_colorManager.get();
    if (!tree || !manager)
        return;
    for (QTreeWidgetItem *item : tree->leafRows()) {
        auto *row = dynamic_cast<MyTreeWidgetItem *>(item);
        if (!row || !row->paletteColor()->color().isValid())
            continue;
        refreshFeature(tree->clearRow(row));
    }
    // A fresh palette replaces every colour, custom ones included.
    manager->generatePalette(int(manager->FCPList.size()));
    tree->refreshPalette();
}

void MainWindow::customColorDialog()
{
    if (!m_colorDialog)
        return;
    m_colorDialog->setOption(QColorDialog::DontUseNativeDialog);
    // Every opening starts from white slots, so only colours filled in this
    // time are added when the dialog closes.
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, QColor::fromRgba(unfilledCustomSlot));
    m_colorDialog->show();
}

void MainWindow::closeCustomColorDialog()
{
    ColorManager *manager = m_colorManager.get();
    if (!manager)
        return;
    for (int i = 0; i < QColorDialog::customCount(); ++i) {
        const QColor slot = QColorDialog::customColor(i);
        if (slot.rgba() == unfilledCustomSlot)
            continue;
        PaletteColor *color = manager->createColor(QColor::fromRgb(slot.rgb()));
        color->setCustom(true);
        manager->ColorArray.append(color);
    }
    if (m_featureTree)
        m_featureTree->refreshPalette();
}

void MainWindow::deleteColorFromColorArray()
{
    ColorManager *manager = m_colorManager.get();
    auto *entry = dynamic_cast<MyListWidgetItem *>(m_paletteItemUnderMenu);
    if (!manager || !entry)
        return;
    manager->ColorArray.removeAll(entry->paletteColor());
    if (m_featureTree)
        m_featureTree->refreshPalette();
}

void MainWindow::showListWidgetContextMenu(const QPoint &pos)
{
    QListWidget *list = m_form->listWidget;
    // Made for this request only; gone when the request is over.
    QMenu menu(list);
    QAction *remove = menu.addAction(QIcon(QStringLiteral(":/images/cross.png")),
                                     QStringLiteral("delete"));
    connect(remove, &QAction::triggered, this, &MainWindow::deleteColorFromColorArray);
    m_paletteItemUnderMenu = list->itemAt(pos);
    menu.exec(list->viewport()->mapToGlobal(pos));
    // The entry may be gone once the palette is rebuilt.
    m_paletteItemUnderMenu = m_detachedPaletteItem.get();
}

void MainWindow::showFeatureModelContextMenu(const QPoint &pos)
{
    FeatureTreeWidget *tree = m_featureTree.get();
    if (!tree)
        return;
    QMenu menu(tree);
    QTreeWidgetItem *row = tree->itemAt(pos);
    auto *featureRow = dynamic_cast<MyTreeWidgetItem *>(row);
    if (featureRow && featureRow->paletteColor()->color().isValid()) {
        QAction *remove = menu.addAction(QIcon(QStringLiteral(":/images/cross.png")),
                                         QStringLiteral("remove ColorAssignment"));
        connect(remove, &QAction::triggered, this, &MainWindow::removeColorAssignment);
    }
    QAction *assign = menu.addAction(QIcon(QStringLiteral(":/images/spectrum_small.png")),
                                     QStringLiteral("assign Color"));
    connect(assign, &QAction::triggered, tree, &FeatureTreeWidget::assignAutomatically);
    m_featureItemUnderMenu = row ? row : m_detachedFeatureItem.get();
    // "assign Color" works on the row under the pointer alone.
    tree->selectOnly(row);
    menu.exec(tree->viewport()->mapToGlobal(pos));
}

void MainWindow::setFeatureOpacity(int value)
{
    if (CodeView *view = currentCodeView())
        view->setOpacity(value);
}

void MainWindow::writeToLogSaturationChanged()
{
    CodeView *view = currentCodeView();
    if (!view)
        return;
    log(QStringLiteral("saturationChanged(") + QString::number(m_form->horizontalSlider->value())
            + QLatin1Char(')'),
        ProjectFolder::relativePath(view->fileName()));
}

void MainWindow::explorerToggled(bool checked)
{
    if (checked) {
        m_form->stackedWidget->setCurrentIndex(1);
        log(QStringLiteral("select<FeatureView>"), QString());
    } else {
        m_form->stackedWidget->setCurrentIndex(0);
        log(QStringLiteral("select<PackageView>"), QString());
    }
}

void MainWindow::showColorArray()
{
    m_form->listWidget_2->clear();
    m_form->listWidget_3->clear();
    if (m_colorManager) {
        for (const PaletteColor *color : std::as_const(m_colorManager->ColorArray)) {
            auto *entry = new QListWidgetItem(color->isFree() ? QStringLiteral("available")
                                                              : QString());
            entry->setBackground(color->color());
            m_form->listWidget_3->addItem(entry);
        }
    }
    if (m_featureTree) {
        for (const Feature &feature : std::as_const(*m_featureTree->features())) {
            auto *entry = new QListWidgetItem(feature.name());
            const PaletteColor *color = feature.color();
            entry->setBackground(color ? QBrush(color->color()) : QBrush());
            m_form->listWidget_2->addItem(entry);
        }
    }
}

void MainWindow::highlightColor(QListWidgetItem *item)
{
    if (!item)
        return;
    QColor color = entryBackground(item);
    // An entry without a colour has nothing to highlight with.
    if (!color.isValid())
        return;
    color.setAlpha(170);
    QListWidget *list = m_form->listWidget;
    QPalette palette = list->palette();
    palette.setBrush(QPalette::All, QPalette::Highlight, QBrush(color, Qt::SolidPattern));
    list->setPalette(palette);
}
