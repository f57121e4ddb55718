#include "taskorder.h"

#include <QCryptographicHash>

#include <algorithm>
#include <limits>

namespace TaskOrdering {

namespace {

// SplitMix64: small, fast and written down in full where it is published, so
// that anyone can repeat an order from the account name.
class SplitMix64
{
public:
    explicit SplitMix64(quint64 seed) : m_state(seed) {}

    quint64 next()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A number below bound, every one equally likely.
    quint64 below(quint64 bound)
    {
        const quint64 limit = std::numeric_limits<quint64>::max()
                              - std::numeric_limits<quint64>::max() % bound;
        quint64 value = next();
        while (value >= limit)
            value = next();
        return value % bound;
    }

private:
    quint64 m_state;
};

quint64 seedOf(const QString &account)
{
    const QByteArray digest =
        QCryptographicHash::hash(account.toUtf8(), QCryptographicHash::Sha256);
    quint64 seed = 0;
    for (int i = 0; i < 8; ++i)
        seed = (seed << 8) | quint8(digest.at(i));
    return seed;
}

int keptInFront(int taskCount, int keepFirst)
{
    return std::clamp(keepFirst, 0, std::max(taskCount, 0));
}

} // namespace

QList<int> fixed(int taskCount)
{
    QList<int> order;
    for (int task = 1; task <= taskCount; ++task)
        order.append(task);
    return order;
}

QList<int> shuffled(int taskCount, int keepFirst, const QString &account)
{
    QList<int> order = fixed(taskCount);
    const int kept = keptInFront(taskCount, keepFirst);
    SplitMix64 random(seedOf(account));
    for (int i = taskCount - 1; i > kept; --i) {
        const int j = kept + int(random.below(quint64(i - kept + 1)));
        std::swap(order[i], order[j]);
    }
    return order;
}

int latinSquareRows(int taskCount, int keepFirst)
{
    const int arranged = taskCount - keptInFront(taskCount, keepFirst);
    if (arranged < 2)
        return 1;
    return arranged % 2 == 0 ? arranged : 2 * arranged;
}

QList<int> latinSquare(int taskCount, int keepFirst, int number)
{
    const int kept = keptInFront(taskCount, keepFirst);
    const int n = taskCount - kept;
    QList<int> order = fixed(kept);
    if (n <= 0)
        return order;
    // 0, 1, n - 1, 2, n - 2, ...
    QList<int> first;
    first.append(0);
    for (int k = 1; k < n; ++k)
        first.append(k % 2 == 1 ? (k + 1) / 2 : n - k / 2);
    const int rows = latinSquareRows(taskCount, keepFirst);
    // Numbers from 1; anything below counts as the first participant.
    const int row = (std::max(number, 1) - 1) % rows;
    QList<int> arranged;
    for (int k = 0; k < n; ++k)
        arranged.append((first.at(k) + row % n) % n);
    if (row >= n)
        std::reverse(arranged.begin(), arranged.end());
    for (int task : std::as_const(arranged))
        order.append(kept + 1 + task);
    return order;
}

} // namespace TaskOrdering
