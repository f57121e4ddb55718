#include "stripelist.h"

#include <QtGlobal>

namespace {

bool idBefore(const std::pair<int, Stripe> &stored, int id)
{
    return stored.first < id;
}

} // namespace

StripeList::Stored::const_iterator StripeList::find(int id) const
{
    const auto found = std::lower_bound(m_set.cbegin(), m_set.cend(), id, idBefore);
    return found != m_set.cend() && found->first == id ? found : m_set.cend();
}

void StripeList::store(int id, const Stripe &stripe)
{
    if (m_set.empty() || m_set.back().first < id) {
        m_set.emplace_back(id, stripe);
        return;
    }
    const auto at = std::lower_bound(m_set.begin(), m_set.end(), id, idBefore);
    if (at != m_set.end() && at->first == id)
        at->second = stripe;
    else
        m_set.emplace(at, id, stripe);
}

void StripeList::setStripe(int id, int x, int width)
{
    Stripe stripe;
    stripe.x = x;
    stripe.width = width;
    stripe.shade = m_alternation;
    // An id beyond the end appends, so a fresh list fills from position 0
    // whatever the id; only ids already present are replaced in place.
    if (id >= 0 && id < m_size)
        store(id, stripe);
    else
        store(m_size++, stripe);
    m_alternation = !m_alternation;
}

void StripeList::fill(int count, int x)
{
    if (count <= 0)
        return;
    // Filled in order, the positions below count all end up empty (those
    // past the end appended one after another) with alternating shades.
    m_set.erase(m_set.begin(), std::lower_bound(m_set.begin(), m_set.end(), count, idBefore));
    // An earlier stretch that reaches further keeps its stripes there.
    const int kept = std::min(m_filled, m_size);
    if (count < kept) {
        Stored merged;
        merged.reserve(m_set.size() + std::size_t(kept - count));
        auto stored = m_set.cbegin();
        for (int id = count; id < kept; ++id) {
            for (; stored != m_set.cend() && stored->first < id; ++stored)
                merged.push_back(*stored);
            if (stored != m_set.cend() && stored->first == id)
                merged.push_back(*stored++);
            else
                merged.emplace_back(id, at(id));
        }
        merged.insert(merged.end(), stored, m_set.cend());
        m_set = std::move(merged);
    }
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
    store(id, stripe);
}

Stripe StripeList::at(int id) const
{
    Q_ASSERT(id >= 0 && id < m_size);
    const auto set = find(id);
    if (set != m_set.cend())
        return set->second;
    Stripe stripe;
    stripe.x = m_filledX;
    stripe.shade = m_filledShade != bool(id % 2);
    return stripe;
}
