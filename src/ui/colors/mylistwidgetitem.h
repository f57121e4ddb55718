#pragma once

#include <QListWidgetItem>

#include <memory>

class PaletteColor;

// An entry of the palette list; holds the colour it shows as its background.
// Until it is given a palette colour it holds its own "no colour" record.
class MyListWidgetItem : public QListWidgetItem
{
public:
    explicit MyListWidgetItem(const QString &text);
    ~MyListWidgetItem() override;

    PaletteColor *paletteColor() const { return m_color; }
    // Holds color and shows it; the colour's flags are left alone. A null
    // colour counts as "no colour".
    void setPaletteColor(PaletteColor *color);

private:
    std::unique_ptr<PaletteColor> m_noColor;
    PaletteColor *m_color = nullptr;
};
