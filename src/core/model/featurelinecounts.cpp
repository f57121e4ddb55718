#include "featurelinecounts.h"

#include <algorithm>
#include <limits>

namespace {

int saturated(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

} // namespace

FeatureLineCounts::FeatureLineCounts() = default;

FeatureLineCounts::FeatureLineCounts(const FeatureLineCounts &other)
    : m_sparse(other.m_sparse),
      m_dense(other.m_dense ? std::make_unique<QList<int>>(*other.m_dense) : nullptr),
      m_size(other.m_size)
{
}

FeatureLineCounts &FeatureLineCounts::operator=(const FeatureLineCounts &other)
{
    if (this != &other) {
        m_sparse = other.m_sparse;
        m_dense = other.m_dense ? std::make_unique<QList<int>>(*other.m_dense) : nullptr;
        m_size = other.m_size;
    }
    return *this;
}

FeatureLineCounts::~FeatureLineCounts() = default;

int FeatureLineCounts::size() const
{
    return m_dense ? int(m_dense->size()) : m_size;
}

void FeatureLineCounts::grow(int count)
{
    if (count <= 0)
        return;
    if (m_dense)
        m_dense->append(QList<int>(count, 0));
    else
        m_size += count;
}

std::vector<std::pair<int, int>>::iterator FeatureLineCounts::find(int id)
{
    return std::lower_bound(m_sparse.begin(), m_sparse.end(), id,
                            [](const std::pair<int, int> &entry, int key) {
                                return entry.first < key;
                            });
}

int FeatureLineCounts::value(int id) const
{
    if (m_dense)
        return m_dense->value(id);
    const auto found = const_cast<FeatureLineCounts *>(this)->find(id);
    return found != m_sparse.end() && found->first == id ? found->second : 0;
}

void FeatureLineCounts::set(int id, int lines)
{
    if (id < 0 || id >= size())
        return;
    if (m_dense) {
        (*m_dense)[id] = lines;
        return;
    }
    const auto found = find(id);
    const bool present = found != m_sparse.end() && found->first == id;
    if (lines == 0) {
        if (present)
            m_sparse.erase(found);
    } else if (present) {
        found->second = lines;
    } else {
        m_sparse.insert(found, {id, lines});
    }
}

void FeatureLineCounts::add(int id, qint64 lines)
{
    if (lines != 0)
        set(id, saturated(value(id) + lines));
}

void FeatureLineCounts::clear()
{
    if (m_dense)
        m_dense->fill(0);
    m_sparse.clear();
}

void FeatureLineCounts::addAll(const FeatureLineCounts &other)
{
    if (m_dense || other.m_dense) {
        other.forEachNonZero([this](int id, int lines) { add(id, lines); });
        return;
    }
    // Both sparse and sorted by id: merged into a new list.
    std::vector<std::pair<int, int>> merged;
    merged.reserve(m_sparse.size() + other.m_sparse.size());
    auto mine = m_sparse.cbegin();
    for (const auto &entry : other.m_sparse) {
        if (entry.first >= m_size)
            break; // beyond the entries: ignored, as by add()
        while (mine != m_sparse.cend() && mine->first < entry.first)
            merged.push_back(*mine++);
        if (mine != m_sparse.cend() && mine->first == entry.first) {
            const int sum = saturated(qint64(mine->second) + entry.second);
            if (sum != 0)
                merged.emplace_back(entry.first, sum);
            ++mine;
        } else {
            merged.push_back(entry);
        }
    }
    merged.insert(merged.end(), mine, m_sparse.cend());
    m_sparse = std::move(merged);
}

QList<int> &FeatureLineCounts::dense()
{
    if (!m_dense) {
        m_dense = std::make_unique<QList<int>>(m_size, 0);
        for (const auto &entry : m_sparse)
            (*m_dense)[entry.first] = entry.second;
        m_sparse = {};
    }
    return *m_dense;
}

qint64 FeatureLineCounts::memoryUsed() const
{
    if (m_dense)
        return qint64(m_dense->capacity()) * qint64(sizeof(int));
    return qint64(m_sparse.capacity()) * qint64(sizeof(std::pair<int, int>));
}
