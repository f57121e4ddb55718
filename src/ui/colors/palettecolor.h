#pragma once

#include <QColor>

// One colour of the system. Colours are compared by object identity: the
// palette and the feature-colour pairs hold pointers to these records.
class PaletteColor
{
public:
    PaletteColor() = default;
    explicit PaletteColor(const QColor &color) : m_color(color) {}

    QColor color() const { return m_color; }
    bool isFree() const { return m_free; }
    void setFree(bool free) { m_free = free; }
    bool isCustom() const { return m_custom; }
    void setCustom(bool custom) { m_custom = custom; }

private:
    QColor m_color; // invalid: the record stands for "no colour"
    bool m_free = true;
    bool m_custom = false;
};
