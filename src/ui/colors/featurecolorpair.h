#pragma once

class Feature;
class PaletteColor;

struct FeatureColorPair
{
    Feature *feature = nullptr;
    PaletteColor *color = nullptr;
};
