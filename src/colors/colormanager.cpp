// Placeholder so the whole tree links while this class is being written.
#include "colormanager.h"
ColorManager::ColorManager(FeatureList *features, int) : m_features(features) {}
ColorManager::~ColorManager() = default;
ColorManager *ColorManager::current() { return nullptr; }
void ColorManager::generatePalette(int) {}
void ColorManager::initPairs() {}
PaletteColor *ColorManager::colorOf(Feature *) { return nullptr; }
Feature *ColorManager::featureOfColor(PaletteColor *) { return nullptr; }
int ColorManager::indexOfFeature(Feature *) const { return -1; }
bool ColorManager::resetFeatureColor(Feature *) { return false; }
bool ColorManager::assignColor(Feature *, PaletteColor *) { return false; }
bool ColorManager::hasColor(PaletteColor *) const { return false; }
PaletteColor *ColorManager::createColor(const QColor &) { return nullptr; }
bool ColorManager::isGrey(const QColor &) const { return false; }
