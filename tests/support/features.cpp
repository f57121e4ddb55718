#include "features.h"

namespace TestSupport {

FeatureList makeFeatures(const QStringList &names)
{
    FeatureList features;
    for (int i = 0; i < names.size(); ++i)
        features.append(Feature(i, names.at(i)));
    return features;
}

} // namespace TestSupport
