#pragma once

#include <algorithm>
#include <utility>
#include <vector>

// One feature's bar in a row texture.
struct Stripe
{
    int x = 0;
    int width = 0;
    bool shade = false; // the alternation bit when the stripe was stored
};

// Stripes indexed by feature id, with an alternation bit that every
// setStripe() call flips.
//
// A row has a stripe for every feature of the model but a bar for only the
// few that have code below it, so the list is kept sparse: a stretch of
// empty stripes set by fill() is remembered by its length and the shade of
// its first stripe, and only the other stripes are stored (with ten
// thousand features, dense lists took 240 KB a row).
class StripeList
{
public:
    void setStripe(int id, int x, int width);
    // The same as setStripe(id, x, 0) for id = 0 .. count - 1 in turn.
    void fill(int count, int x = 0);
    // Gives a stripe of the last filled stretch a position and width, as if
    // the fill had set it so (same shade, no flip of the alternation bit).
    void place(int id, int x, int width);
    Stripe at(int id) const;
    // Whether test(id) holds for a stripe of some width. Filled stripes have
    // none, so only the stored ones are looked at.
    template <typename Test>
    bool anyBar(Test test) const
    {
        for (const auto &[id, stripe] : m_set)
            if (stripe.width > 0 && test(id))
                return true;
        return false;
    }
    // Calls visit(id, stripe) for every stripe of some width, in id order.
    // Filled stripes have none, so only the stored ones are gone through.
    template <typename Visit>
    void forEachBar(Visit visit) const
    {
        for (const auto &[id, stripe] : m_set)
            if (stripe.width > 0)
                visit(id, stripe);
    }
    int size() const { return m_size; }
    // Room for that many stored stripes at once.
    void reserve(int count) { m_set.reserve(std::size_t(std::max(count, 0))); }
    bool alternation() const { return m_alternation; }

private:
    using Stored = std::vector<std::pair<int, Stripe>>;
    Stored::const_iterator find(int id) const;
    void store(int id, const Stripe &stripe);

    // Stripes stored one by one, by position: a row lays its bars out in
    // id order, so they are appended in that order nearly always.
    Stored m_set;
    int m_size = 0;
    int m_filled = 0;           // positions 0 .. m_filled - 1 were filled ...
    int m_filledX = 0;          // ... at this position, with no width ...
    bool m_filledShade = false; // ... the first with this shade, alternating
    bool m_alternation = false;
};
