#include "feature.h"

#include "colors/colormanager.h"

PaletteColor *Feature::color() const
{
    ColorManager *manager = ColorManager::current();
    return manager ? manager->colorOf(const_cast<Feature *>(this)) : nullptr;
}
