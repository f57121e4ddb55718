#pragma once

#include <QColor>

// The two greys a feature is shown in while it has no colour of its own;
// neighbouring bars alternate between them. The colour manager pairs
// features with them and the row textures and side bars paint them: all
// take the values from here.
namespace PlaceholderGreys {

constexpr QRgb light = 0xffdcdcdc; // 220, 220, 220
constexpr QRgb dark = 0xffb4b4b4;  // 180, 180, 180

// Whether a colour value read back is one of the placeholders, the one rule
// for everything that has only the value (pictures, the saved file). Values
// are compared alone, so a grey built from HSV components still counts; a
// translucent grey does not.
inline bool isPlaceholder(const QColor &color)
{
    if (!color.isValid())
        return false;
    const QRgb rgba = color.rgba();
    return rgba == light || rgba == dark;
}

} // namespace PlaceholderGreys
