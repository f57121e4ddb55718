#pragma once

#include <QList>

#include <memory>
#include <utility>
#include <vector>

// The lines of each feature below one row, by feature id. A row has an entry
// for every feature of the model but code of only a few, so only the entries
// that are not zero are stored (dense lists took rows x features integers,
// 250 MB for a system-sized project).
//
// dense() hands out the whole list for callers that index or replace it as
// a list; from then on the counts are kept that way.
class FeatureLineCounts
{
public:
    FeatureLineCounts();
    FeatureLineCounts(const FeatureLineCounts &other);
    FeatureLineCounts &operator=(const FeatureLineCounts &other);
    ~FeatureLineCounts();

    // Number of entries (feature ids 0 .. size() - 1).
    int size() const;
    // Appends `count` entries of 0.
    void grow(int count);
    int value(int id) const;
    // Both ignore ids outside the entries; sums saturate at the int range.
    void set(int id, int lines);
    void add(int id, qint64 lines);
    // Every entry 0, the size kept.
    void clear();
    // add(id, other.value(id)) for every id of other, in one pass.
    void addAll(const FeatureLineCounts &other);

    // Calls f(id, lines) for every entry that is not 0, in id order.
    template <typename F>
    void forEachNonZero(F f) const
    {
        if (m_dense) {
            for (int id = 0; id < int(m_dense->size()); ++id)
                if (m_dense->at(id) != 0)
                    f(id, m_dense->at(id));
            return;
        }
        for (const auto &entry : m_sparse)
            f(entry.first, entry.second);
    }

    QList<int> &dense();
    // Bytes held for the entries.
    qint64 memoryUsed() const;

private:
    std::vector<std::pair<int, int>>::iterator find(int id);

    std::vector<std::pair<int, int>> m_sparse; // (id, lines), by id, lines != 0
    std::unique_ptr<QList<int>> m_dense;
    int m_size = 0;
};
