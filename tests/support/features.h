#pragma once

#include "core/model/feature.h"

#include <QStringList>

namespace TestSupport {

// A feature list with the given names, numbered from 0 in order.
FeatureList makeFeatures(const QStringList &names);

} // namespace TestSupport
