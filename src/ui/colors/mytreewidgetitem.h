#pragma once

#include <QTreeWidgetItem>

#include <memory>

class PaletteColor;

// A row of the feature tree; holds the colour it shows as its background.
// The rows exist before the colour manager does, so each row owns the record
// that stands for "no colour" itself; palette colours belong to the manager.
class MyTreeWidgetItem : public QTreeWidgetItem
{
public:
    explicit MyTreeWidgetItem(const QStringList &texts);
    ~MyTreeWidgetItem() override;

    PaletteColor *paletteColor() const { return m_color; }
    // Holds color, shows it in column 0 and marks it as taken. A null colour
    // counts as "no colour".
    void setPaletteColor(PaletteColor *color);
    // Gives the held colour back (marks it free) and shows no colour.
    void removeColor();

    // No background while the feature tree shows no colours.
    QVariant data(int column, int role) const override;

private:
    std::unique_ptr<PaletteColor> m_noColor;
    PaletteColor *m_color = nullptr;
};
