#pragma once

#include <QList>

// One feature's bar in a row texture.
struct Stripe
{
    int x = 0;
    int width = 0;
    bool shade = false; // the alternation bit when the stripe was stored
};

// Stripes indexed by feature id, with an alternation bit that every
// setStripe() call flips.
class StripeList
{
public:
    void setStripe(int id, int x, int width);
    const Stripe &at(int id) const { return m_stripes.at(id); }
    int size() const { return int(m_stripes.size()); }
    bool alternation() const { return m_alternation; }

private:
    QList<Stripe> m_stripes;
    bool m_alternation = false;
};
