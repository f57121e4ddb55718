#pragma once

#include <QHash>

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
        for (auto it = m_set.cbegin(); it != m_set.cend(); ++it)
            if (it->width > 0 && test(it.key()))
                return true;
        return false;
    }
    int size() const { return m_size; }
    bool alternation() const { return m_alternation; }

private:
    QHash<int, Stripe> m_set;   // stripes stored one by one, by position
    int m_size = 0;
    int m_filled = 0;           // positions 0 .. m_filled - 1 were filled ...
    int m_filledX = 0;          // ... at this position, with no width ...
    bool m_filledShade = false; // ... the first with this shade, alternating
    bool m_alternation = false;
};
