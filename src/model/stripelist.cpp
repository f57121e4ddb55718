#include "stripelist.h"

void StripeList::setStripe(int id, int x, int width)
{
    Stripe stripe;
    stripe.x = x;
    stripe.width = width;
    stripe.shade = m_alternation;
    // An id beyond the end appends, so a fresh list fills from position 0
    // whatever the id; only ids already present are replaced in place.
    if (id >= 0 && id < m_stripes.size())
        m_stripes[id] = stripe;
    else
        m_stripes.append(stripe);
    m_alternation = !m_alternation;
}
