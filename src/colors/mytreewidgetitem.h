#pragma once

#include <QTreeWidgetItem>

class PaletteColor;

// A row of the feature tree; holds the colour it shows as its background.
class MyTreeWidgetItem : public QTreeWidgetItem
{
public:
    explicit MyTreeWidgetItem(const QStringList &texts);
    ~MyTreeWidgetItem() override;

    PaletteColor *paletteColor() const { return m_color; }
    void setPaletteColor(PaletteColor *color);
    void removeColor();

private:
    PaletteColor *m_color = nullptr;
};
