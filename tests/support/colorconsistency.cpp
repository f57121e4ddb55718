#include "colorconsistency.h"

#include "windowchildren.h"

#include "ui/mainwindow/mainwindow.h"
#include "ui/codeview/backgroundfracture.h"
#include "ui/codeview/codeview.h"
#include "ui/codeview/sidebarfracture.h"
#include "ui/colors/colormanager.h"
#include "ui/colors/mylistwidgetitem.h"
#include "ui/colors/mytreewidgetitem.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/smvtreewidget.h"
#include "ui/structure/stnode.h"

#include <QIcon>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QSet>
#include <QToolButton>
#include <QTreeWidgetItemIterator>

namespace TestSupport {

bool sameRgb(const QColor &a, const QColor &b)
{
    return a.isValid() && b.isValid() && a.rgb() == b.rgb();
}

bool isPlaceholderGrey(const QColor &color)
{
    return color.isValid()
           && (color.rgb() == qRgb(220, 220, 220) || color.rgb() == qRgb(180, 180, 180));
}

QString describe(const QColor &color)
{
    return color.isValid() ? color.name(QColor::HexArgb) : QStringLiteral("invalid");
}

QString checkInStep(MainWindow &window)
{
    FeatureTreeWidget *tree = window.featureTree();
    ColorManager *manager = window.colorManager();
    FeatureList &features = *tree->features();
    const auto coloredOf = [&](Feature *feature) -> PaletteColor * {
        PaletteColor *color = manager->colorOf(feature);
        return color == manager->lightGrey() || color == manager->darkGrey() ? nullptr : color;
    };

    // Pairs: one per feature; a palette colour is taken exactly while a
    // feature holds it, and no two features hold the same one.
    if (manager->FCPList.size() != features.size())
        return QStringLiteral("the pair list has %1 pairs for %2 features")
            .arg(manager->FCPList.size()).arg(features.size());
    QSet<PaletteColor *> held;
    for (Feature &feature : features) {
        if (PaletteColor *color = coloredOf(&feature)) {
            if (held.contains(color))
                return QStringLiteral("two features hold the colour of ") + feature.name();
            held.insert(color);
            if (color->isFree())
                return QStringLiteral("the colour of %1 is marked free").arg(feature.name());
        }
    }
    for (PaletteColor *color : std::as_const(manager->ColorArray)) {
        if (color->isFree() == held.contains(color))
            return QStringLiteral("palette colour %1 is %2 but %3 by a feature")
                .arg(describe(color->color()), color->isFree() ? "free" : "taken",
                     held.contains(color) ? "held" : "not held");
    }

    // Palette list: exactly the free colours, in palette order.
    auto *list = child<QListWidget>(window, "listWidget");
    QList<PaletteColor *> freeColors;
    for (PaletteColor *color : std::as_const(manager->ColorArray)) {
        if (color->isFree())
            freeColors.append(color);
    }
    if (list->count() != freeColors.size())
        return QStringLiteral("the palette list shows %1 entries for %2 free colours")
            .arg(list->count()).arg(freeColors.size());
    for (int i = 0; i < list->count(); ++i) {
        auto *entry = dynamic_cast<MyListWidgetItem *>(list->item(i));
        if (!entry || entry->paletteColor() != freeColors.at(i))
            return QStringLiteral("palette entry %1 is not the %1th free colour").arg(i);
    }

    // Feature rows: the j-th leaf shows the j-th feature's colour.
    int j = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if ((*it)->childCount() != 0)
            continue;
        auto *row = dynamic_cast<MyTreeWidgetItem *>(*it);
        Feature &feature = features[j++];
        PaletteColor *expected = coloredOf(&feature);
        const QColor background = rowBackgroundColor(row);
        QWidget *button = tree->itemWidget(row, 1);
        if (expected) {
            if (row->paletteColor() != expected || background != expected->color())
                return QStringLiteral("row %1 does not show its colour").arg(row->text(0));
            if (!button || button->isHidden())
                return QStringLiteral("row %1 has no visible remove button").arg(row->text(0));
        } else {
            if (row->paletteColor()->color().isValid() || background.isValid())
                return QStringLiteral("row %1 shows a colour it does not have")
                    .arg(row->text(0));
            if (button && !button->isHidden())
                return QStringLiteral("row %1 shows a remove button").arg(row->text(0));
        }
    }

    // Structure trees: every bar of a feature is painted in its colour.
    const auto expectBar = [&](Feature *feature, const QColor &seen) {
        PaletteColor *expected = coloredOf(feature);
        return expected ? sameRgb(seen, expected->color()) : isPlaceholderGrey(seen);
    };
    for (QTreeWidgetItemIterator it(child<SMVTreeWidget>(window, "treeWidget_packageView")); *it;
         ++it) {
        auto *row = dynamic_cast<STNode *>(*it);
        const QImage texture = row->texture().toImage();
        for (Feature &feature : features) {
            if (feature.id >= row->stripes().size() || row->stripes().at(feature.id).width <= 0)
                continue;
            const QColor seen = texture.pixelColor(row->stripes().at(feature.id).x, 20);
            if (!expectBar(&feature, seen))
                return QStringLiteral("package row %1 shows %2 for %3")
                    .arg(row->text(0), describe(seen), feature.name());
        }
    }
    for (QTreeWidgetItemIterator it(child<SMVTreeWidget>(window, "treeWidget_featureView")); *it;
         ++it) {
        auto *row = dynamic_cast<STNode *>(*it);
        if (row->featureBlock() < 0 || row->featureBlock() >= features.size())
            return QStringLiteral("feature-view row %1 belongs to no feature").arg(row->text(0));
        Feature &feature = features[row->featureBlock()];
        const QColor seen = row->texture().toImage().pixelColor(1, 20);
        if (!expectBar(&feature, seen))
            return QStringLiteral("feature-view row %1 of %2 shows %3")
                .arg(row->text(0), feature.name(), describe(seen));
    }

    // The open file: side bars and bands of the current tab.
    if (CodeView *view = window.currentCodeView()) {
        for (SideBarFracture *bar : view->sideBars()) {
            const QColor seen = bar->brush().color();
            if (!expectBar(bar->feature(), seen))
                return QStringLiteral("side bar of %1 shows %2")
                    .arg(bar->feature()->name(), describe(seen));
        }
        for (BackgroundFracture *band : view->backgrounds()) {
            const QColor seen = band->brush().color();
            if (!expectBar(band->feature(), seen) || seen.alpha() != view->opacity())
                return QStringLiteral("band of %1 shows %2")
                    .arg(band->feature()->name(), describe(seen));
        }
    }

    // The save button: the first four coloured features, in feature order.
    QList<QColor> previewColors;
    for (Feature &feature : features) {
        if (PaletteColor *color = coloredOf(&feature))
            previewColors.append(color->color());
    }
    const QImage preview =
        child<QToolButton>(window, "toolButton_save")->icon().pixmap(QSize(35, 35)).toImage();
    const QImage plain = QPixmap(QStringLiteral(":/images/schatten.png")).toImage();
    const QPoint centres[] = {{7, 7}, {22, 7}, {7, 22}, {22, 22}};
    for (int i = 0; i < 4; ++i) {
        const QColor seen = preview.pixelColor(centres[i]);
        const QColor expected =
            i < previewColors.size() ? previewColors.at(i) : plain.pixelColor(centres[i]);
        if (seen.rgba() != expected.rgba())
            return QStringLiteral("preview square %1 shows %2, not %3")
                .arg(i).arg(describe(seen), describe(expected));
    }
    return QString();
}

} // namespace TestSupport
