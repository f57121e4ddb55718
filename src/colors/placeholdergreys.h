#pragma once

#include <QColor>

// The two greys a feature is shown in while it has no colour of its own;
// neighbouring bars alternate between them. The colour manager pairs
// features with them and the row textures paint them: both take the values
// from here.
namespace PlaceholderGreys {

constexpr QRgb light = 0xffdcdcdc; // 220, 220, 220
constexpr QRgb dark = 0xffb4b4b4;  // 180, 180, 180

} // namespace PlaceholderGreys
