// Placeholder so the whole tree links while this class is being written.
#include "mylistwidgetitem.h"
MyListWidgetItem::MyListWidgetItem(const QString &text) : QListWidgetItem(text) {}
MyListWidgetItem::~MyListWidgetItem() = default;
void MyListWidgetItem::setPaletteColor(PaletteColor *color) { m_color = color; }
