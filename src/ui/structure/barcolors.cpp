#include "barcolors.h"

void BarColors::grow(int id)
{
    if (id < m_initial.size())
        return;
    m_initial.resize(id + 1);
    m_current.resize(id + 1);
    m_recolored.resize(id + 1, false);
}

void BarColors::setInitial(int id, const QColor &color)
{
    if (id < 0)
        return;
    grow(id);
    m_initial[id] = color;
    m_current[id] = color;
    m_recolored[id] = false;
}

void BarColors::recolor(int id, const QColor &color)
{
    if (id < 0)
        return;
    grow(id);
    m_current[id] = color;
    m_recolored[id] = true;
}
