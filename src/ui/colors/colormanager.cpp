#include "colormanager.h"

#include "ui/colors/placeholdergreys.h"
#include "core/formats/diagnostics.h"

#include <cstdio>

namespace {

ColorManager *s_current = nullptr;

// Bookkeeping inconsistencies go to standard output, one line each.
void printLine(const QString &text)
{
    writeConsoleLine(stdout, text);
}

} // namespace

ColorManager::ColorManager(FeatureList *features, int featureCount)
{
    s_current = this;
    m_lightGrey = createColor(QColor::fromRgba(PlaceholderGreys::light));
    m_darkGrey = createColor(QColor::fromRgba(PlaceholderGreys::dark));
    m_white = createColor(QColor(255, 255, 255, 255));
    maxColors = 200;
    resetCount = 0;
    m_features = features;
    generatePalette(featureCount);
    initPairs();
}

ColorManager::~ColorManager()
{
    // A later manager may have taken over; only give up the place if it is ours,
    // so that Feature::color() never reaches a destroyed manager.
    if (s_current == this)
        s_current = nullptr;
}

ColorManager *ColorManager::current()
{
    return s_current;
}

PaletteColor *ColorManager::createColor(const QColor &color)
{
    m_allColors.push_back(std::make_unique<PaletteColor>(color));
    return m_allColors.back().get();
}

void ColorManager::generatePalette(int n)
{
    // The old colour objects stay alive: rows and palette entries may still
    // hold them.
    ColorArray.clear();
    const int m = qMin(n, maxColors);
    if (m < 1)
        return;
    const double step = 360.0 / m;
    double hue = 0.0;
    for (int i = 0; i < m; ++i) {
        QColor color;
        color.setHsv(int(hue), 170, 255, 255);
        ColorArray.append(createColor(color));
        // Repeated addition, not i * step: the truncated hues depend on it.
        hue += step;
    }
}

void ColorManager::initPairs()
{
    if (!m_features)
        return;
    for (qsizetype i = 0; i < m_features->size(); ++i) {
        Feature &feature = (*m_features)[i];
        feature.id = qint32(i);
        FCPList.append({&feature, resetCount % 2 == 0 ? m_lightGrey : m_darkGrey});
        ++resetCount;
    }
}

PaletteColor *ColorManager::colorOf(Feature *feature)
{
    // The pairs are made in feature order, one per feature, so a feature's
    // pair is mostly found at its id; looking at every pair made asking for
    // every feature's colour quadratic (seconds for a kernel's features).
    if (feature && feature->id >= 0 && feature->id < FCPList.size()
        && FCPList.at(feature->id).feature == feature)
        return FCPList.at(feature->id).color;
    for (const FeatureColorPair &pair : std::as_const(FCPList)) {
        if (pair.feature == feature)
            return pair.color;
    }
    printLine(QStringLiteral("FCPListSize:  ") + QString::number(FCPList.size()));
    printLine(QStringLiteral("Feature ") + (feature ? feature->name() : QString())
              + QStringLiteral("existiert nicht in der Feature-Color-Pair-liste."));
    return m_white;
}

Feature *ColorManager::featureOfColor(PaletteColor *color)
{
    if (color && !color->isFree()) {
        for (const FeatureColorPair &pair : std::as_const(FCPList)) {
            if (pair.color == color)
                return pair.feature;
        }
    }
    printLine(QStringLiteral("Farbe existiert nicht in der Feature-Color-Pair-liste."));
    return nullptr;
}

int ColorManager::indexOfFeature(Feature *feature) const
{
    if (!feature)
        return -1;
    const QString name = feature->name();
    for (qsizetype i = 0; i < FCPList.size(); ++i) {
        const Feature *paired = FCPList.at(i).feature;
        if (paired && paired->name() == name)
            return int(i);
    }
    return -1;
}

bool ColorManager::resetFeatureColor(Feature *feature)
{
    const int i = indexOfFeature(feature);
    if (i == -1) {
        printLine(QStringLiteral("Farbe kann für Feature nicht gelöscht werden, "
                                 "da Feature nicht in der Pair-Liste vorkommt."));
        return false;
    }
    FCPList[i].color = resetCount % 2 != 0 ? m_darkGrey : m_lightGrey;
    ++resetCount;
    return true;
}

bool ColorManager::assignColor(Feature *feature, PaletteColor *color)
{
    // Taking a colour that another feature holds only sends that feature back
    // to grey; the colour itself stays taken until its row frees it.
    if (color && !color->isFree()) {
        printLine(QStringLiteral("zurück setzen."));
        resetFeatureColor(featureOfColor(color));
    }
    if (!color || !ColorArray.contains(color)) {
        printLine(QStringLiteral("Color existiert nicht im ColorArray."));
        return false;
    }
    if (!color->isFree()) {
        printLine(QStringLiteral("Color ist bereits vergeben."));
        return false;
    }
    // A pair without a feature would break everyone who walks the pair list.
    if (!feature)
        return false;
    const int i = indexOfFeature(feature);
    color->setFree(false);
    if (i == -1)
        FCPList.append({feature, color});
    else
        FCPList[i].color = color;
    return true;
}

bool ColorManager::hasColor(PaletteColor *color) const
{
    if (!color)
        return false;
    for (const FeatureColorPair &pair : FCPList) {
        if (pair.color == color)
            return true;
    }
    return false;
}

bool ColorManager::isGrey(const QColor &color) const
{
    return PlaceholderGreys::isPlaceholder(color);
}

bool ColorManager::standsForNoColor(const PaletteColor *color) const
{
    return !color || !color->color().isValid() || color == m_lightGrey || color == m_darkGrey
           || color == m_white;
}

PaletteColor *Feature::color() const
{
    ColorManager *manager = ColorManager::current();
    return manager ? manager->colorOf(const_cast<Feature *>(this)) : nullptr;
}
