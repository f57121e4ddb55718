#pragma once

#include <vector>

// The numbers a researcher reports for a sample: count, extremes, quartiles.
namespace SummaryStatistics {

struct Summary
{
    int count = 0;
    double minimum = 0;
    double lowerQuartile = 0;
    double median = 0;
    double upperQuartile = 0;
    double maximum = 0;
};

// The p-quantile (0 <= p <= 1) of sorted values, linear between the two
// nearest values: the h-th value with h = (n - 1) p + 1, counted from 1 and
// interpolated (R's default quantile type 7, pandas' and NumPy's default),
// so that the numbers agree with what a researcher gets from their data.
// 0 for no values.
double quantile(const std::vector<double> &sorted, double p);

Summary of(std::vector<double> values);

} // namespace SummaryStatistics
