#include "rowtexture.h"

#include "ui/colors/colormanager.h"
#include "ui/colors/palettecolor.h"
#include "ui/colors/placeholdergreys.h"
#include "ui/structure/stripelist.h"

#include <QPainter>

namespace RowTexture {

QColor lightGrey()
{
    return QColor::fromRgba(PlaceholderGreys::light);
}

QColor darkGrey()
{
    return QColor::fromRgba(PlaceholderGreys::dark);
}

QColor colorOf(ColorManager *manager, Feature *feature)
{
    if (!manager)
        manager = ColorManager::current();
    if (!manager || !feature)
        return QColor();
    const PaletteColor *color = manager->colorOf(feature);
    return color ? color->color() : QColor();
}

namespace {

QPixmap whitePicture(int width)
{
    QPixmap picture(width, Height);
    picture.fill(Qt::white);
    return picture;
}

// A feature without a colour of its own shows as a placeholder grey.
QColor orGrey(const QColor &color)
{
    return color.isValid() ? color : lightGrey();
}

} // namespace

QPixmap paintPackage(const StripeList &stripes, int area,
                     const std::function<BarPaint(int id)> &colorOf, bool recolored)
{
    QPixmap picture = whitePicture(area + 101);
    QPainter painter(&picture);
    const int right = picture.width();
    int painted = 0;
    stripes.forEachBar([&](int id, const Stripe &stripe) {
        // The grey of an uncoloured bar follows its position among the
        // painted bars, so neighbouring grey bars always differ.
        const bool dark = painted % 2;
        ++painted;
        // A row with thousands of features lays most of its bars out past
        // the picture's right edge, where nothing of them shows.
        if (stripe.x >= right || qint64(stripe.x) + stripe.width <= 0)
            return;
        const QColor grey = dark ? darkGrey() : lightGrey();
        const BarPaint paint = colorOf(id);
        const auto shown = [&grey](const QColor &color) {
            return !color.isValid() || PlaceholderGreys::isPlaceholder(color) ? grey : color;
        };
        painter.fillRect(stripe.x, 0, stripe.width, 1, shown(paint.top));
        painter.fillRect(stripe.x, 1, stripe.width, Height - 1, shown(paint.body));
    });
    if (recolored)
        painter.fillRect(250, 0, 250, 16, Qt::white);
    return picture;
}

QPixmap paintFeatureCopy(int width, int area, const QColor &initial, const QColor &current,
                         bool recolored)
{
    QPixmap picture = whitePicture(area + 100);
    QPainter painter(&picture);
    if (!recolored) {
        if (width >= 1)
            painter.fillRect(1, 0, width, Height, orGrey(initial));
        return picture;
    }
    if (width >= 1)
        painter.fillRect(1, 0, width, 1, orGrey(initial));
    if (width + 1 >= 1)
        painter.fillRect(1, 1, width + 1, Height - 1, orGrey(current));
    return picture;
}

QPixmap paintFeatureRow(int area, const QColor &initial, const QColor &current, bool recolored)
{
    QPixmap picture = whitePicture(area + 100);
    QPainter painter(&picture);
    painter.fillRect(1, 0, area - 1, recolored ? 1 : Height, orGrey(initial));
    if (recolored)
        painter.fillRect(1, 1, area, Height - 1, orGrey(current));
    return picture;
}

QPixmap scaledBackground(const QPixmap &texture, int width, int height)
{
    if (texture.isNull() || width < 1 || height < 1)
        return QPixmap();

    const double fx = width / 250.0;
    const double fw = width / 300.0 * 212.0;
    const int left = int(fx - 2.0);
    const int frameWidth = int(fw + 1.0);
    const int right = int(fw + fx + 1.0);
    const int rest = int(width - fw);

    const QPixmap top = texture.copy(0, 0, texture.width(), qMin(50, texture.height()));
    QPixmap scaled = top.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QPainter painter(&scaled);
    painter.fillRect(0, 0, width, 3, Qt::white);
    painter.fillRect(0, height - 3, width, 3, Qt::white);
    painter.setPen(QColor(Qt::gray));
    painter.setBrush(Qt::NoBrush);
    // A one-pixel outline whose outermost pixels are x = left and
    // x = left + frameWidth - 1, y = 2 and y = height - 4.
    painter.drawRect(left, 2, frameWidth - 1, height - 6);
    painter.fillRect(right, 0, rest, height, Qt::white);
    painter.end();
    // QPixmap::copy() clips the rectangle to the picture.
    return scaled.copy(left, 0, width, height);
}

} // namespace RowTexture
