#include "colorsync.h"

#include "ui/mainwindow/filetabs.h"
#include "ui/codeview/codeview.h"
#include "ui/colors/colormanager.h"
#include "ui/colors/mytreewidgetitem.h"
#include "ui/featuretree/featuretreewidget.h"
#include "ui/structure/projectreader.h"
#include "ui/structure/smvtreewidget.h"

#include <QToolButton>

ColorSync::ColorSync(const Parts &parts)
    : m_parts(parts)
{
}

void ColorSync::rescaleTrees()
{
    for (SMVTreeWidget *tree : {m_parts.packageView, m_parts.featureView}) {
        if (tree)
            tree->scaleTextures(tree->width(), 0);
    }
    if (m_parts.drawPreview)
        m_parts.drawPreview();
}

void ColorSync::refreshFeature(Feature *feature)
{
    if (!feature)
        return;
    if (m_parts.reader)
        m_parts.reader->recolorFeature(feature);
    rescaleTrees();
    if (CodeView *view = m_parts.tabs ? m_parts.tabs->current() : nullptr)
        view->refreshFeatureColors(feature);
    if (m_parts.changed)
        m_parts.changed();
}

void ColorSync::refreshAll()
{
    FeatureTreeWidget *tree = m_parts.featureTree;
    ColorManager *manager = m_parts.colors;
    if (!tree || !manager)
        return;
    FeatureList *features = tree->features();
    if (m_parts.reader) {
        QList<Feature *> all;
        all.reserve(features->size());
        for (Feature &feature : *features)
            all.append(&feature);
        m_parts.reader->recolorFeatures(all);
    }

    // Rows first let go of what they will no longer show, and only then take
    // their new colours: a colour that moved to an earlier row must not be
    // marked free again by the row that showed it before.
    const QList<QTreeWidgetItem *> rows = tree->leafRows();
    QList<PaletteColor *> targets;
    for (qsizetype j = 0; j < rows.size(); ++j) {
        PaletteColor *color = j < features->size() ? manager->colorOf(&(*features)[j]) : nullptr;
        targets.append(manager->standsForNoColor(color) ? nullptr : color);
        auto *row = dynamic_cast<MyTreeWidgetItem *>(rows.at(j));
        if (!row || row->paletteColor() == targets.last())
            continue;
        row->removeColor();
        if (QWidget *button = tree->removeButton(row))
            button->hide();
    }
    for (qsizetype j = 0; j < rows.size(); ++j) {
        auto *row = dynamic_cast<MyTreeWidgetItem *>(rows.at(j));
        if (!row || !targets.at(j))
            continue;
        row->setPaletteColor(targets.at(j));
        tree->showRemoveButton(row);
    }

    rescaleTrees();
    if (CodeView *view = m_parts.tabs ? m_parts.tabs->current() : nullptr)
        view->refreshAllColors();
    tree->refreshPalette();
    if (m_parts.changed)
        m_parts.changed();
}
