// Placeholder so the whole tree links while this class is being written.
#include "mytreewidgetitem.h"
MyTreeWidgetItem::MyTreeWidgetItem(const QStringList &texts) : QTreeWidgetItem(texts) {}
MyTreeWidgetItem::~MyTreeWidgetItem() = default;
void MyTreeWidgetItem::setPaletteColor(PaletteColor *color) { m_color = color; }
void MyTreeWidgetItem::removeColor() {}
