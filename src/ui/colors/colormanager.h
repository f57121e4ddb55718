#pragma once

#include "ui/colors/featurecolorpair.h"
#include "ui/colors/palettecolor.h"
#include "core/model/feature.h"

#include <QList>

#include <memory>
#include <vector>

// Owns the palette (ColorArray) and the feature-colour pairs (FCPList). A
// feature without a colour of its own is paired with one of two greys.
class ColorManager
{
public:
    ColorManager(FeatureList *features, int featureCount);
    // Frees every colour made through createColor(); the pointers held by
    // rows and palette entries must not be used after this.
    ~ColorManager();

    ColorManager(const ColorManager &) = delete;
    ColorManager &operator=(const ColorManager &) = delete;

    // The manager that Feature::color() asks; set by every constructor and
    // cleared when that manager is destroyed.
    static ColorManager *current();

    void generatePalette(int n);
    void initPairs();

    PaletteColor *colorOf(Feature *feature);
    Feature *featureOfColor(PaletteColor *color);
    int indexOfFeature(Feature *feature) const;
    bool resetFeatureColor(Feature *feature);
    bool assignColor(Feature *feature, PaletteColor *color);
    bool hasColor(PaletteColor *color) const;

    // Creates a colour record that lives as long as this manager. Every
    // PaletteColor the system makes (palette, custom and loaded colours,
    // the "no colour" records of the items) comes from here, since rows and
    // palette entries keep raw pointers to them.
    PaletteColor *createColor(const QColor &color = QColor());

    PaletteColor *lightGrey() const { return m_lightGrey; }
    PaletteColor *darkGrey() const { return m_darkGrey; }
    PaletteColor *white() const { return m_white; }
    // True when color has the value of one of the two placeholder greys
    // (PlaceholderGreys::isPlaceholder).
    bool isGrey(const QColor &color) const;
    // True when a feature paired with color has no colour of its own: no
    // record, a record without a valid colour, one of the two greys or the
    // white that colorOf gives for a feature without a pair. Records are
    // judged by identity: a palette colour that happens to have a grey's
    // value is still a colour the feature holds and keeps taken.
    bool standsForNoColor(const PaletteColor *color) const;

    FeatureList *features() const { return m_features; }

    QList<PaletteColor *> ColorArray;
    QList<FeatureColorPair> FCPList;
    qint32 maxColors = 200;
    qint32 resetCount = 0;

private:
    FeatureList *m_features = nullptr;
    std::vector<std::unique_ptr<PaletteColor>> m_allColors;
    PaletteColor *m_lightGrey = nullptr;
    PaletteColor *m_darkGrey = nullptr;
    PaletteColor *m_white = nullptr;
};
