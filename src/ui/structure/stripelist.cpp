#include "stripelist.h"

#include <QtGlobal>

void StripeList::setStripe(int id, int x, int width)
{
    Stripe stripe;
    stripe.x = x;
    stripe.width = width;
    stripe.shade = m_alternation;
    // An id beyond the end appends, so a fresh list fills from position 0
    // whatever the id; only ids already present are replaced in place.
    if (id >= 0 && id < m_size)
        m_set.insert(id, stripe);
    else
        m_set.insert(m_size++, stripe);
    m_alternation = !m_alternation;
}

void StripeList::fill(int count, int x)
{
    if (count <= 0)
        return;
    // Filled in order, the positions below count all end up empty (those
    // past the end appended one after another) with alternating shades.
    for (auto it = m_set.begin(); it != m_set.end();) {
        if (it.key() < count)
            it = m_set.erase(it);
        else
            ++it;
    }
    // An earlier stretch that reaches further keeps its stripes there.
    for (int id = count; id < m_filled && id < m_size; ++id)
        if (!m_set.contains(id))
            m_set.insert(id, at(id));
    m_filled = count;
    m_filledX = x;
    m_filledShade = m_alternation;
    m_size = qMax(m_size, count);
    if (count % 2)
        m_alternation = !m_alternation;
}

void StripeList::place(int id, int x, int width)
{
    if (id < 0 || id >= m_filled)
        return;
    Stripe stripe;
    stripe.x = x;
    stripe.width = width;
    stripe.shade = m_filledShade != bool(id % 2);
    m_set.insert(id, stripe);
}

Stripe StripeList::at(int id) const
{
    Q_ASSERT(id >= 0 && id < m_size);
    const auto set = m_set.constFind(id);
    if (set != m_set.constEnd())
        return *set;
    Stripe stripe;
    stripe.x = m_filledX;
    stripe.shade = m_filledShade != bool(id % 2);
    return stripe;
}
