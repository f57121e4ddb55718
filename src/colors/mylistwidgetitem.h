#pragma once

#include <QListWidgetItem>

class PaletteColor;

// An entry of the palette list; holds the colour it shows as its background.
class MyListWidgetItem : public QListWidgetItem
{
public:
    explicit MyListWidgetItem(const QString &text);
    ~MyListWidgetItem() override;

    PaletteColor *paletteColor() const { return m_color; }
    void setPaletteColor(PaletteColor *color);

private:
    PaletteColor *m_color = nullptr;
};
