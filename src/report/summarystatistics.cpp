#include "summarystatistics.h"

#include <algorithm>
#include <cmath>

namespace SummaryStatistics {

double quantile(const std::vector<double> &sorted, double p)
{
    if (sorted.empty())
        return 0;
    const double h = double(sorted.size() - 1) * std::clamp(p, 0.0, 1.0);
    const size_t below = size_t(std::floor(h));
    const size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (h - double(below)) * (sorted[above] - sorted[below]);
}

Summary of(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    Summary summary;
    summary.count = int(values.size());
    if (values.empty())
        return summary;
    summary.minimum = values.front();
    summary.lowerQuartile = quantile(values, 0.25);
    summary.median = quantile(values, 0.5);
    summary.upperQuartile = quantile(values, 0.75);
    summary.maximum = values.back();
    return summary;
}

} // namespace SummaryStatistics
