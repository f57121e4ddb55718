#include "mytreewidgetitem.h"

#include "ui/colors/palettecolor.h"
#include "ui/featuretree/featuretreewidget.h"

#include <QBrush>

MyTreeWidgetItem::MyTreeWidgetItem(const QStringList &texts)
    : QTreeWidgetItem(texts), m_noColor(std::make_unique<PaletteColor>()),
      m_color(m_noColor.get())
{
}

MyTreeWidgetItem::~MyTreeWidgetItem() = default;

void MyTreeWidgetItem::setPaletteColor(PaletteColor *color)
{
    m_color = color ? color : m_noColor.get();
    const QColor shown = m_color->color();
    // An invalid colour would be painted as black; "no colour" shows no brush.
    if (shown.isValid())
        setData(0, Qt::BackgroundRole, shown);
    else
        setData(0, Qt::BackgroundRole, QBrush(Qt::NoBrush));
    m_color->setFree(false);
}

void MyTreeWidgetItem::removeColor()
{
    m_color->setFree(true);
    setPaletteColor(m_noColor.get());
    setData(0, Qt::BackgroundRole, QBrush(Qt::NoBrush));
}

QVariant MyTreeWidgetItem::data(int column, int role) const
{
    if (column == 0 && role == Qt::BackgroundRole) {
        const auto *tree = qobject_cast<const FeatureTreeWidget *>(treeWidget());
        if (tree && !tree->colorsShown())
            return QVariant();
    }
    return QTreeWidgetItem::data(column, role);
}
