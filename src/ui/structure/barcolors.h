#pragma once

#include <QColor>
#include <QList>

// The colours one structure tree painted its bars with, by feature id. Rows
// keep no pictures; they paint their texture from their stripes and these
// colours whenever it is asked for. A bar's top pixel row keeps the colour of
// the first painting, the rest of it shows the colour of the latest
// recolouring, exactly as if the picture had been stored and painted over.
class BarColors
{
public:
    // The colour of the first painting; also the current colour until the
    // feature is recoloured.
    void setInitial(int id, const QColor &color);
    void recolor(int id, const QColor &color);

    QColor initial(int id) const { return m_initial.value(id); }
    QColor current(int id) const { return m_current.value(id); }
    bool isRecolored(int id) const { return m_recolored.value(id, false); }
    int size() const { return int(m_initial.size()); }

private:
    void grow(int id);

    QList<QColor> m_initial;
    QList<QColor> m_current;
    QList<bool> m_recolored;
};
