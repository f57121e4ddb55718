#pragma once

#include <QColor>
#include <QPixmap>

#include <functional>

class ColorManager;
class Feature;
class StripeList;

// Painting of the structure-tree textures. Every picture is white where it
// shows no bar and 45 pixels high; the trees display them scaled.
namespace RowTexture {

constexpr int Height = 45;
constexpr int PackageArea = 250;     // bar area of a package-view row
constexpr int FeatureCopyArea = 200; // bar area of a feature-view copy row
constexpr int FeatureRowArea = 250;  // bar area of a feature row
constexpr int DisplayHeight = 29;    // height of the scaled backgrounds

QColor lightGrey();
QColor darkGrey();

// The colour `manager` (or, without one, the current colour manager) gives
// the feature; invalid when there is no manager or no colour.
QColor colorOf(ColorManager *manager, Feature *feature);

// The colours of one package-view bar: the top pixel row and the rest.
struct BarPaint
{
    QColor top;
    QColor body;
};

// A package-view row: (area + 101) x 45, one bar per stripe at least one
// pixel wide, in id order. Placeholder greys (and missing colours)
// alternate light, dark, light ... over the painted bars. A recoloured row
// also has the top right corner (columns 250 on, pixel rows 0 to 15) white.
QPixmap paintPackage(const StripeList &stripes, int area,
                     const std::function<BarPaint(int id)> &colorOf, bool recolored);

// A feature-view copy row: (area + 100) x 45 with columns 1 to width in the
// feature's colour. After recolouring, pixel rows 1 and below show the
// current colour over one column more.
QPixmap paintFeatureCopy(int width, int area, const QColor &initial, const QColor &current,
                         bool recolored);

// A feature row: (area + 100) x 45 with columns 1 to area - 1 in the
// feature's colour; after recolouring, pixel rows 1 and below show the
// current colour over columns 1 to area.
QPixmap paintFeatureRow(int area, const QColor &initial, const QColor &current, bool recolored);

// The displayed background of a row at tree width `width` and row height
// `height`: the texture's top rows scaled to width x height, white top and
// bottom margins, a grey frame around the bar area, white after it, cut from
// x = width / 250 - 2 on. Null when there is nothing to show.
QPixmap scaledBackground(const QPixmap &texture, int width, int height);

} // namespace RowTexture
