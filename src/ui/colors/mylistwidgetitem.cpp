#include "mylistwidgetitem.h"

#include "ui/colors/palettecolor.h"

#include <QBrush>

MyListWidgetItem::MyListWidgetItem(const QString &text)
    : QListWidgetItem(text), m_noColor(std::make_unique<PaletteColor>()),
      m_color(m_noColor.get())
{
}

MyListWidgetItem::~MyListWidgetItem() = default;

void MyListWidgetItem::setPaletteColor(PaletteColor *color)
{
    m_color = color ? color : m_noColor.get();
    const QColor shown = m_color->color();
    // An invalid colour would be painted as black; "no colour" shows no brush.
    setBackground(shown.isValid() ? QBrush(shown) : QBrush());
}
